#pragma once

#include "platform/run_report.h"

#include <string>

namespace vesko {

struct Host;

// The Export button. Success when the archive was written (the archiver ended with 0 and
// the date was recorded) or when nothing was modified after the cut-off and the person was
// told so; the window ignores the outcome, the command line turns it into the exit status.
// Every run is recorded in the history.
RunOutcome cmdExport_Click(Host& host);

void CopyBackupFiles(Host& host, const std::string& strSource, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination);
void ArchiveCopiedFiles(Host& host, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination);

} // namespace vesko
