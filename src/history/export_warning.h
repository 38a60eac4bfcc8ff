#pragma once

#include "core/run_report.h"

#include <chrono>
#include <string>

namespace vesko {

class SettingsStore;

namespace history {

// How long without a successful export before the window says so.
inline constexpr auto kQuietExportsLimit = std::chrono::hours(24 * 7);

// A run's start as a line names it: "Tue 8 Dec 02:30" (local time, English words).
std::string RunStartText(TimePoint when);

// One sentence about an export that did not succeed: "The export of Tue 8 Dec 02:30 failed:
// Archive drive doesn't exist!" (its message's first line); "" for a successful one.
std::string UnsuccessfulExportText(const RunReport& report);

// What the person must hear about the recorded exports at this moment, in one sentence:
// the newest finished export did not succeed, or none has for more than seven days. ""
// when all is well, when no export has been recorded, and when the history cannot be read.
std::string ExportWarning(SettingsStore& store, TimePoint now);

} // namespace history
} // namespace vesko
