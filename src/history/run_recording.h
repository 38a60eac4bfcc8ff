#pragma once

#include "core/run_report.h"

#include <functional>

namespace vesko {

class RunIndicators;
class SettingsStore;
class UiServices;

// What every export and import does around its own work (whether anything is set up is the
// caller's to judge: the window's fields or the store): takes the run lock (another run gets
// "Export Running", or "Import Running" for an import), records the run in the history from
// its start to its end, and catches a failure with the trap box titled trapTitle. run does the
// work and answers its outcome, filling report as it goes.
RunOutcome RunAndRecord(UiServices& ui, SettingsStore& store, RunReport& report,
    const char* trapTitle, const std::function<RunOutcome(RunIndicators&)>& run);

} // namespace vesko
