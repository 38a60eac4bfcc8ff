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
#include "storage/export_leftovers.h"

#include <exception>
#include <set>
#include <string>
#include <sys/random.h>
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
    // Recorded in the store for the run, so that a later run may remove them should this
    // one be killed.
    ArchiverLeftovers(const std::string& folder, const std::string& archiveBase,
        SettingsStore& store, std::int64_t run)
        : store_(store)
        , run_(run)
    {
        for (int n = 0; n < kVolumeCount; ++n) {
            candidates_.push_back(VolumePath(folder + "ARJTEMP.$00", n));
            candidates_.push_back(VolumePath(archiveBase + ".arj", n));
        }
        std::vector<std::string> fresh;
        for (const std::string& path : candidates_) {
            if (fs_.FileExists(path))
                before_.insert(path);
            else
                fresh.push_back(path);
        }
        history::RecordWorkFiles(store_, run_, fresh);
    }
    // The archiver has ended, and what it left is removed or kept on purpose.
    ~ArchiverLeftovers()
    {
        try {
            history::ForgetWorkFiles(store_, run_);
        } catch (const Error&) {
            // Recorded still: a later run removes only what is there of them.
        }
    }
    ArchiverLeftovers(const ArchiverLeftovers&) = delete;
    ArchiverLeftovers& operator=(const ArchiverLeftovers&) = delete;
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
    SettingsStore& store_;
    std::int64_t run_;
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

// A name of this run's own beside the archive's: the archiver writes there, and only a
// verified archive takes the name the person asked for. The archiver adds ".arj" only to a
// name without a dot; this one has its ".arj" already.
std::string WorkingBase(const std::string& archiveBase)
{
    unsigned char bytes[4] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        throw Error("Cannot draw a random name for the archive being written");
    std::string hex;
    for (unsigned char b : bytes)
        hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
    return archiveBase + ".vesko-partial-" + hex;
}

// Every volume the archiver wrote under the working name moved to the archive's own, never
// over a file: a name taken meanwhile (another export to this folder) fails, naming it, and
// whatever was moved goes back, so that the verified archive stays whole under its working
// name. Answers the failure; empty when every volume was moved.
std::string MoveToFinalNames(const std::string& archiveBase, RunReport& report)
{
    const FileSystem fs;
    std::vector<std::string> finals;
    for (std::size_t n = 0; n < report.volumes.size(); ++n)
        finals.push_back(VolumePath(archiveBase + ".arj", static_cast<int>(n)));
    for (std::size_t n = 0; n < finals.size(); ++n) {
        try {
            fs.MoveNoReplace(report.volumes[n].path, finals[n]);
        } catch (const Error& e) {
            for (std::size_t back = 0; back < n; ++back)
                fs.MoveNoReplace(finals[back], report.volumes[back].path);
            return "The archive's name was taken while it was written: " + std::string(e.what());
        }
    }
    for (std::size_t n = 0; n < finals.size(); ++n)
        report.volumes[n].path = finals[n];
    report.archive = finals.front();
    return {};
}

} // namespace

void RemoveEndedRunsWorkFiles(SettingsStore& store, std::int64_t current)
{
    const FileSystem fs;
    for (const std::string& path : history::EndedRunsWorkFiles(store, current))
        if (fs.FileExists(path))
            fs.DeleteFile(path);
    history::ForgetWorkFiles(store, 0, current);
}

ArchiveResult ArchiveTempTree(UiServices& ui, const ExportRequest& request, const CopyLog& log,
    RunReport& report, SettingsStore& store)
{
    try {
        // The name found free at the start is checked again when the archive takes it.
        const std::string archiveBase = request.archiveFolder + request.archiveName;
        const std::string workingBase = WorkingBase(archiveBase);
        const std::string archiveName = workingBase + ".arj";
        report.archive = archiveName;
        const std::vector<std::string> argv = ArchiverAddCommand(
            request.archiverFolder + "arj", archiveName, request.tempFolder, request.spanVolumes);
        ui.ProgressStep("Archiving: " + JoinCommandLine(argv));

        const ArchiverLeftovers leftovers(request.archiveFolder, workingBase, store, report.id);
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
            = VerifyArchive(argv.front(), archiveName, log.copied, ui, report, store);
        if (!failure.empty())
            return Fail(ui, report, RunOutcome::Failed, failure, leftovers);
        const std::string taken = MoveToFinalNames(archiveBase, report);
        if (!taken.empty()) {
            report.archived.clear();
            report.message = msg::NameTakenText(report.archive, taken);
            ui.Beep();
            ui.MsgBox(report.message, msg::kArchiveFailedTitle, Icon::Exclamation);
            return { RunOutcome::Failed, {} };
        }
        return { RunOutcome::Success, outcome.startedAt };
    } catch (const std::exception& e) {
        report.message = e.what();
        ShowTrap(ui, msg::kArchiveTrapTitle, e.what());
        return { RunOutcome::Failed, {} };
    }
}

} // namespace vesko
