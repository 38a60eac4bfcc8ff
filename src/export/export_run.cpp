#include "export/export_run.h"

#include "care/care_settings.h"
#include "care/retention.h"
#include "care/space_check.h"
#include "core/counts_line.h"
#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "export/archiver_check.h"
#include "export/export_messages.h"
#include "export/path_checks.h"
#include "export/temp_marker.h"
#include "foldertree/copy_plan.h"
#include "foldertree/prune_empty_folders.h"
#include "foldertree/remove_tree.h"
#include "foldertree/temp_tree.h"
#include "format/volume_names.h"
#include "history/run_recording.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"
#include "restore/export_manifest.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace vesko {

namespace msg = export_messages;

namespace {

// A created archive folder holds only the person's archives: nobody else may read them.
constexpr mode_t kPrivateFolder = 0700;

// The cleanup deletes the temporary folder with everything in it.
bool ArchiveFolderInTemp(const std::string& archiveDir, const std::string& temp)
{
    return foldertree::SameOrHolds(temp, archiveDir);
}

// Any volume of an archive of that name: the archiver would update an old set instead of
// writing a new one.
std::vector<std::string> ExistingArchive(const std::string& archiveBase)
{
    const FileSystem fs;
    std::vector<std::string> found;
    for (int n = 0; n < kVolumeCount; ++n) {
        const std::string path = VolumePath(archiveBase + ".arj", n);
        if (fs.FileExists(path) || fs.FolderExists(path))
            found.push_back(path);
    }
    return found;
}

// A box that ends the run, its text kept for the history.
RunOutcome Close(UiServices& ui, RunReport& report, RunOutcome outcome, const std::string& text,
    const std::string& title, const std::string& details = {})
{
    report.message = text;
    ui.Beep();
    ui.MsgBox(text, title, Icon::Exclamation, Buttons::Ok, details);
    return outcome;
}

// Removes the run's tree, its marker last; once it is gone its record goes too.
void RemoveTree(
    UiServices& ui, SettingsStore& store, const std::string& tempFolder, std::int64_t run)
{
    // Files first: a folder goes only when empty. Each reports its own failures.
    RemoveTreeFiles(ui, tempFolder);
    RemoveTreeFolders(ui, tempFolder);
    if (!FileSystem().FolderExists(tempFolder))
        export_steps::ForgetTree(store, run);
}

// Offered after a verified archive, complete or not.
void OfferCleanup(
    UiServices& ui, SettingsStore& store, const std::string& tempFolder, std::int64_t run)
{
    ui.Beep();
    if (ui.MsgBox(msg::kCleanupQuestion, msg::kCleanupTitle, Icon::Question, Buttons::YesNo)
        == Answer::No) {
        // Kept at the person's word: the tree is theirs now, and the next export refuses
        // to start until it is gone, as the box says.
        export_steps::RemoveTempMarker(tempFolder, run, store);
        ui.Beep();
        ui.MsgBox(msg::CleanupCancelledText(), msg::kCleanupCancelledTitle, Icon::Information);
        return;
    }
    // The run says the cleanup is completed whatever the removal met.
    RemoveTree(ui, store, tempFolder, run);
    ui.Beep();
    ui.MsgBox(msg::kCleanupDoneText, "", Icon::None);
}

// One export from its checks to the offer to clean up, a step a method.
class ExportRun {
public:
    ExportRun(const ExportRequest& request, UiServices& ui, SettingsStore& store,
        RunIndicators& indicators, RunReport& report)
        : request_(request)
        , ui_(ui)
        , store_(store)
        , indicators_(indicators)
        , report_(report)
    {
    }

    RunOutcome Run()
    {
        if (const std::optional<RunOutcome> refused = Refusal())
            return *refused;
        if (const std::optional<RunOutcome> stopped = MakeTempFolder())
            return *stopped;
        if (const std::optional<RunOutcome> stopped = CopyPhase())
            return *stopped;
        return ArchiveAndReport();
    }

private:
    // The checks that refuse the run before anything is written.
    std::optional<RunOutcome> Refusal()
    {
        const FileSystem fs;
        const std::string& temp = request_.tempFolder;
        const std::string& archiveDir = request_.archiveFolder;
        if (!fs.DriveExists(paths::DriveOf(temp)))
            return Close(ui_, report_, RunOutcome::Refused, msg::kDestinationDriveText,
                msg::kInvalidDriveTitle);
        if (!fs.DriveExists(paths::DriveOf(archiveDir)))
            return Close(
                ui_, report_, RunOutcome::Refused, msg::kArchiveDriveText, msg::kInvalidDriveTitle);
        if (ArchiveFolderInTemp(archiveDir, temp))
            return Close(ui_, report_, RunOutcome::Refused,
                msg::InvalidArchiveFolderText(archiveDir, temp), msg::kInvalidArchiveFolderTitle);
        if (const auto refused = export_steps::RefusedPaths(request_))
            return Close(ui_, report_, RunOutcome::Refused, refused->text, refused->title);
        if (const auto refused = RefuseMissingArchiver(ui_, report_, request_.archiverFolder))
            return refused;
        const std::vector<std::string> existing
            = ExistingArchive(archiveDir + request_.archiveName);
        if (!existing.empty())
            return Close(ui_, report_, RunOutcome::Refused, msg::ArchiveExistsText(existing),
                msg::kArchiveExistsTitle);
        return std::nullopt;
    }

    // A tree an earlier run of this store provably left (failed or killed) goes first, under
    // the progress window, with the work files its archiver left. Then every export builds
    // its tree from nothing in a folder of its own, made in one step that fails when
    // anything is there: two runs can never share a tree, and the cleanup removes only what
    // this run built.
    std::optional<RunOutcome> MakeTempFolder()
    {
        const FileSystem fs;
        const std::string& temp = request_.tempFolder;
        const std::optional<std::int64_t> leftBy = fs.FolderExists(temp)
            ? export_steps::LeftByEndedRun(request_, store_, report_.id)
            : std::nullopt;
        leftBehind_ = leftBy.has_value();
        if (leftBehind_) {
            indicators_.Busy();
            indicators_.BeginProgress("Export");
            ui_.ProgressStep(msg::RemovingLeftTreeStep(temp));
            // Each tells what stopped it; what stays is refused below, for the person to see.
            RemoveTree(ui_, store_, temp, *leftBy);
        }
        bool made = false;
        try {
            RemoveEndedRunsWorkFiles(store_, report_.id);
            made = fs.MakeFreshDir(temp, kPrivateFolder);
            if (made)
                marker_ = export_steps::TempMarker::Write(temp, report_.id, store_);
        } catch (const std::exception& e) {
            // Without its marker the empty folder would stop every later run.
            if (made)
                ::rmdir(temp.c_str());
            indicators_.Finish();
            report_.message = e.what();
            ShowTrap(ui_, msg::kCopyTrapTitle, e.what());
            ui_.MsgBox(msg::kCopyErrorText, msg::kExportErrorTitle, Icon::Exclamation);
            return RunOutcome::Failed;
        }
        if (!made) {
            indicators_.Finish();
            return Close(ui_, report_, RunOutcome::Refused, msg::TempExistsText(temp),
                msg::kTempExistsTitle);
        }
        return std::nullopt;
    }

    std::optional<RunOutcome> CopyPhase()
    {
        indicators_.Busy();
        if (!leftBehind_)
            indicators_.BeginProgress("Export");
        ui_.ProgressStep("Copying changed files");
        copyBegan_ = std::chrono::system_clock::now();
        const std::optional<CopyEnd> copied = PlanAndCopy();
        if (!copied)
            return RunOutcome::Refused;
        const CopyEnd end = *copied;
        report_.leftOut = log_.leftOut;
        report_.notTaken = log_.notTaken;
        report_.notTaken.insert(
            report_.notTaken.end(), log_.skippedFolders.begin(), log_.skippedFolders.end());
        report_.files = log_.counters.copied;
        report_.bytes = log_.counters.bytes;
        if (end == CopyEnd::Cancelled)
            return Cancelled();
        // A list without a source backs nothing up: not a success.
        if (end == CopyEnd::Failed || request_.sources.empty()) {
            indicators_.Finish();
            if (request_.sources.empty())
                RemoveOwnEmptyTree();
            report_.message = msg::kCopyErrorText;
            ui_.MsgBox(msg::kCopyErrorText, msg::kExportErrorTitle, Icon::Exclamation);
            return RunOutcome::Failed;
        }
        if (!log_.copied.empty())
            return std::nullopt;
        indicators_.Finish();
        // The tree holds no file: it goes, whatever the outcome.
        RemoveOwnEmptyTree();
        if (!log_.leftOut.empty())
            return Close(ui_, report_, RunOutcome::Failed, msg::NothingCopiedText(log_.leftOut),
                msg::kExportErrorTitle, msg::LeftOutLines(log_.leftOut, log_.leftOut.size()));
        // The archiver, given no file, writes no archive and exits with 1.
        ui_.Beep();
        ui_.MsgBox(msg::NothingText(request_.cutOffDay), msg::kNothingTitle, Icon::Information);
        return RunOutcome::Success;
    }

    // One walk of all the sources plans the copy; the room it needs is checked before a file
    // is copied, then the plan is copied. Nothing when the room refused the run.
    std::optional<CopyEnd> PlanAndCopy()
    {
        CopyPlan plan;
        for (const std::string& source : request_.sources)
            if (const CopyEnd end = PlanSource(ui_, request_, source, log_, plan);
                end != CopyEnd::Done)
                return end;
        if (RefuseWithoutSpace(ui_, request_, plan, report_)) {
            indicators_.Finish();
            RemoveOwnEmptyTree();
            return std::nullopt;
        }
        const CopyEnd end = CopyPlannedFiles(ui_, plan, log_);
        if (end == CopyEnd::Done)
            PruneEmptyFolders(ui_, request_.tempFolder);
        return end;
    }

    // Stopped by the person during the copy: what this run copied goes (the tree is its
    // own), and no archiver is started.
    RunOutcome Cancelled()
    {
        RemoveTree(ui_, store_, request_.tempFolder, report_.id);
        indicators_.Finish();
        report_.message = msg::kCopyCancelledText;
        ui_.Beep();
        ui_.MsgBox(msg::kCopyCancelledText, msg::kExportCancelledTitle, Icon::Information);
        return RunOutcome::Cancelled;
    }

    // Made by this run, and empty but for the marker.
    void RemoveOwnEmptyTree()
    {
        export_steps::RemoveTempMarker(request_.tempFolder, report_.id, store_);
        RemoveTreeFolders(ui_, request_.tempFolder);
    }

    RunOutcome ArchiveAndReport()
    {
        const FileSystem fs;
        try {
            // Another export may make it at this very moment: only what is not a folder in
            // its way fails.
            if (!fs.MakeFreshDir(request_.archiveFolder, kPrivateFolder)
                && !fs.FolderExists(request_.archiveFolder))
                fs.MakeDir(request_.archiveFolder, kPrivateFolder);
        } catch (const std::exception& e) {
            indicators_.Finish();
            report_.message = e.what();
            ShowTrap(ui_, msg::kCopyTrapTitle, e.what());
            return RunOutcome::Failed;
        }
        // So that the archive alone can be restored from, on another computer.
        WriteExportManifest(request_, log_, copyBegan_);
        const ArchiveResult archived = ArchiveTempTree(ui_, request_, log_, report_, store_);
        indicators_.Finish();
        if (archived.outcome != RunOutcome::Success) {
            ui_.MsgBox(msg::kArchiveErrorText, msg::kExportErrorTitle, Icon::Exclamation);
            return archived.outcome;
        }
        if (!log_.leftOut.empty()) {
            // No date: the next export since the last one covers the same days again.
            Close(ui_, report_, RunOutcome::Incomplete,
                msg::IncompleteText(log_.leftOut) + msg::NotTakenLine(report_.notTaken),
                msg::kIncompleteTitle, msg::IncompleteDetails(log_.leftOut));
            OfferCleanup(ui_, store_, request_.tempFolder, report_.id);
            return RunOutcome::Incomplete;
        }
        try {
            // LastExport first: should the second write fail, the older copy start only
            // makes the next "since last" cover more.
            RecordLastRun(store_, RunKind::Export, archived.archiverStarted);
            SaveSetting(store_, kLastExportCopyStartKey, StoredDateText(copyBegan_));
        } catch (const std::exception& e) {
            // The archive is sound, but the next "since last" would not know it: no cleanup
            // is offered, and the tree stays for a later run to remove.
            report_.message = e.what();
            ShowTrap(ui_, msg::kArchiveTrapTitle, e.what());
            ui_.MsgBox(msg::kArchiveErrorText, msg::kExportErrorTitle, Icon::Exclamation);
            return RunOutcome::Failed;
        }
        RemoveOldChainsAfterSuccess();
        ui_.Beep();
        ui_.MsgBox(std::string(msg::kSuccessText) + CR + CR
                + CountsLine(report_.files, report_.bytes, "archived in", report_.archive)
                + msg::NotTakenLine(report_.notTaken),
            msg::kSuccessTitle, Icon::Information);
        OfferCleanup(ui_, store_, request_.tempFolder, report_.id);
        return RunOutcome::Success;
    }

    // Only a verified, complete archive lets older chains go. Whatever stops the removal is
    // said and leaves the run a success: the new archive is written.
    void RemoveOldChainsAfterSuccess()
    {
        try {
            const int keep = request_.keepChains.value_or(LoadCareSettings(store_).keepChains);
            RemoveOldChains(store_, keep, report_.full, std::cerr);
        } catch (const std::exception& e) {
            std::cerr << "Old archives not removed: " << e.what() << "\n";
        }
    }

    const ExportRequest& request_;
    UiServices& ui_;
    SettingsStore& store_;
    RunIndicators& indicators_;
    RunReport& report_;
    bool leftBehind_ = false;
    std::unique_ptr<export_steps::TempMarker> marker_; // held to the end of the run
    TimePoint copyBegan_;
    CopyLog log_;
};

} // namespace

RunReport RunExport(const ExportRequest& request, UiServices& ui, SettingsStore& store)
{
    RunReport report(RunKind::Export);
    report.cutOffDay = request.cutOffDay;
    report.full = request.full;
    RunAndRecord(ui, store, report, msg::kExportErrorTitle, [&](RunIndicators& indicators) {
        return ExportRun(request, ui, store, indicators, report).Run();
    });
    return report;
}

} // namespace vesko
