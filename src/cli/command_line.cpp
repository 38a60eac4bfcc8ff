#include "cli/command_line.h"

#include "care/care_settings.h"
#include "care/chains.h"
#include "cli/check_command.h"
#include "cli/cli_options.h"
#include "cli/cli_ui.h"
#include "cli/export_ending.h"
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
#include <optional>
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
// LastExport stands in for a store written before that instant was recorded. With no
// successful export recorded, everything: the first night of a schedule is a full one. With
// fullEvery days set, everything too when the last full export began that many days before now
// or longer ago.
std::string CutOffDay(SettingsStore& store, const std::string& since, int fullEvery, TimePoint now)
{
    if (since != "last")
        return since;
    const std::optional<TimePoint> last = LastExportCopyStart(store);
    if (!last) {
        std::cerr << "vesko-backup: --since last: no successful export recorded yet, so "
                     "everything is backed up\n";
        return kEverythingDay;
    }
    if (history::FullExportDue(store, fullEvery, now))
        return kEverythingDay;
    return DateFieldText(*last);
}

int RunExportCommand(const cli::CliOptions& options, const Settings& settings, cli::CliUi& ui,
    SettingsStore& store, TimePoint start)
{
    const CareSettings care = LoadCareSettings(store);
    const std::string day = options.since
        ? CutOffDay(store, *options.since, options.fullEvery.value_or(care.fullEveryDays), start)
        : DateFieldText(start);
    // The stored Export Name may hold the date fields too, as the window's export expands it.
    Settings forRun = settings;
    std::string error;
    if (!cli::ExpandNamePattern(
            options.name.value_or(settings.exportName), start, forRun.exportName, error))
        return UsageError(error);
    ExportRequest request = MakeExportRequest(forRun, day);
    request.keepChains = options.keepChains;
    const RunReport report = RunExport(request, ui, store);
    cli::TellExportEnding(report, std::cerr);
    return ExitStatus(report.outcome);
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
    const bool nothingSetUp = RefuseNothingSetUp(ui, store);
    if (options.command == cli::CliOptions::Command::Import)
        return nothingSetUp ? kFailure : RunImportCommand(options, settings, ui, store);
    const int status
        = nothingSetUp ? kFailure : RunExportCommand(options, settings, ui, store, start);
    if (!options.checkAfter)
        return status;
    // The worse of both: an archive that no longer holds fails a night that backed up well.
    const int check = cli::CheckOldestUnchecked(store, std::cout, std::cerr);
    return check != kSuccess && (status == kSuccess || status == kIncomplete) ? kFailure : status;
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
    case cli::CliOptions::Command::Check: {
        SettingsStore store;
        return cli::CheckArchives(store, options, std::cout, std::cerr);
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
