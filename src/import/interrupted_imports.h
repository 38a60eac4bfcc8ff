#pragma once

#include "core/run_report.h"

#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;

// Clears up after imports of this settings store that were killed: each staging folder
// recorded in the store and left behind is removed, and a placement it was in the middle of
// is first finished, or rolled back when it cannot be finished; a box says which. What
// could not be put back is kept under a visible name that the box gives. Answers one report
// for each placement finished or rolled back (Success or Failed, with the box's text), for
// the caller to record; a folder that held no placement is removed without a word.
std::vector<RunReport> RecoverInterruptedImports(UiServices& ui, SettingsStore& store);

} // namespace vesko
