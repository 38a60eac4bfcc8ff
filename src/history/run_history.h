#pragma once

#include "platform/run_report.h"

#include <cstdint>

namespace vesko {

class SettingsStore;

namespace history {

// The record of every export and import, kept in the settings file beside the settings.
// BeginRun writes a row marked unfinished and answers its id; EndRun completes that row
// with everything the report holds, in one transaction. Neither throws: a history that
// cannot be written must not turn a good backup into a failed one.
std::int64_t BeginRun(SettingsStore& store, const RunReport& report);
void EndRun(SettingsStore& store, std::int64_t id, const RunReport& report);

} // namespace history
} // namespace vesko
