#pragma once

#include "support/temp_dir.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vesko::test {

// Archive volumes as bytes, crafted or made by the real archiver and then damaged: every
// header written with its CRC, so that a reader must look further than the CRC to refuse it.

inline std::string Le(std::uint32_t n, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char(n >> (8 * i));
    return s;
}
inline std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (char b : bytes) {
        crc ^= std::uint8_t(b);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}
// A header as an archive holds it: id, size, bytes, CRC, then extended headers, each with
// its size and CRC, up to the size 0 that ends them.
inline std::string Header(const std::string& basic, const std::vector<std::string>& extended = {})
{
    std::string h = "\x60\xEA" + Le(std::uint32_t(basic.size()), 2) + basic + Le(Crc32(basic), 4);
    for (const std::string& x : extended)
        h += Le(std::uint32_t(x.size()), 2) + x + Le(Crc32(x), 4);
    return h + Le(0, 2);
}
inline const std::string kArchiveEnd("\x60\xEA\0\0", 4);

struct CraftedEntry {
    std::string name;
    int type = 0, flags = 0; // flags 4: goes on in the next volume, 8: began in the last one
    std::uint32_t size = 3; // stored: as many bytes of data follow
    std::string comment = "";
    std::uint32_t partStart = 0; // with flags 8: where in the file this part begins
};
// 30 bytes before the name; 34 for a part that continues a file, which says where it begins.
inline std::string Basic(const CraftedEntry& e)
{
    std::string b((e.flags & 8) ? 34 : 30, '\0');
    b[0] = char(b.size()), b[3] = 2, b[4] = char(e.flags), b[6] = char(e.type);
    b.replace(12, 4, Le(e.size, 4)).replace(16, 4, Le(e.size, 4));
    if (e.flags & 8)
        b.replace(30, 4, Le(e.partStart, 4));
    return b + e.name + '\0' + e.comment + '\0';
}
// An archive volume of stored entries; another follows when mainFlags holds 4.
inline std::string Crafted(const std::vector<CraftedEntry>& entries, int mainFlags = 0)
{
    std::string bytes = Header(Basic({ "c.arj", 2, mainFlags, 0 }));
    for (const CraftedEntry& e : entries)
        bytes += Header(Basic(e)) + std::string(e.size, 'x');
    return bytes + kArchiveEnd;
}

// The little-endian number of 'bytes' bytes at 'at'.
inline std::uint32_t NumberAt(const std::string& volume, std::size_t at, int bytes)
{
    std::uint32_t n = 0;
    for (int i = bytes; i-- > 0;)
        n = n << 8 | std::uint8_t(volume.at(at + i));
    return n;
}
// Where each header of a volume begins, its main header first.
inline std::vector<std::size_t> HeaderStarts(const std::string& volume)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; NumberAt(volume, at + 2, 2) != 0;) {
        starts.push_back(at);
        std::size_t next = at + 4 + NumberAt(volume, at + 2, 2) + 4;
        while (const std::uint32_t extended = NumberAt(volume, next, 2))
            next += 2 + extended + 4;
        // A file's data follows its header.
        at = next + 2 + (volume.at(at + 4 + 6) != 2 ? NumberAt(volume, at + 4 + 12, 4) : 0);
    }
    return starts;
}
// The basic header at 'at' changed by 'edit', its size and CRC made right again.
inline void Rewrite(
    std::string& volume, std::size_t at, const std::function<void(std::string&)>& edit)
{
    const std::size_t size = NumberAt(volume, at + 2, 2);
    std::string basic = volume.substr(at + 4, size);
    edit(basic);
    volume.replace(at, 4 + size + 4,
        "\x60\xEA" + Le(std::uint32_t(basic.size()), 2) + basic + Le(Crc32(basic), 4));
}

// An archive the real archiver makes of these files, each of the given date, added in
// the order of their names; answers the archiver's exit status.
inline int ArchivedByArj(const std::string& area, const std::string& archive,
    const std::map<std::string, std::string>& files, const std::string& switches = "",
    std::chrono::system_clock::time_point date = LocalTime(2022, 3, 4))
{
    std::string names;
    for (const auto& [name, bytes] : files) {
        WriteFile(area + "/src/" + name, bytes);
        SetMTime(area + "/src/" + name, date);
        names += " '" + name + "'";
    }
    return Shell("cd '" + area + "/src' && /usr/bin/arj a -y " + switches + " '" + archive + "'"
        + names + " >/dev/null");
}

} // namespace vesko::test
