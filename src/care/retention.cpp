#include "care/retention.h"

#include "care/care_tables.h"
#include "care/chains.h"
#include "core/volume_drift.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "storage/catalogue_copies.h"

#include <chrono>
#include <set>

namespace vesko {

namespace {

// Why an archive of a dropped chain must stay; "" when it may go.
std::string ReasonToKeep(const history::KnownArchive& archive, const std::set<std::string>& kept)
{
    for (const ArchiveVolume& volume : archive.volumes)
        if (kept.count(volume.path) != 0)
            return volume.path + " is also the volume of a kept archive";
    const std::optional<VolumeDrift> drift = FirstDriftedVolume(archive.volumes);
    if (!drift)
        return {};
    const ArchiveVolume& volume = *drift->volume;
    if (drift->kind == VolumeDrift::Missing)
        return volume.path + " is missing";
    return volume.path + " is " + std::to_string(drift->sizeNow) + " bytes, not the "
        + std::to_string(volume.size) + " recorded";
}

void RecordRemoval(SettingsStore& store, std::int64_t run)
{
    storage::Database db = history::OpenCareForWrite(store);
    storage::Statement(db, "INSERT OR REPLACE INTO history_removed (run, removed) VALUES (?1, ?2)")
        .Bind(1, run)
        .Bind(2,
            std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::system_clock::now().time_since_epoch())
                .count())
        .Run();
}

} // namespace

std::vector<std::string> RemoveOldChains(
    SettingsStore& store, int keepChains, bool currentStartsChain, std::ostream& err)
{
    std::vector<std::string> removed;
    if (keepChains <= 0)
        return removed;
    const auto chains = history::Chains(history::KnownArchives(store));
    const std::size_t keptRecorded
        = static_cast<std::size_t>(keepChains) - (currentStartsChain ? 1 : 0);
    if (chains.size() <= keptRecorded)
        return removed;
    const std::size_t dropped = chains.size() - keptRecorded;
    std::set<std::string> kept;
    for (std::size_t c = dropped; c < chains.size(); ++c)
        for (const history::KnownArchive& archive : chains[c])
            for (const ArchiveVolume& volume : archive.volumes)
                kept.insert(volume.path);

    const FileSystem fs;
    for (std::size_t c = 0; c < dropped; ++c)
        for (const history::KnownArchive& archive : chains[c]) {
            if (archive.removed)
                continue;
            if (const std::string why = ReasonToKeep(archive, kept); !why.empty()) {
                err << "Old archive kept: " << archive.archive << " (" << why << ")\n";
                continue;
            }
            // A volume gone already leaves the archive of no use: it is recorded as removed.
            std::size_t deleted = 0;
            try {
                for (const ArchiveVolume& volume : archive.volumes) {
                    fs.DeleteFile(volume.path);
                    ++deleted;
                }
            } catch (const Error& e) {
                err << "Old archive not wholly removed: " << e.what() << "\n";
            }
            if (deleted == 0)
                continue;
            RecordRemoval(store, archive.run);
            history::DropCatalogueCopy(store, archive.run);
            err << "Removed old archive: " << archive.archive << "\n";
            removed.push_back(archive.archive);
        }
    return removed;
}

} // namespace vesko
