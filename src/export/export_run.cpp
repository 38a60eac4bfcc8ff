#include "export/export_run.h"

#include "export/export_messages.h"
#include "export/temp_marker.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_tree.h"
#include "foldertree/temp_tree.h"
#include "format/volume_names.h"
#include "history/recorded_run.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/run_indicators.h"
#include "platform/ui_services.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <unistd.h>

namespace vesko {

namespace msg = export_messages;
using Field = MainForm::Field;

namespace {

// A created archive folder holds only the person's archives: nobody else may read them.
constexpr mode_t kPrivateFolder = 0700;

// The path with its links resolved as far as it exists, the rest appended as written: the
// temporary folder does not exist yet when the archive folder is compared with it.
std::string ResolvedPath(const std::string& path)
{
    std::string head = foldertree::NormalisedPath(path), tail;
    while (!head.empty()) {
        char resolved[PATH_MAX];
        if (::realpath(head.c_str(), resolved) != nullptr)
            return foldertree::NormalisedPath(resolved + tail);
        const auto cut = head.find_last_of(paths::kSeparator);
        if (cut == std::string::npos)
            break;
        tail = head.substr(cut) + tail;
        head = head.substr(0, cut);
    }
    return foldertree::NormalisedPath(path);
}

// The cleanup deletes the temporary folder with everything in it.
bool ArchiveFolderInTemp(const std::string& archiveDir, const std::string& temp)
{
    return foldertree::TempTree(temp).Holds(archiveDir)
        || foldertree::TempTree(ResolvedPath(temp)).Holds(ResolvedPath(archiveDir));
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

// Offered after a verified archive, complete or not.
void OfferCleanup(Host& host, const std::string& strDestination)
{
    UiServices& ui = host.ui;
    ui.Beep();
    if (ui.MsgBox(msg::kCleanupQuestion, msg::kCleanupTitle, Icon::Question, Buttons::YesNo)
        == Answer::No) {
        // Kept at the person's word: the tree is theirs now, and the next export refuses
        // to start until it is gone, as the box says.
        export_steps::RemoveTempMarker(strDestination);
        ui.Beep();
        ui.MsgBox(msg::CleanupCancelledText(), msg::kCleanupCancelledTitle, Icon::Information);
        return;
    }
    // Files first: a folder goes only when empty. Each reports its own failures, and the
    // run says the cleanup is completed whatever they met.
    RemoveFiles(host, strDestination);
    RemoveFolders(host, strDestination);
    ui.Beep();
    ui.MsgBox(msg::kCleanupDoneText, "", Icon::None);
}

RunOutcome RunExport(Host& host, RunIndicators& indicators, RunReport& report)
{
    MainForm& form = host.form;
    UiServices& ui = host.ui;
    const FileSystem fs;

    CheckPathEndings(host);
    const std::string strDestination = paths::ExpandHome(form.Text(Field::txtDestinDir));
    const std::string strArchiveDir = paths::ExpandHome(form.Text(Field::txtArcFolder));
    const std::string strArchiveFile = form.Text(Field::txtExportArj);
    report.cutOffDay = form.DateText();
    // With no source to copy, nothing else writes the status field: "Status" or the
    // previous run's "OK" must not stand for this run.
    form.SetText(Field::ExportStatus, "");

    // Refused before anything is written.
    if (!fs.DriveExists(paths::DriveOf(strDestination)))
        return Close(
            ui, report, RunOutcome::Refused, msg::kDestinationDriveText, msg::kInvalidDriveTitle);
    if (!fs.DriveExists(paths::DriveOf(strArchiveDir)))
        return Close(
            ui, report, RunOutcome::Refused, msg::kArchiveDriveText, msg::kInvalidDriveTitle);
    if (ArchiveFolderInTemp(strArchiveDir, strDestination))
        return Close(ui, report, RunOutcome::Refused,
            msg::InvalidArchiveFolderText(strArchiveDir, strDestination),
            msg::kInvalidArchiveFolderTitle);
    const std::vector<std::string> existing = ExistingArchive(strArchiveDir + strArchiveFile);
    if (!existing.empty())
        return Close(ui, report, RunOutcome::Refused, msg::ArchiveExistsText(existing),
            msg::kArchiveExistsTitle);
    // A tree whose marker no run holds was left by an export that failed or was killed. It
    // goes first, under the progress window.
    const bool leftBehind
        = fs.FolderExists(strDestination) && export_steps::LeftByEndedRun(strDestination);
    if (leftBehind) {
        indicators.Busy();
        indicators.BeginProgress("Export");
        ui.ProgressStep(msg::RemovingLeftTreeStep(strDestination));
        // Each tells what stopped it; what stays is refused below, for the person to see.
        RemoveFiles(host, strDestination);
        RemoveFolders(host, strDestination);
    }
    // Every export builds its tree from nothing in a folder of its own, made in one step
    // that fails when anything is there: two runs can never share a tree, and the cleanup
    // removes only what this run built.
    bool made = false;
    std::unique_ptr<export_steps::TempMarker> marker; // held to the end of the run
    try {
        made = fs.MakeFreshDir(strDestination, kPrivateFolder);
        if (made)
            marker = export_steps::TempMarker::Write(strDestination);
    } catch (const std::exception& e) {
        // Without its marker the empty folder would stop every later run.
        if (made)
            ::rmdir(strDestination.c_str());
        indicators.Finish();
        report.message = e.what();
        ShowTrap(ui, msg::kCopyTrapTitle, e.what());
        return RunOutcome::Failed;
    }
    if (!made) {
        indicators.Finish();
        return Close(ui, report, RunOutcome::Refused, msg::TempExistsText(strDestination),
            msg::kTempExistsTitle);
    }

    indicators.Busy();
    ExportCopyCounters() = {};
    if (!leftBehind)
        indicators.BeginProgress("Export");
    ui.ProgressStep("Copying changed files");
    const TimePoint copyBegan = std::chrono::system_clock::now();

    CopyLog log;
    bool copied = true;
    int walked = 0;
    const int count = form.SourceCount();
    for (int i = 0; i < count && copied; ++i) {
        const std::string strSource = paths::ExpandHome(form.SourceItem(i));
        if (!strSource.empty()) {
            copied = CopyBackupFiles(host, strSource, log);
            ++walked;
        }
    }
    report.leftOut = log.leftOut;
    report.files = ExportCopyCounters().copied;
    report.bytes = ExportCopyCounters().bytes;
    // A list without a source backs nothing up: not a success.
    if (!copied || walked == 0) {
        indicators.Finish();
        if (walked == 0) {
            // Made by this run, and empty but for the marker.
            export_steps::RemoveTempMarker(strDestination);
            RemoveFolders(host, strDestination);
        }
        report.message = msg::kCopyErrorText;
        ui.MsgBox(msg::kCopyErrorText, msg::kExportErrorTitle, Icon::Exclamation);
        return RunOutcome::Failed;
    }

    if (log.copied.empty()) {
        indicators.Finish();
        // The tree holds no file: it goes, whatever the outcome.
        export_steps::RemoveTempMarker(strDestination);
        RemoveFolders(host, strDestination);
        if (!log.leftOut.empty())
            return Close(ui, report, RunOutcome::Failed, msg::NothingCopiedText(log.leftOut),
                msg::kExportErrorTitle, msg::LeftOutLines(log.leftOut, log.leftOut.size()));
        // The archiver, given no file, writes no archive and exits with 1.
        ui.Beep();
        ui.MsgBox(msg::NothingText(form.DateText()), msg::kNothingTitle, Icon::Information);
        return RunOutcome::Success;
    }

    if (!fs.FolderExists(strArchiveDir))
        fs.MakeDir(strArchiveDir, kPrivateFolder);
    const ArchiveResult archived
        = ArchiveCopiedFiles(host, strArchiveDir, strArchiveFile, strDestination, log, report);
    indicators.Finish();
    if (archived.outcome != RunOutcome::Success) {
        ui.MsgBox(msg::kArchiveErrorText, msg::kExportErrorTitle, Icon::Exclamation);
        return archived.outcome;
    }

    if (!log.leftOut.empty()) {
        // No date: the next export since the last one covers the same days again.
        Close(ui, report, RunOutcome::Incomplete, msg::IncompleteText(log.leftOut),
            msg::kIncompleteTitle, msg::IncompleteDetails(log.leftOut));
        OfferCleanup(host, strDestination);
        return RunOutcome::Incomplete;
    }
    // LastExport first: should the second write fail, the older copy start only makes the
    // next "since last" cover more.
    CreateDatFile(host, "Export", archived.archiverStarted);
    SaveRegistrySetting(host, kLastExportCopyStartKey, StoredDateText(copyBegan));
    form.SetText(Field::ExportStatus, "OK");
    ui.Beep();
    ui.MsgBox(msg::kSuccessText, msg::kSuccessTitle, Icon::Information);
    OfferCleanup(host, strDestination);
    return RunOutcome::Success;
}

} // namespace

RunOutcome cmdExport_Click(Host& host)
{
    RunReport report(RunKind::Export);
    return RecordedRun(host, report, msg::kExportErrorTitle,
        [&](RunIndicators& indicators) { return RunExport(host, indicators, report); });
}

} // namespace vesko
