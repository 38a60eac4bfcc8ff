#pragma once

#include "core/run_report.h"

#include <cstddef>
#include <cstdint>

namespace vesko {

class SettingsStore;

namespace history {

// The record of every export and import, kept in the settings file beside the settings
// (tables history_*, described in docs/settings-store.md).
// BeginRun writes a row marked unfinished and answers its id (0: not recorded); EndRun
// completes that row with everything the report holds, in one transaction. A run killed
// in between stays unfinished. Neither throws: a history that cannot be written must not
// turn a good backup into a failed one, so a failure is only told on standard error.
std::int64_t BeginRun(SettingsStore& store, const RunReport& report);
void EndRun(SettingsStore& store, std::int64_t id, const RunReport& report);
// A run that ended as it began (refused because another one holds the lock), begun and
// ended at once.
void RecordRun(SettingsStore& store, const RunReport& report);

// How many runs are kept; BeginRun drops the older ones with their file lists.
inline constexpr std::size_t kKeptRuns = 1000;

} // namespace history
} // namespace vesko
