#include "core/counts_line.h"

namespace vesko {

std::string GroupedCount(std::uint64_t n)
{
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

std::string CountsLine(
    std::uint64_t files, std::uint64_t bytes, const std::string& done, const std::string& where)
{
    return GroupedCount(files) + (files == 1 ? " file (" : " files (") + GroupedCount(bytes)
        + (bytes == 1 ? " byte) " : " bytes) ") + done + " " + where + ".";
}

} // namespace vesko
