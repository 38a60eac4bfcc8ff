#pragma once

#include <string>

namespace vesko {

// The volumes of an archive: base + ".arj" for the first (n = 0), then ".a01" … ".a99".
inline std::string VolumeName(const std::string& archiveBase, int n)
{
    if (n == 0)
        return archiveBase + ".arj";
    return archiveBase + ".a" + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
}
inline constexpr int kVolumeCount = 100;

} // namespace vesko
