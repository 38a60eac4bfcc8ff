#include "import/import_run.h"

#include "history/run_history.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/process.h"
#include "platform/run_indicators.h"
#include "platform/run_lock.h"
#include "platform/settings_backing.h"
#include "platform/ui_services.h"
#include "settings/nothing_set_up.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"

#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace vesko {

namespace {

using Field = MainForm::Field;

const char* const kArchiveExtension = ".arj";

// The archive's name as typed, completed with the extension unless it already holds it
// somewhere (so "old.arjx" stays as it is, and "WEEK12.ARJ" does not count).
std::string ArchiveFileName(const std::string& typed)
{
    if (typed.find(kArchiveExtension) == std::string::npos)
        return typed + kArchiveExtension;
    return typed;
}

// The archive's volumes as one pattern: the folder, the name cut before its extension, ".*".
std::string ArchivePattern(const std::string& folder, const std::string& fileName)
{
    return folder + fileName.substr(0, fileName.find(kArchiveExtension)) + ".*";
}

RunOutcome RunImport(Host& host, RunIndicators& indicators, RunReport& report)
{
    MainForm& form = host.form;
    UiServices& ui = host.ui;
    CheckPathEndings(host);
    const std::string typedName = form.Text(Field::txtImportName);
    const std::string program = paths::ExpandHome(form.Text(Field::txtArjFolder)) + "arj";

    if (typedName.empty()) {
        ui.Beep();
        ui.MsgBox("Please enter a file name.", "Entry Required", Icon::Information);
        return RunOutcome::Refused;
    }

    if (!paths::EndsWithSeparator(form.Text(Field::txtImportFolder)))
        form.SetText(Field::txtImportFolder, form.Text(Field::txtImportFolder) + paths::kSeparator);
    const std::string folder = paths::ExpandHome(form.Text(Field::txtImportFolder));

    const std::string fileName = ArchiveFileName(typedName);
    const std::string archivePath = folder + fileName;
    if (!FileSystem().FileExists(archivePath)) {
        ui.Beep();
        ui.MsgBox(std::string("The archive file can't be found. Check to make ")
                + "sure the file exists and the path is correct in the " + "settings section.",
            "Archive Not Found", Icon::Exclamation);
        return RunOutcome::Refused;
    }
    const std::string pattern = ArchivePattern(folder, fileName);
    report.archive = archivePath;

    indicators.Busy();
    // The archive itself, not the pattern: given its volumes one by one as separate
    // archives, the archiver cuts every file that spans two volumes short and still
    // exits with 0. With -v it follows .a01, .a02, ... on its own.
    const std::vector<std::string> argv = { program, "x", "-v", "-y", archivePath, folder };
    indicators.BeginProgress("Archive Import");
    ui.ProgressStep("Extracting " + pattern + ": " + JoinCommandLine(argv));
    const ProcessOutcome outcome = RunProcess(argv, ui);
    indicators.Finish();
    if (outcome.termSignal == 0 && !outcome.cancelled)
        report.archiverStatus = outcome.exitStatus;

    if (!outcome.Succeeded()) {
        ui.Beep();
        ui.MsgBox(std::string("Archive restore failed.") + CR + CR + outcome.Describe(),
            "Import Failed", Icon::Exclamation);
        return RunOutcome::Failed;
    }

    CreateDatFile(host, "Import", outcome.startedAt);
    ui.Beep();
    ui.MsgBox("Archive restored successfully.", "Archive Import", Icon::Information);
    return RunOutcome::Success;
}

} // namespace

RunOutcome cmdImport_Click(Host& host)
{
    RunReport report(RunKind::Import);
    report.started = std::chrono::system_clock::now();
    std::int64_t recorded = 0;
    RunIndicators indicators(host.ui);
    try {
        // Before the lock and the history, which would create the store's folder.
        if (RefuseNothingSetUp(host))
            return RunOutcome::Refused;
        // An import beside a running export would extract into its archive folder.
        const std::unique_ptr<RunLock> lock = RunLock::TryTake(host.store.Path());
        if (!lock) {
            host.ui.Beep();
            host.ui.MsgBox(kRunningText, kRunningTitle, Icon::Exclamation);
            return RunOutcome::Refused;
        }
        recorded = history::BeginRun(host.store, report);
        report.outcome = RunImport(host, indicators, report);
    } catch (const std::exception& e) {
        indicators.Finish();
        ShowTrap(host.ui, "Import Error", e.what());
        report.outcome = RunOutcome::Failed;
        report.message = e.what();
    }
    report.ended = std::chrono::system_clock::now();
    if (recorded != 0)
        history::EndRun(host.store, recorded, report);
    return report.outcome;
}

} // namespace vesko
