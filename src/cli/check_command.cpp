#include "cli/check_command.h"

#include "care/archive_check.h"
#include "care/chains.h"
#include "cli/cli_options.h"
#include "cli/cli_ui.h"
#include "settings/stored_settings.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <map>
#include <sstream>

namespace vesko::cli {

namespace {

// The archives asked for, in the order asked; false, each missing run named on err, when a
// run has no archive left to check.
bool Chosen(const std::vector<history::KnownArchive>& known, const CliOptions& options,
    std::vector<history::KnownArchive>& chosen, std::ostream& err)
{
    if (options.runs.empty()) {
        std::copy_if(known.begin(), known.end(), std::back_inserter(chosen),
            [](const history::KnownArchive& a) { return !a.removed; });
        return true;
    }
    bool all = true;
    for (const std::int64_t run : options.runs) {
        const auto found = std::find_if(known.begin(), known.end(),
            [&](const history::KnownArchive& a) { return a.run == run; });
        if (found == known.end() || found->removed) {
            err << "Run " << run << " has no archive to check"
                << (found == known.end() ? "" : ": it was removed") << ".\n";
            all = false;
        } else {
            chosen.push_back(*found);
        }
    }
    return all;
}

// Checks one archive, records the result and tells it; false when it does not hold.
bool CheckAndTell(SettingsStore& store, const history::KnownArchive& archive, std::ostream& out,
    std::ostream& err)
{
    Settings settings = LoadSettings(store);
    AddTrailingSlashes(settings);
    // The archiver's own lines would bury the verdicts: they are not shown.
    std::ostringstream archiverLines;
    CliUi ui(archiverLines, err, Answer::No);
    const ArchiveCheck check = CheckArchive(store, archive, settings.archiverFolder + "arj", ui);
    RecordCheck(store, check);
    out << "Run " << check.run << "  " << VerdictName(check.verdict) << "  " << check.archive
        << "\n";
    if (check.verdict == CheckVerdict::Holds)
        return true;
    err << "Archive " << VerdictName(check.verdict) << ": " << check.archive << " (" << check.detail
        << ")\n";
    return false;
}

} // namespace

int CheckArchives(
    SettingsStore& store, const CliOptions& options, std::ostream& out, std::ostream& err)
{
    try {
        std::vector<history::KnownArchive> chosen;
        bool allHold = Chosen(history::KnownArchives(store), options, chosen, err);
        if (chosen.empty() && options.runs.empty()) {
            err << "No archive is recorded yet.\n";
            return 1;
        }
        for (const history::KnownArchive& archive : chosen)
            allHold = CheckAndTell(store, archive, out, err) && allHold;
        return allHold ? 0 : 1;
    } catch (const std::exception& e) {
        err << "Error: " << e.what() << "\n";
        return 1;
    }
}

int CheckOldestUnchecked(SettingsStore& store, std::ostream& out, std::ostream& err)
{
    try {
        const std::map<std::int64_t, ArchiveCheck> checks = LastChecks(store);
        bool anyKept = false;
        for (const history::KnownArchive& archive : history::KnownArchives(store)) {
            if (archive.removed)
                continue;
            if (!checks.contains(archive.run))
                return CheckAndTell(store, archive, out, err) ? 0 : 1;
            anyKept = true;
        }
        out << (anyKept ? "Every kept archive has been checked.\n" : "No archive to check yet.\n");
        return 0;
    } catch (const std::exception& e) {
        err << "Error: " << e.what() << "\n";
        return 1;
    }
}

} // namespace vesko::cli
