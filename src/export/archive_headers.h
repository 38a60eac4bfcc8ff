#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesko {

// What the archive holds, read from the file headers of its volumes (in order): every stored
// name with its size, the parts of a file that spans volumes added up. Only the headers are
// read, the compressed data is skipped. Throws Error when a volume cannot be read or is not
// shaped as an archive.
std::map<std::string, std::uint64_t> StoredSizes(const std::vector<std::string>& volumes);

} // namespace vesko
