#include "core/ui_services.h"
#include "export/archive_verification.h"
#include "export/export_messages.h"
#include "export/export_run.h"
#include "export/temp_marker.h"
#include "foldertree/copy_changed_files.h"
#include "format/archiver_command_lines.h"
#include "format/volume_names.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/process.h"

#include <exception>
#include <set>
#include <string>
#include <vector>

namespace vesko {

namespace msg = export_messages;

namespace {

// Archives are readable by their owner alone, whatever the person's umask: they hold
// copies of private files.
constexpr mode_t kPrivateFiles = 077;

// What an archiver that fails or is stopped leaves in the archive folder: its work file
// ARJTEMP.$nn and the volumes written so far. Those that were not there when it started are
// removed; a file that was there before is never touched.
class ArchiverLeftovers {
public:
    ArchiverLeftovers(const std::string& folder, const std::string& archiveBase)
    {
        for (int n = 0; n < kVolumeCount; ++n) {
            candidates_.push_back(VolumePath(folder + "ARJTEMP.$00", n));
            candidates_.push_back(VolumePath(archiveBase + ".arj", n));
        }
        for (const std::string& path : candidates_)
            if (fs_.FileExists(path))
                before_.insert(path);
    }
    // Answers the ones that could not be removed, for the failure box.
    std::string Remove() const
    {
        std::string failures;
        for (const std::string& path : candidates_) {
            if (before_.count(path) != 0 || !fs_.FileExists(path))
                continue;
            try {
                fs_.DeleteFile(path);
            } catch (const Error& e) {
                failures += CR + std::string(e.what());
            }
        }
        return failures;
    }

private:
    FileSystem fs_;
    std::vector<std::string> candidates_;
    std::set<std::string> before_;
};

ArchiveResult Fail(UiServices& ui, RunReport& report, RunOutcome outcome, const std::string& why,
    const ArchiverLeftovers& leftovers)
{
    report.volumes.clear();
    report.archived.clear();
    report.message = std::string(msg::kArchiveFailedText) + CR + CR + why + leftovers.Remove();
    ui.Beep();
    ui.MsgBox(report.message, msg::kArchiveFailedTitle, Icon::Exclamation);
    return { outcome, {} };
}

} // namespace

ArchiveResult ArchiveTempTree(
    UiServices& ui, const ExportRequest& request, const CopyLog& log, RunReport& report)
{
    try {
        // The archiver adds ".arj" only to a name without a dot: it is given the very name
        // that the run found free, so that an Export Name such as week.12 can neither miss
        // that check nor have an earlier archive silently updated.
        const std::string archiveBase = request.archiveFolder + request.archiveName;
        const std::string archiveName = archiveBase + ".arj";
        report.archive = archiveName;
        const std::vector<std::string> argv = ArchiverAddCommand(
            request.archiverFolder + "arj", archiveName, request.tempFolder, request.spanVolumes);
        ui.ProgressStep("Archiving: " + JoinCommandLine(argv));

        const ArchiverLeftovers leftovers(request.archiveFolder, archiveBase);
        ProcessOptions options;
        options.umask = kPrivateFiles;
        // Waits for the archiver: only its exit status tells whether the archive was
        // written, and the cleanup must not take the tree away while it still reads it.
        const ProcessOutcome outcome = RunProcess(argv, ui, options);
        if (outcome.termSignal == 0 && !outcome.cancelled)
            report.archiverStatus = outcome.exitStatus;
        if (!outcome.Succeeded())
            return Fail(ui, report, outcome.cancelled ? RunOutcome::Cancelled : RunOutcome::Failed,
                outcome.Describe(), leftovers);

        const std::string failure
            = VerifyArchive(argv.front(), archiveName, log.copied, ui, report);
        if (!failure.empty())
            return Fail(ui, report, RunOutcome::Failed, failure, leftovers);

        return { RunOutcome::Success, outcome.startedAt };
    } catch (const std::exception& e) {
        report.message = e.what();
        ShowTrap(ui, msg::kArchiveTrapTitle, e.what());
        return { RunOutcome::Failed, {} };
    }
}

} // namespace vesko
