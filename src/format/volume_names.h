#pragma once

#include <string>

namespace vesko {

// The archiver's name for the n-th volume of a set whose first volume is given: the first
// itself for n = 0, else its last two characters turned into the volume's number
// ("week.arj", "week.a01" … "week.a99"; "old.arjx", "old.ar01"). Its work files are numbered
// the same way from "ARJTEMP.$00".
inline std::string VolumePath(const std::string& firstVolume, int n)
{
    if (n == 0)
        return firstVolume;
    return firstVolume.substr(0, firstVolume.size() - 2) + static_cast<char>('0' + n / 10)
        + static_cast<char>('0' + n % 10);
}
inline constexpr int kVolumeCount = 100;

} // namespace vesko
