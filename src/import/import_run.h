#pragma once

#include "platform/run_report.h"

namespace vesko {

struct Host;

// The Import button. The archive is listed and refused when an entry could land outside the
// import folder; it is extracted into a staging folder there and moved into place only when
// the archiver ended with 0 and every listed file came out whole; files in the folder newer
// than the archive's copies are kept unless the person says otherwise. Success when all is
// in place and the date was recorded; on any other ending the folder is as it was. The
// window ignores the outcome, the command line turns it into the exit status. Every run is
// recorded in the history.
RunOutcome cmdImport_Click(Host& host);
// The same, filling in report as it goes (the command line names the newer files kept).
RunOutcome cmdImport_Click(Host& host, RunReport& report);

} // namespace vesko
