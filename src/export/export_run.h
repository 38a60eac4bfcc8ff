#pragma once

#include "core/requests.h"
#include "core/run_report.h"
#include "platform/dates.h"

#include <string>

namespace vesko {

class SettingsStore;
class UiServices;
struct CopyLog;
struct CopyPlan;

// One whole export. Success only when every file changed after the cut-off is in an archive
// that was written and verified (or nothing changed and the person was told so); Incomplete
// when the archive was verified but something was left out of it. Every run is recorded in
// the history; the report says how it went.
RunReport RunExport(const ExportRequest& request, UiServices& ui, SettingsStore& store);

enum class CopyEnd;

// The walk of one source: a source whose drive or folder is missing is told and left out
// into log, then its changed files go into plan, and the program's own folders it steps
// around are told.
CopyEnd PlanSource(UiServices& ui, const ExportRequest& request, const std::string& source,
    CopyLog& log, CopyPlan& plan);
// The copy phase of one source: its plan, then the copy of it.
CopyEnd CopySource(
    UiServices& ui, const ExportRequest& request, const std::string& source, CopyLog& log);

struct ArchiveResult {
    RunOutcome outcome = RunOutcome::Failed; // Success once the archive is verified
    TimePoint archiverStarted;
};
// Runs the archiver over the temporary tree and verifies what it wrote against log.copied,
// filling the report's archive, volumes, archiver status and archived files. Shows its own
// failure boxes; whatever a failed or cancelled archiver left in the archive folder is
// removed.
// The archiver writes under a working name of the run's own, recorded in store with its work
// files while it runs; only the verified archive is moved to the name asked for, never over
// a file.
ArchiveResult ArchiveTempTree(UiServices& ui, const ExportRequest& request, const CopyLog& log,
    RunReport& report, SettingsStore& store);
// Deletes the archiver work files and partial volumes that runs of store other than current
// recorded and left (killed while the archiver ran), and nothing else. Throws Error.
void RemoveEndedRunsWorkFiles(SettingsStore& store, std::int64_t current);

} // namespace vesko
