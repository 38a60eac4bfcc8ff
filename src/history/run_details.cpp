#include "history/run_details.h"

#include "platform/dates.h"
#include "storage/run_names.h"

#include <algorithm>
#include <cstdio>

namespace vesko::history {

namespace {

std::string OrDash(const std::string& text)
{
    return text.empty() ? "-" : text;
}

// A box's text on one line.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string Files(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = { "KB", "MB", "GB", "TB" };
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::vector<std::pair<std::string, std::string>> DetailLines(const RecordedRun& run)
{
    const RunReport& r = run.report;
    const bool isExport = r.kind == RunKind::Export;
    std::vector<std::pair<std::string, std::string>> lines {
        { "Run:", std::to_string(run.id) },
        { "Kind:", KindName(r.kind) },
        { "Outcome:", OutcomeName(r.outcome) },
        { "Started:", StoredDateText(r.started) },
        { "Ended:",
            r.outcome == RunOutcome::Unfinished ? "never: killed, or still running"
                                                : StoredDateText(r.ended) },
    };
    if (isExport)
        lines.emplace_back("Cut-off day:", OrDash(r.cutOffDay));
    lines.emplace_back(isExport ? "Files copied:" : "Files restored:",
        std::to_string(r.files) + " (" + SizeText(r.bytes) + ")");
    lines.emplace_back("Archive:", OrDash(r.archive));
    for (const ArchiveVolume& v : r.volumes)
        lines.emplace_back("Volume:", v.path + " (" + std::to_string(v.size) + " bytes)");
    lines.emplace_back("Archiver status:",
        r.archiverStatus ? std::to_string(*r.archiverStatus) : "none (it did not run or end)");
    if (!r.message.empty())
        lines.emplace_back("Message:", OneLine(r.message));
    if (isExport)
        lines.emplace_back("Archived:", Files(run.archivedCount));
    lines.emplace_back("Left out:", Files(r.leftOut.size()));
    if (isExport && !r.notTaken.empty())
        lines.emplace_back("Not taken:",
            std::to_string(r.notTaken.size()) + " (links, special files, own folders)");
    return lines;
}

} // namespace vesko::history
