#include "import/import_run.h"

#include "core/counts_line.h"
#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "format/archive_headers.h"
#include "format/archiver_command_lines.h"
#include "format/entry_safety.h"
#include "format/run_manifest_entry.h"
#include "history/run_recording.h"
#include "import/interrupted_imports.h"
#include "import/restore_placement.h"
#include "import/staging_folder.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"
#include "platform/process.h"
#include "settings/stored_settings.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"

#include <exception>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesko {

namespace {

const char* const kArchiveExtension = ".arj";
const char* const kImportTitle = "Archive Import";
const char* const kFailedTitle = "Import Failed";
const char* const kUnchanged = "Nothing in the import folder was changed.";

// The archive's name as typed, completed with the extension unless it already holds it
// somewhere (so "old.arjx" stays as it is, and "WEEK12.ARJ" does not count).
std::string ArchiveFileName(const std::string& typed)
{
    if (typed.find(kArchiveExtension) == std::string::npos)
        return typed + kArchiveExtension;
    return typed;
}

std::string Counted(std::uint64_t n, const std::string& what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

RunOutcome Refuse(
    UiServices& ui, RunReport& report, const std::string& text, const std::string& title, Icon icon)
{
    ui.Beep();
    ui.MsgBox(text, title, icon);
    report.message = text;
    return RunOutcome::Refused;
}

// The archiver did not succeed: cancelled by the person, or failed.
RunOutcome ArchiverStopped(UiServices& ui, RunReport& report, const ProcessOutcome& outcome)
{
    if (outcome.termSignal == 0 && !outcome.cancelled)
        report.archiverStatus = outcome.exitStatus;
    ui.Beep();
    if (outcome.cancelled) {
        report.message = std::string("Archive restore cancelled.") + CR + CR + kUnchanged;
        ui.MsgBox(report.message, "Import Cancelled", Icon::Information);
        return RunOutcome::Cancelled;
    }
    report.message = std::string("Archive restore failed.") + CR + CR + outcome.Describe() + CR + CR
        + kUnchanged;
    ui.MsgBox(report.message, kFailedTitle, Icon::Exclamation);
    return RunOutcome::Failed;
}

RunOutcome PlacementFailed(
    UiServices& ui, RunReport& report, const std::string& why, bool unchanged)
{
    report.message = std::string("Archive restore failed.") + CR + CR + why;
    if (unchanged)
        report.message += std::string(2, CR) + kUnchanged;
    ui.Beep();
    ui.MsgBox(report.message, kFailedTitle, Icon::Exclamation);
    return RunOutcome::Failed;
}

// The export's description of its run is for restores: the import brings back the
// person's files alone.
ArchiveContents WithoutRunManifest(ArchiveContents contents, const std::string& extracted)
{
    if (const ArchiveEntry* manifest = RunManifestEntry(contents)) {
        ::unlink((extracted + EntryPath(manifest->name)).c_str());
        contents.entries.erase(contents.entries.begin() + (manifest - contents.entries.data()));
    }
    return contents;
}

// Extracts into the staging folder, checks the result against the archive's entries and
// moves it into place; the staging folder goes away with every ending but a failed putting back.
RunOutcome Restore(UiServices& ui, SettingsStore& store, RunIndicators& indicators,
    RunReport& report, const std::string& program, const std::string& folder,
    const ArchiveContents& contents)
{
    StagingFolder staging(folder, store);
    const std::vector<std::string> argv = ArchiverExtractCommand(program, report.archive);
    ui.ProgressStep("Extracting: " + JoinCommandLine(argv));
    const ProcessOutcome outcome
        = RunProcess(argv, ui, { .umask = {}, .workingFolder = staging.Extracted() });
    indicators.Finish();
    if (!outcome.Succeeded())
        return ArchiverStopped(ui, report, outcome);
    report.archiverStatus = outcome.exitStatus;

    std::vector<PlacementStep> steps;
    try {
        steps = PlanPlacement(
            CheckExtracted(staging.Extracted(), WithoutRunManifest(contents, staging.Extracted())),
            folder);
    } catch (const Error& e) {
        return PlacementFailed(ui, report, e.what(), true);
    }

    std::vector<const PlacementStep*> newer;
    for (const PlacementStep& step : steps)
        if (step.newer)
            newer.push_back(&step);
    bool replaceNewer = false;
    if (!newer.empty()) {
        const std::string question = std::to_string(newer.size())
            + " files in the import folder are newer than the archive's copies (first: " + folder
            + newer.front()->path + "). Replace them with the older copies?";
        replaceNewer = ui.MsgBox(question, kImportTitle, Icon::Question, Buttons::YesNoDefaultNo)
            == Answer::Yes;
    }

    Placed placed;
    try {
        placed = Place(steps, staging, report.archive, replaceNewer);
    } catch (const PlacementError& e) {
        return PlacementFailed(ui, report, e.what(), e.RolledBack());
    }
    report.files = placed.files;
    report.bytes = placed.bytes;
    if (!replaceNewer)
        for (const PlacementStep* step : newer)
            report.leftOut.push_back(
                { folder + step->path, "newer than the archive's copy, kept" });

    RecordLastRun(store, RunKind::Import, outcome.startedAt);
    std::string text = std::string("Archive restored successfully.") + CR + CR
        + CountsLine(placed.files, placed.bytes, "restored into", folder);
    if (!report.leftOut.empty())
        text += std::string(1, CR) + Counted(report.leftOut.size(), "newer file")
            + " in the folder kept.";
    ui.Beep();
    ui.MsgBox(text, kImportTitle, Icon::Information);
    return RunOutcome::Success;
}

RunOutcome RefuseEmptyName(UiServices& ui, RunReport& report)
{
    return Refuse(ui, report, "Please enter a file name.", "Entry Required", Icon::Information);
}

RunOutcome ImportArchive(const ImportRequest& request, UiServices& ui, SettingsStore& store,
    RunIndicators& indicators, RunReport& report)
{
    const std::string& typedName = request.archiveName;
    const std::string program = request.archiverFolder + "arj";

    // First, so that an interrupted placement never waits behind a refusal; an import with
    // nothing else to do ends as the last recovery it made.
    std::vector<RunReport> recovered = RecoverInterruptedImports(ui, store);
    const bool onlyRecovery = typedName.empty() && !recovered.empty();
    if (onlyRecovery) {
        report = std::move(recovered.back());
        recovered.pop_back();
    }
    for (const RunReport& earlier : recovered)
        history::RecordRun(store, earlier);
    if (onlyRecovery)
        return report.outcome;
    if (typedName.empty())
        return RefuseEmptyName(ui, report);

    const std::string& folder = request.importFolder;

    // The archiver reads them as a pattern and extracts every archive that matches.
    if (typedName.find_first_of("*?") != std::string::npos)
        return Refuse(ui, report,
            "The archive name can't hold * or ?: the archiver would extract every archive "
            "that matches it.",
            "Invalid Name", Icon::Exclamation);

    const std::string archivePath = folder + ArchiveFileName(typedName);
    if (!FileSystem().FileExists(archivePath))
        return Refuse(ui, report,
            std::string("The archive file can't be found. Check to make ")
                + "sure the file exists and the path is correct in the " + "settings section.",
            "Archive Not Found", Icon::Exclamation);
    report.archive = archivePath;

    indicators.Busy();
    indicators.BeginProgress(kImportTitle);
    // Read from the headers themselves: the archiver's listing costs half an extraction.
    ui.ProgressStep("Reading the archive's headers: " + archivePath);
    ArchiveContents contents;
    try {
        contents = ReadArchiveHeaders(archivePath);
    } catch (const Error& e) {
        indicators.Finish();
        return PlacementFailed(ui, report, e.what(), true);
    }
    for (const std::string& volume : contents.volumes) {
        struct stat st { };
        report.volumes.push_back({ volume,
            ::stat(volume.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0 });
    }
    if (const std::optional<UnsafeEntry> unsafe = FirstUnsafeEntry(contents, folder)) {
        indicators.Finish();
        return Refuse(ui, report,
            "The archive's entry \"" + unsafe->name + "\" " + unsafe->reason + "." + CR + CR
                + "The archive was refused; nothing was written.",
            "Unsafe Archive", Icon::Exclamation);
    }
    return Restore(ui, store, indicators, report, program, folder, contents);
}

} // namespace

RunReport RunImport(const ImportRequest& request, UiServices& ui, SettingsStore& store)
{
    RunReport report(RunKind::Import);
    // On the Import tab a missing name is told before a store with nothing in it: the name
    // is what the person can mend here.
    if (request.archiveName.empty()
        && store.GetAllSettings(kSettingsApplication, kSettingsSection).empty()) {
        report.outcome = RefuseEmptyName(ui, report);
        return report;
    }
    RunAndRecord(ui, store, report, "Import Error", [&](RunIndicators& indicators) {
        return ImportArchive(request, ui, store, indicators, report);
    });
    return report;
}

} // namespace vesko
