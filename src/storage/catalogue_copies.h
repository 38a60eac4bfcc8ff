#pragma once

#include "core/run_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

namespace history {

// What a restore reads of an archive, kept beside the history by the export that verified it
// (table history_catalogues), so that a restore need not read the archive twice more before
// extracting from it. The blobs are the restore's own; the store only keeps them.
struct CatalogueCopy {
    std::vector<std::int64_t> volumeTimes; // each volume's modification time, ns, in order
    std::string entries;
    std::string manifest; // without its file lines
    std::string manifestFiles;
};

// The copy with the run's volumes as the history recorded them (path, size).
struct RecordedCatalogue {
    std::vector<ArchiveVolume> volumes;
    CatalogueCopy copy;
};

// Replaces the run's copy. Throws Error.
void SaveCatalogueCopy(SettingsStore& store, std::int64_t run, const CatalogueCopy& copy);
// nullopt when the store holds no copy for the run (an older store, a run before copies were
// kept, one removed), or when the run recorded no volume. Throws Error.
std::optional<RecordedCatalogue> LoadCatalogueCopy(SettingsStore& store, std::int64_t run);
// Forgets the run's copy, as its archive goes. Throws Error.
void DropCatalogueCopy(SettingsStore& store, std::int64_t run);

} // namespace history
} // namespace vesko
