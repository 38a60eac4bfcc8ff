#pragma once

#include "platform/run_report.h"

namespace vesko {

struct Host;

// The Import button. Success when the archiver ended with 0 and the date was recorded; the
// window ignores the outcome, the command line turns it into the exit status. Every run is
// recorded in the history.
RunOutcome cmdImport_Click(Host& host);

} // namespace vesko
