#include "cli/history_command.h"

#include "cli/cli_options.h"
#include "history/run_names.h"
#include "history/run_records.h"
#include "platform/dates.h"

#include <algorithm>
#include <cstdio>
#include <exception>
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

// A box's text on one line, as the command line shows every box.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

int ListRuns(SettingsStore& store, bool all, std::ostream& out, std::ostream& err)
{
    const std::vector<history::RecordedRun> runs = history::ListRuns(store);
    if (runs.empty()) {
        err << "No export or import has been recorded yet.\n";
        return 1;
    }
    const std::size_t shown = all ? runs.size() : std::min(runs.size(), kShownRuns);
    out << "  RUN  STARTED              KIND    OUTCOME         FILES        SIZE  ARCHIVE\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const RunReport& r = runs[i].report;
        out << Padded(std::to_string(runs[i].id), 5, true) << "  " << StoredDateText(r.started)
            << "  " << Padded(history::KindName(r.kind), 6) << "  "
            << Padded(history::OutcomeName(r.outcome), 10) << "  "
            << Padded(std::to_string(r.files), 9, true) << "  "
            << Padded(history::SizeText(r.bytes), 10, true) << "  " << OrDash(r.archive) << "\n";
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
    const RunReport& r = run->report;
    const auto line = [&](const char* label, const std::string& value) {
        out << Padded(label, 17) << value << "\n";
    };
    line("Run:", std::to_string(run->id));
    line("Kind:", history::KindName(r.kind));
    line("Outcome:", history::OutcomeName(r.outcome));
    line("Started:", StoredDateText(r.started));
    line("Ended:",
        r.outcome == RunOutcome::Unfinished ? "never: killed, or still running"
                                            : StoredDateText(r.ended));
    if (r.kind == RunKind::Export)
        line("Cut-off day:", OrDash(r.cutOffDay));
    line(r.kind == RunKind::Export ? "Files copied:" : "Files restored:",
        std::to_string(r.files) + " (" + history::SizeText(r.bytes) + ")");
    line("Archive:", OrDash(r.archive));
    for (const ArchiveVolume& v : r.volumes)
        line("Volume:", v.path + " (" + std::to_string(v.size) + " bytes)");
    line("Archiver status:",
        r.archiverStatus ? std::to_string(*r.archiverStatus) : "none (it did not run or end)");
    if (!r.message.empty())
        line("Message:", OneLine(r.message));
    line("Left out:", std::to_string(r.leftOut.size()) + " files");
    for (const LeftOutFile& f : r.leftOut)
        out << "  " << f.path << "  (" << f.reason << ")\n";
    line("Archived:", std::to_string(run->archivedCount) + " files");
    for (const ArchivedFile& f : history::ArchivedFiles(store, id))
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
