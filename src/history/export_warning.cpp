#include "history/export_warning.h"

#include "storage/run_records.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

namespace vesko::history {

std::string RunStartText(TimePoint when)
{
    static constexpr std::array<const char*, 7> days
        = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static constexpr std::array<const char*, 12> months
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local {};
    ::localtime_r(&t, &local);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", local.tm_hour % 100, local.tm_min % 100);
    return std::string(days[static_cast<std::size_t>(local.tm_wday % 7)]) + " "
        + std::to_string(local.tm_mday) + " " + months[static_cast<std::size_t>(local.tm_mon % 12)]
        + " " + clock;
}

std::string UnsuccessfulExportText(const RunReport& report)
{
    const char* how = nullptr;
    switch (report.outcome) {
    case RunOutcome::Success:
        return {};
    case RunOutcome::Incomplete:
        how = "was incomplete";
        break;
    case RunOutcome::Cancelled:
        how = "was cancelled";
        break;
    case RunOutcome::Unfinished:
        how = "never ended";
        break;
    case RunOutcome::Failed:
    case RunOutcome::Refused:
        how = "failed";
        break;
    }
    std::string text = "The export of " + RunStartText(report.started) + " " + how;
    // The message's lines are parted by CR; its first one says what went wrong.
    const std::string first = report.message.substr(0, report.message.find_first_of("\r\n"));
    return first.empty() ? text + "." : text + ": " + first;
}

std::string ExportWarning(SettingsStore& store, TimePoint now)
{
    std::vector<RecordedRun> runs;
    try {
        runs = ListRuns(store);
    } catch (const std::exception&) {
        // The history window tells what is wrong with the history itself.
        return {};
    }
    const RecordedRun* newest = nullptr;
    const RecordedRun* lastGood = nullptr;
    for (const RecordedRun& run : runs) {
        // One still running is not yet a failure.
        if (run.report.kind != RunKind::Export || run.report.outcome == RunOutcome::Unfinished)
            continue;
        if (!newest)
            newest = &run;
        if (run.report.outcome == RunOutcome::Success) {
            lastGood = &run;
            break;
        }
    }
    if (newest && newest != lastGood)
        return UnsuccessfulExportText(newest->report);
    if (lastGood && now - lastGood->report.started > kQuietExportsLimit)
        return "No export has succeeded since " + RunStartText(lastGood->report.started) + ".";
    return {};
}

} // namespace vesko::history
