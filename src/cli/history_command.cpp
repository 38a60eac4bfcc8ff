#include "cli/history_command.h"

#include "care/chains.h"
#include "cli/cli_options.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "storage/run_names.h"
#include "storage/run_records.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <set>
#include <string>

namespace vesko::cli {

namespace {

constexpr std::size_t kShownRuns = 20;

std::string Padded(std::string text, std::size_t width, bool right = false)
{
    if (text.size() < width)
        text.insert(right ? 0 : text.size(), width - text.size(), ' ');
    return text;
}

std::string OrDash(const std::string& text)
{
    return text.empty() ? "-" : text;
}

int ListRuns(SettingsStore& store, bool all, std::ostream& out, std::ostream& err)
{
    const std::vector<history::RecordedRun> runs = history::ListRuns(store);
    if (runs.empty()) {
        err << "No export or import has been recorded yet.\n";
        return 1;
    }
    const std::size_t shown = all ? runs.size() : std::min(runs.size(), kShownRuns);
    const std::set<std::int64_t> removed = history::RemovedRuns(store);
    out << "  RUN  STARTED              KIND" << std::string(16, ' ')
        << "OUTCOME         FILES        SIZE  ARCHIVE\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const RunReport& r = runs[i].report;
        out << Padded(std::to_string(runs[i].id), 5, true) << "  " << StoredDateText(r.started)
            << "  " << Padded(history::KindText(r), 18) << "  "
            << Padded(history::OutcomeName(r.outcome), 10) << "  "
            << Padded(std::to_string(r.files), 9, true) << "  "
            << Padded(history::SizeText(r.bytes), 10, true) << "  " << OrDash(r.archive)
            << (removed.count(runs[i].id) != 0 ? history::kRemovedMark : "") << "\n";
    }
    if (shown < runs.size())
        err << shown << " of " << runs.size()
            << " recorded runs shown; vesko-backup history --all lists every one.\n";
    return 0;
}

int ShowRun(SettingsStore& store, std::int64_t id, std::ostream& out, std::ostream& err)
{
    const std::optional<history::RecordedRun> run = history::ReadRun(store, id);
    if (!run) {
        err << "No run " << id << " is recorded; vesko-backup history lists them.\n";
        return 1;
    }
    for (const auto& [label, value] : history::DetailLines(*run))
        out << Padded(label, 17) << value << "\n";
    for (const LeftOutFile& f : run->report.leftOut)
        out << "  " << f.path << "  (" << f.reason << ")\n";
    if (!run->report.notTaken.empty())
        out << "Not taken:\n";
    for (const LeftOutFile& e : run->report.notTaken)
        out << "  " << e.path << "  (" << e.reason << ")\n";
    const std::vector<ArchivedFile> archived = history::ArchivedFiles(store, id);
    if (!archived.empty())
        out << "Archived files:\n";
    for (const ArchivedFile& f : archived)
        out << "  " << StoredDateText(f.modified) << "  "
            << Padded(std::to_string(f.size), 12, true) << "  " << f.path << "\n";
    return 0;
}

int Find(SettingsStore& store, const std::string& text, std::ostream& out, std::ostream& err)
{
    const std::vector<history::FoundFile> found = history::FindArchived(store, text);
    if (found.empty()) {
        err << "No recorded archived file has \"" << text << "\" in its path.\n";
        return 1;
    }
    for (const history::FoundFile& f : found)
        out << StoredDateText(f.started) << "  run " << f.run << "  " << OrDash(f.archive) << "  "
            << f.file.path << "  (" << history::SizeText(f.file.size) << ", modified "
            << StoredDateText(f.file.modified) << ")\n";
    return 0;
}

} // namespace

int ShowHistory(
    SettingsStore& store, const CliOptions& options, std::ostream& out, std::ostream& err)
{
    try {
        if (options.run)
            return ShowRun(store, *options.run, out, err);
        if (options.find)
            return Find(store, *options.find, out, err);
        return ListRuns(store, options.all, out, err);
    } catch (const std::exception& e) {
        err << "Error: " << e.what() << "\n";
        return 1;
    }
}

} // namespace vesko::cli
