#pragma once

#include "core/run_report.h"
#include "platform/dates.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

namespace history {

// An archive the history knows as this program's own: written and verified by a recorded
// export of this store (success or incomplete), with the volumes and sizes it recorded.
struct KnownArchive {
    std::int64_t run = 0;
    TimePoint started;
    RunOutcome outcome = RunOutcome::Success;
    bool full = false;
    std::string archive; // its first volume
    std::vector<ArchiveVolume> volumes;
    bool removed = false; // its volumes were removed by the retention
    // A successful full export starts a chain; an incomplete one left files out that an
    // older archive may hold, so it cannot.
    bool StartsChain() const { return full && outcome == RunOutcome::Success; }
};

// Every known archive, removed ones included, oldest first. Throws Error.
std::vector<KnownArchive> KnownArchives(SettingsStore& store);

// The archives cut into chains, oldest first: each chain a full export with the exports after
// it up to the next full one. Archives older than the first full export make a chain of
// their own.
std::vector<std::vector<KnownArchive>> Chains(const std::vector<KnownArchive>& archives);

// True when an export since the last one should back up everything instead: days is set and
// no successful full export began within that many days before now. Throws Error.
bool FullExportDue(SettingsStore& store, int days, TimePoint now);

// The runs whose archive the retention removed. Throws Error.
std::set<std::int64_t> RemovedRuns(SettingsStore& store);

// A run's kind as the history lists show it: an export says whether it was full or
// incremental ("full export", "incremental export"), an import is "import".
std::string KindText(const RunReport& report);
// Said after the path of an archive the retention removed.
inline constexpr const char* kRemovedMark = " (removed)";

} // namespace history
} // namespace vesko
