#include "export/export_run.h"

#include "export/backup_preparation.h"
#include "export/export_messages.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_tree.h"
#include "history/run_history.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/run_indicators.h"
#include "platform/run_lock.h"
#include "platform/settings_backing.h"
#include "platform/ui_services.h"
#include "settings/nothing_set_up.h"
#include "settings/settings_tab.h"

#include <chrono>
#include <exception>
#include <memory>
#include <string>

namespace vesko {

namespace msg = export_messages;
using Field = MainForm::Field;

namespace {

// Pruning has taken the empty folders away, but a pruning that failed may have left some:
// only a file counts.
bool HoldsAnyFile(const Folder& folder)
{
    if (!folder.Files().empty())
        return true;
    for (const Folder& sub : folder.SubFolders())
        if (HoldsAnyFile(sub))
            return true;
    return false;
}

bool RunExport(Host& host, RunIndicators& indicators)
{
    MainForm& form = host.form;
    UiServices& ui = host.ui;
    const FileSystem fs;

    CheckPathEndings(host);
    const std::string strDestination = paths::ExpandHome(form.Text(Field::txtDestinDir));
    const std::string strArchiveDir = paths::ExpandHome(form.Text(Field::txtArcFolder));
    const std::string strArchiveFile = form.Text(Field::txtExportArj);

    // Every export builds its tree from nothing, and the cleanup removes only what it built.
    if (fs.FolderExists(strDestination)) {
        ui.Beep();
        ui.MsgBox(msg::TempExistsText(strDestination), msg::kTempExistsTitle, Icon::Exclamation);
        return false;
    }

    indicators.Busy();
    // With no source to prepare, nothing else writes the status field: "Status" or the
    // previous run's "OK" would start the archiver over a folder that was never made.
    form.SetText(Field::ExportStatus, "");
    ExportCopyCounters() = {};
    indicators.BeginProgress("Export");
    ui.ProgressStep("Copying changed files");

    bool madeDestination = false;
    const int count = form.SourceCount();
    for (int i = 0; i < count; ++i) {
        const std::string strSource = paths::ExpandHome(form.SourceItem(i));
        if (!strSource.empty())
            madeDestination |= export_steps::PrepareSource(
                host, strSource, strArchiveDir, strArchiveFile, strDestination);
    }

    if (form.Text(Field::ExportStatus).empty()) {
        indicators.Finish();
        ui.MsgBox(msg::kCopyErrorText, msg::kExportErrorTitle, Icon::Exclamation);
        return false;
    }

    // The archiver, given no file, writes no archive and exits with 1.
    if (!HoldsAnyFile(fs.GetFolder(strDestination))) {
        indicators.Finish();
        ui.Beep();
        ui.MsgBox(msg::NothingText(form.DateText()), msg::kNothingTitle, Icon::Information);
        if (madeDestination)
            RemoveFolders(host, strDestination);
        return true;
    }

    ArchiveCopiedFiles(host, strArchiveDir, strArchiveFile, strDestination);
    if (form.Text(Field::ExportStatus).empty()) {
        indicators.Finish();
        ui.MsgBox(msg::kArchiveErrorText, msg::kExportErrorTitle, Icon::Exclamation);
        return false;
    }

    indicators.Finish();
    ui.Beep();
    ui.MsgBox(msg::kSuccessText, msg::kSuccessTitle, Icon::Information);

    ui.Beep();
    if (ui.MsgBox(msg::kCleanupQuestion, msg::kCleanupTitle, Icon::Question, Buttons::YesNo)
        == Answer::No) {
        ui.Beep();
        ui.MsgBox(msg::CleanupCancelledText(), msg::kCleanupCancelledTitle, Icon::Information);
        return true;
    }
    // Files first: a folder goes only when empty. Each reports its own failures, and the
    // run says the cleanup is completed whatever they met.
    RemoveFiles(host, strDestination);
    RemoveFolders(host, strDestination);
    ui.Beep();
    ui.MsgBox(msg::kCleanupDoneText, "", Icon::None);
    return true;
}

} // namespace

RunOutcome cmdExport_Click(Host& host)
{
    RunReport report(RunKind::Export);
    report.started = std::chrono::system_clock::now();
    std::int64_t recorded = 0;
    RunIndicators indicators(host.ui);
    try {
        // Before the lock and the history, which would create the store's folder.
        if (RefuseNothingSetUp(host))
            return RunOutcome::Refused;
        // Two runs at once would share one temporary tree and one archive name.
        const std::unique_ptr<RunLock> lock = RunLock::TryTake(host.store.Path());
        if (!lock) {
            host.ui.Beep();
            host.ui.MsgBox(kRunningText, kRunningTitle, Icon::Exclamation);
            return RunOutcome::Refused;
        }
        recorded = history::BeginRun(host.store, report);
        report.outcome = RunExport(host, indicators) ? RunOutcome::Success : RunOutcome::Failed;
    } catch (const std::exception& e) {
        indicators.Finish();
        ShowTrap(host.ui, msg::kExportErrorTitle, e.what());
        report.outcome = RunOutcome::Failed;
        report.message = e.what();
    }
    report.ended = std::chrono::system_clock::now();
    if (recorded != 0)
        history::EndRun(host.store, recorded, report);
    return report.outcome;
}

} // namespace vesko
