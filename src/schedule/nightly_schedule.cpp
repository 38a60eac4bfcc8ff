#include "schedule/nightly_schedule.h"

#include "platform/error.h"
#include "platform/home_folder.h"
#include "schedule/systemctl.h"
#include "schedule/unit_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace vesko::schedule {

namespace {

namespace fs = std::filesystem;

std::string XdgFolder(const char* variable, const std::string& belowHome)
{
    // Only an absolute value counts; a relative one is to be ignored.
    const char* value = std::getenv(variable);
    std::string folder = value && value[0] == '/' ? value : paths::HomeFolder() + belowHome;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string UnitPath(const char* unit)
{
    return UnitFolder() + "/" + unit;
}

// The text of a unit file of the program's own; none when there is no file of that name.
// Throws for a file of another's, which the schedule neither replaces nor removes.
std::optional<std::string> OwnUnit(const std::string& path)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in)
        throw Error("Cannot read " + path + ".");
    text << in.rdbuf();
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);)
        if (line == kMarkerLine)
            return text.str();
    throw Error("The file " + path
        + " was not written by Vesko Backup, so it is left as it is. Move it away first to "
          "let Vesko Backup schedule the nightly export.");
}

// Written aside and renamed over the old file, so that a reload never finds half a unit.
void WriteUnit(const std::string& path, const std::string& text)
{
    const std::string aside = path + ".new";
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out || std::rename(aside.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(aside.c_str());
        throw WriteError("Cannot write " + path + ": " + std::strerror(err), std::strerror(err));
    }
}

void RemoveUnit(const std::string& path)
{
    std::error_code error;
    if (!fs::remove(path, error) && error)
        throw WriteError("Cannot remove " + path + ": " + error.message(), error.message());
}

void Systemctl(const std::vector<std::string>& arguments)
{
    const SystemctlOutcome outcome = RunSystemctl(arguments);
    if (!outcome.succeeded)
        throw Error(outcome.failure);
}

std::string FallbackText(TimeOfDay time, const std::string& crontabLine)
{
    const std::string logFolder = fs::path(NightlyLogPath()).parent_path();
    return "No systemd user instance answers here, so the nightly export cannot be set up as "
           "a timer. To have cron run it every night at "
        + time.Text() + " instead, make the log's folder once:\n\n    mkdir -p "
        + ShellWord(logFolder) + "\n\nand add this line to your crontab (crontab -e):\n\n    "
        + crontabLine + "\n";
}

} // namespace

std::string UnitFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config") + "/systemd/user";
}

std::string NightlyLogPath()
{
    return XdgFolder("XDG_STATE_HOME", "/.local/state") + "/vesko-backup/nightly.log";
}

void WriteUnitFiles(const std::string& time, const std::string& exportName,
    const std::string& programPath, bool checkAfter)
{
    const std::string timer = TimerUnitText(ParseTimeOfDay(time));
    const std::string service = ServiceUnitText(programPath, exportName, checkAfter);
    OwnUnit(UnitPath(kServiceUnit));
    OwnUnit(UnitPath(kTimerUnit));
    std::error_code error;
    fs::create_directories(UnitFolder(), error);
    if (error)
        throw WriteError("Cannot make " + UnitFolder() + ": " + error.message(), error.message());
    WriteUnit(UnitPath(kServiceUnit), service);
    WriteUnit(UnitPath(kTimerUnit), timer);
}

EnableOutcome Enable(const std::string& time, const std::string& exportName,
    const std::string& programPath, bool checkAfter)
{
    const TimeOfDay at = ParseTimeOfDay(time);
    const std::string crontabLine
        = CrontabLine(at, programPath, exportName, NightlyLogPath(), checkAfter);
    if (!UserInstanceReachable())
        return { false, FallbackText(at, crontabLine) };
    WriteUnitFiles(time, exportName, programPath, checkAfter);
    Systemctl({ "daemon-reload" });
    Systemctl({ "enable", "--now", kTimerUnit });
    return { true, {} };
}

void Disable()
{
    const bool hadService = OwnUnit(UnitPath(kServiceUnit)).has_value();
    const bool hadTimer = OwnUnit(UnitPath(kTimerUnit)).has_value();
    const bool reachable = (hadService || hadTimer) && UserInstanceReachable();
    if (hadTimer && reachable)
        Systemctl({ "disable", "--now", kTimerUnit });
    RemoveUnit(UnitPath(kTimerUnit));
    RemoveUnit(UnitPath(kServiceUnit));
    if (reachable)
        Systemctl({ "daemon-reload" });
}

ScheduleStatus Status()
{
    ScheduleStatus status;
    status.reachable = UserInstanceReachable();
    std::optional<std::string> timer;
    try {
        timer = OwnUnit(UnitPath(kTimerUnit));
    } catch (const Error&) {
        // Another's timer of that name: the program's schedule is off.
    }
    if (!timer)
        return status;
    if (const auto at = TimerTime(*timer))
        status.time = at->Text();
    status.on
        = !status.reachable || RunSystemctl({ "is-enabled", kTimerUnit }).FirstLine() == "enabled";
    if (status.on && status.reachable) {
        const std::string next
            = RunSystemctl({ "show", kTimerUnit, "-p", "NextElapseUSecRealtime", "--value" })
                  .FirstLine();
        status.nextRun = next == "n/a" ? "" : next;
    }
    return status;
}

} // namespace vesko::schedule
