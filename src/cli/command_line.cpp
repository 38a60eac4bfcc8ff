#include "cli/command_line.h"

#include "cli/cli_options.h"
#include "cli/cli_ui.h"
#include "cli/history_command.h"
#include "cli/name_pattern.h"
#include "cli/restore_command.h"
#include "export/export_run.h"
#include "import/import_run.h"
#include "platform/dates.h"
#include "settings/nothing_set_up.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace vesko {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kIncomplete = 3;

int ExitStatus(RunOutcome outcome)
{
    if (outcome == RunOutcome::Incomplete)
        return kIncomplete;
    return outcome == RunOutcome::Success ? kSuccess : kFailure;
}

int UsageError(const std::string& reason)
{
    std::cerr << "vesko-backup: " << reason << "\n" << cli::UsageText();
    return kUsage;
}

// The cut-off day as the date field holds it. "last" is the day on which the copy phase of
// the last successful export began, whole, so nothing modified during that day is missed;
// LastExport stands in for a store written before that instant was recorded. False when
// no export is recorded.
bool CutOffDay(SettingsStore& store, const std::string& since, std::string& day)
{
    if (since != "last") {
        day = since;
        return true;
    }
    TimePoint last;
    if (!ParseStoredDate(StoredSetting(store, kLastExportCopyStartKey), last)
        && !ParseStoredDate(StoredSetting(store, "LastExport"), last))
        return false;
    day = DateFieldText(last);
    return true;
}

int RunExportCommand(const cli::CliOptions& options, const Settings& settings, cli::CliUi& ui,
    SettingsStore& store, TimePoint start)
{
    std::string day = DateFieldText(start);
    if (options.since && !CutOffDay(store, *options.since, day))
        return UsageError("--since last: no export has been recorded yet");
    Settings forRun = settings;
    if (options.name) {
        std::string error;
        if (!cli::ExpandNamePattern(*options.name, start, forRun.exportName, error))
            return UsageError(error);
    }
    return ExitStatus(RunExport(MakeExportRequest(forRun, day), ui, store).outcome);
}

int RunImportCommand(
    const cli::CliOptions& options, const Settings& settings, cli::CliUi& ui, SettingsStore& store)
{
    const ImportRequest request
        = MakeImportRequest(settings, options.folder.value_or(settings.archiveFolder),
            options.name.value_or(settings.importName));
    const RunReport report = RunImport(request, ui, store);
    for (const LeftOutFile& kept : report.leftOut)
        std::cerr << "Kept newer file: " << kept.path << "\n";
    return ExitStatus(report.outcome);
}

int Run(const cli::CliOptions& options)
{
    SettingsStore store;
    // The run's one question: the export's cleanup, the import's replacing of newer files.
    const bool yes = options.command == cli::CliOptions::Command::Export ? !options.keepTemp
                                                                         : options.replaceNewer;
    cli::CliUi ui(std::cout, std::cerr, yes ? Answer::Yes : Answer::No);
    // The one moment also names the run.
    const TimePoint start = std::chrono::system_clock::now();
    Settings settings;
    try {
        settings = LoadSettings(store);
    } catch (const std::exception& e) {
        // A run on half-loaded settings does harm.
        ShowTrap(ui, "Refresh Labels Error", e.what());
        return kFailure;
    }
    // The archives alone are enough to restore from, on a computer with no settings.
    if (options.command == cli::CliOptions::Command::Restore)
        return cli::RunRestoreCommand(options, settings, ui, store, std::cerr);
    // Before --since last, which would blame the missing day instead.
    if (RefuseNothingSetUp(ui, store))
        return kFailure;
    if (options.command == cli::CliOptions::Command::Export)
        return RunExportCommand(options, settings, ui, store, start);
    return RunImportCommand(options, settings, ui, store);
}

} // namespace

int RunCommandLine(int argc, char** argv)
{
    if (argc <= 1)
        return -1;

    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::CliOptions options;
    std::string error;
    if (!cli::ParseCommandLine(args, options, error))
        return UsageError(error);

    switch (options.command) {
    case cli::CliOptions::Command::Window:
        return -1;
    case cli::CliOptions::Command::Help:
        std::cout << cli::UsageText();
        return kSuccess;
    case cli::CliOptions::Command::Version:
        std::cout << "vesko-backup " << VESKO_VERSION << "\n";
        return kSuccess;
    case cli::CliOptions::Command::History: {
        SettingsStore store;
        return cli::ShowHistory(store, options, std::cout, std::cerr);
    }
    case cli::CliOptions::Command::Export:
    case cli::CliOptions::Command::Import:
    case cli::CliOptions::Command::Restore:
        break;
    }

    try {
        return Run(options);
    } catch (const std::exception& e) {
        // Outside every procedure's own trap: the store could not be opened, say.
        std::cerr << "Error: " << e.what() << "\n";
        return kFailure;
    }
}

} // namespace vesko
