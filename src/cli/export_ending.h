#pragma once

#include "core/run_report.h"

#include <ostream>

namespace vesko::cli {

// How an unattended export ends where somebody will see it: the line naming the archive and
// what it holds after a success; otherwise one desktop notice (critical when nothing was
// backed up), which replaces the last night's. Nothing here changes the run's outcome.
void TellExportEnding(const RunReport& report, std::ostream& err);

} // namespace vesko::cli
