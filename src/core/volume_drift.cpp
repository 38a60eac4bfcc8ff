#include "core/volume_drift.h"

#include <sys/stat.h>

namespace vesko {

std::optional<VolumeDrift> FirstDriftedVolume(
    const std::vector<ArchiveVolume>& volumes, const std::vector<std::int64_t>* times)
{
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const ArchiveVolume& volume = volumes[i];
        struct stat st { };
        if (::lstat(volume.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return VolumeDrift { VolumeDrift::Missing, &volume };
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (size != volume.size)
            return VolumeDrift { VolumeDrift::OtherSize, &volume, size };
        if (times && ModifiedNs(st) != (*times)[i])
            return VolumeDrift { VolumeDrift::OtherTime, &volume, size };
    }
    return std::nullopt;
}

std::int64_t ModifiedNs(const struct stat& st)
{
    return std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

} // namespace vesko
