#pragma once

#include "core/run_report.h"

#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace vesko {

// How a volume the history recorded differs from what is on the disk now.
struct VolumeDrift {
    enum Kind { Missing, OtherSize, OtherTime } kind;
    const ArchiveVolume* volume;
    std::uint64_t sizeNow = 0;
};

// The first recorded volume that is gone, not a regular file (a link in its place is not what
// the export wrote), of another size, or, when times are given (one per volume, nanoseconds),
// of another modification time; nothing when every volume is as written.
std::optional<VolumeDrift> FirstDriftedVolume(
    const std::vector<ArchiveVolume>& volumes, const std::vector<std::int64_t>* times = nullptr);

// A file's modification time in nanoseconds since the epoch, as the history records it.
std::int64_t ModifiedNs(const struct stat& st);

} // namespace vesko
