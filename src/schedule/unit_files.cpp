#include "schedule/unit_files.h"

#include "platform/error.h"

#include <cctype>
#include <cstdio>
#include <regex>
#include <sstream>

namespace vesko::schedule {

const char* const kMarkerLine
    = "# Written by Vesko Backup for its nightly export; removed when the schedule is turned off.";

namespace {

// HH:MM, its hour and minute captured.
constexpr const char* kClock = "([01][0-9]|2[0-3]):([0-5][0-9])";

bool IsPlain(const std::string& word)
{
    if (word.empty())
        return false;
    for (const char c : word)
        if (!std::isalnum(static_cast<unsigned char>(c))
            && std::string("/._+-,=:@").find(c) == std::string::npos)
            return false;
    return true;
}

void CheckPrintable(const std::string& what, const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            throw Error(what + " cannot hold a line break or another control character: " + text);
}

// A word of ExecStart as systemd reads it back: in double quotes, a backslash or quote
// escaped, '%' doubled, which would otherwise begin one of systemd's substitutions, and so
// is '$' in the arguments, which would begin a variable there; the path has no variables.
std::string ExecWord(const std::string& word, bool argument = true)
{
    if (IsPlain(word))
        return word;
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        else if (c == '%' || (c == '$' && argument))
            quoted += c;
        quoted += c;
    }
    return quoted + '"';
}

// A word of a crontab command. Cron ends the command at a '%' and turns "\%" into '%'
// before the shell sees the line; a backslash of the word's own right before a '%' is
// kept from joining it by closing and reopening the quotes between them.
std::string CronWord(const std::string& word)
{
    std::string cron;
    for (const char c : ShellWord(word)) {
        if (c == '%')
            cron += !cron.empty() && cron.back() == '\\' ? "''\\" : "\\";
        cron += c;
    }
    return cron;
}

} // namespace

std::string TimeOfDay::Text() const
{
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

TimeOfDay ParseTimeOfDay(const std::string& text)
{
    static const std::regex pattern(kClock);
    std::smatch match;
    if (!std::regex_match(text, match, pattern))
        throw Error("\"" + text + "\" is not a time of day as HH:MM, 00:00 to 23:59.");
    return { std::stoi(match[1]), std::stoi(match[2]) };
}

std::string NightlyNamePattern(const std::string& exportName)
{
    std::string pattern;
    for (const char c : exportName)
        pattern += c == '%' ? "%%" : std::string(1, c);
    return pattern + "-%Y-%m-%d";
}

std::string ServiceUnitText(
    const std::string& programPath, const std::string& exportName, bool checkAfter)
{
    CheckPrintable("The program's path", programPath);
    CheckPrintable("The Export Name", exportName);
    if (programPath.empty() || programPath.front() != '/')
        throw Error("The program's path is not absolute: " + programPath);
    return std::string(kMarkerLine)
        + "\n[Unit]\nDescription=Vesko Backup: export of what changed since the last export\n\n"
          "[Service]\nType=oneshot\nExecStart="
        + ExecWord(programPath, false) + " export --since last"
        + (checkAfter ? " --check-after" : "") + " --name "
        + ExecWord(NightlyNamePattern(exportName)) + "\n";
}

std::string TimerUnitText(TimeOfDay time)
{
    return std::string(kMarkerLine) + "\n[Unit]\nDescription=Vesko Backup: nightly export at "
        + time.Text() + "\n\n[Timer]\nOnCalendar=*-*-* " + time.Text()
        + ":00\nPersistent=true\n\n[Install]\nWantedBy=timers.target\n";
}

std::optional<TimeOfDay> TimerTime(const std::string& timerText)
{
    static const std::regex pattern(std::string("OnCalendar=\\*-\\*-\\* ") + kClock + ":00");
    std::istringstream lines(timerText);
    std::smatch match;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, match, pattern))
            return TimeOfDay { std::stoi(match[1]), std::stoi(match[2]) };
    return std::nullopt;
}

std::string CrontabLine(TimeOfDay time, const std::string& programPath,
    const std::string& exportName, const std::string& logFile, bool checkAfter)
{
    ServiceUnitText(programPath, exportName); // the same refusals
    return std::to_string(time.minute) + " " + std::to_string(time.hour) + " * * * "
        + CronWord(programPath) + " export --since last" + (checkAfter ? " --check-after" : "")
        + " --name " + CronWord(NightlyNamePattern(exportName)) + " >> " + CronWord(logFile)
        + " 2>&1";
}

std::string ShellWord(const std::string& word)
{
    if (IsPlain(word))
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace vesko::schedule
