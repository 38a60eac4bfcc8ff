#include "import/interrupted_imports.h"

#include "core/ui_services.h"
#include "import/placement_journal.h"
#include "import/staging_folder.h"
#include "storage/staging_records.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace vesko {

namespace {

const char* const kTitle = "Interrupted Import";

std::string Stopped(const PlacementJournal& journal)
{
    return "An import of \"" + journal.archive + "\" into " + journal.folder
        + " was stopped while it put the files in place.";
}

// Finishes the placement, or rolls it back when it cannot be finished; says which.
RunReport Recover(UiServices& ui, StagingFolder& staging, const PlacementJournal& journal)
{
    RunReport report(RunKind::Import);
    report.started = std::chrono::system_clock::now();
    report.archive = journal.archive;
    Icon icon = Icon::Information;
    try {
        const Placed placed = FinishPlacement(journal, staging);
        report.files = placed.files;
        report.bytes = placed.bytes;
        report.outcome = RunOutcome::Success;
        report.message = Stopped(journal) + CR + CR + "Its placement was finished: "
            + std::to_string(placed.files) + " files from the archive are in place.";
    } catch (const Error& e) {
        report.outcome = RunOutcome::Failed;
        icon = Icon::Exclamation;
        report.message = Stopped(journal) + CR + CR + "It could not be finished: " + e.what();
        if (RollBackPlacement(journal, staging)) {
            report.message += std::string(2, CR)
                + "It was rolled back: the folder holds the files it held before that import.";
        } else {
            report.message += std::string(2, CR)
                + "Not every file could be put back as it was: the archive's copies and the "
                  "files they replaced lie in \""
                + staging.Keep() + "\" (in files/ and replaced/).";
        }
    }
    report.ended = std::chrono::system_clock::now();
    ui.Beep();
    ui.MsgBox(report.message, kTitle, icon);
    return report;
}

} // namespace

std::vector<RunReport> RecoverInterruptedImports(UiServices& ui, SettingsStore& store)
{
    std::vector<RunReport> recovered;
    for (const StagingRecord& left : history::StagingFolders(store)) {
        const std::unique_ptr<StagingFolder> staging = StagingFolder::Adopt(store, left);
        if (!staging)
            continue;
        if (const std::optional<PlacementJournal> journal = ReadJournal(staging->Journal()))
            recovered.push_back(Recover(ui, *staging, *journal));
    }
    return recovered;
}

} // namespace vesko
