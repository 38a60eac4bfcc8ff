#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace vesko::test {

// What the exception that 'action' throws says, or "no error" when it throws none.
template <typename Action> std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

// The permission bits of a file or folder, the entry itself when it is a link.
inline mode_t Mode(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : static_cast<mode_t>(-1);
}

// How many files this process holds open.
inline std::ptrdiff_t OpenDescriptors()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

inline bool Exists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace vesko::test
