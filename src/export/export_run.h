#pragma once

#include "platform/dates.h"
#include "platform/run_report.h"

#include <string>

namespace vesko {

struct Host;
struct CopyLog;

// The Export button. Success only when every file modified after the cut-off is in an
// archive that was written and verified (or nothing was modified and the person was told
// so); Incomplete when the archive was verified but something was left out of it. The
// window ignores the outcome, the command line turns it into the exit status. Every run is
// recorded in the history.
RunOutcome cmdExport_Click(Host& host);

// The copy phase of one source: a source whose drive or folder is missing is told and left
// out into log, then its files are copied. False when the walk ended in a failure that its
// box told (nothing after it can be trusted): the run fails.
bool CopyBackupFiles(Host& host, const std::string& strSource, CopyLog& log);

struct ArchiveResult {
    RunOutcome outcome = RunOutcome::Failed; // Success once the archive is verified
    TimePoint archiverStarted;
};
// Runs the archiver over the temporary tree and verifies what it wrote against log.copied,
// filling the report's archive, volumes, archiver status and archived files. Shows its own
// failure boxes; whatever a failed or cancelled archiver left in the archive folder is
// removed.
ArchiveResult ArchiveCopiedFiles(Host& host, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination, const CopyLog& log,
    RunReport& report);

} // namespace vesko
