#pragma once

#include "core/run_report.h"

#include <functional>

namespace vesko {

class RunIndicators;
class SettingsStore;
class UiServices;

// What every export and import does around its own work: refuses when nothing is set up,
// takes the run lock (another run gets "Export Running"), records the run in the history
// from its start to its end, and catches a failure with the trap box titled trapTitle.
// run does the work and answers its outcome, filling report as it goes. A run that can work
// without settings (a restore from the archives alone) passes settingsNeeded false.
RunOutcome RunAndRecord(UiServices& ui, SettingsStore& store, RunReport& report,
    const char* trapTitle, const std::function<RunOutcome(RunIndicators&)>& run,
    bool settingsNeeded = true);

} // namespace vesko
