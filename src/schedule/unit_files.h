#pragma once

#include <optional>
#include <string>

namespace vesko::schedule {

// The first line of every file the schedule writes: only files that carry it are the
// program's own to replace or remove.
extern const char* const kMarkerLine;

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    std::string Text() const; // "HH:MM"
};

// "HH:MM", 00:00 to 23:59; throws Error for anything else.
TimeOfDay ParseTimeOfDay(const std::string& text);

// The name the nightly export is given: the Export Name with its '%' doubled, so that the
// export takes it literally, and the day of the run after it.
std::string NightlyNamePattern(const std::string& exportName);

// The texts of the two unit files; checkAfter adds --check-after to the export. Throw Error
// for a program path that is not absolute, and for a path or name holding a control
// character, which no unit or crontab line can carry.
std::string ServiceUnitText(
    const std::string& programPath, const std::string& exportName, bool checkAfter = false);
std::string TimerUnitText(TimeOfDay time);
// The time a timer file of TimerUnitText runs at; none when it names none.
std::optional<TimeOfDay> TimerTime(const std::string& timerText);

// The line for a crontab that runs the same export at the same time, its output appended
// to logFile.
std::string CrontabLine(TimeOfDay time, const std::string& programPath,
    const std::string& exportName, const std::string& logFile, bool checkAfter = false);

// A word as a POSIX shell reads it back: as it is when it needs no quoting, else quoted.
std::string ShellWord(const std::string& word);

} // namespace vesko::schedule
