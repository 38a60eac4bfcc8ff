#pragma once

#include <string>

namespace vesko::schedule {

inline constexpr const char* kServiceUnit = "vesko-backup-export.service";
inline constexpr const char* kTimerUnit = "vesko-backup-export.timer";

struct EnableOutcome {
    bool scheduled = false; // the timer is enabled and started in the systemd user instance
    // When not: that there is no systemd user instance, and the crontab line to use instead,
    // each on a line of its own ('\n'), to be shown as it is and copied.
    std::string fallback;
};

struct ScheduleStatus {
    bool reachable = false; // a systemd user instance answers
    // The program's timer file is there and, where an instance answers, enabled in it.
    bool on = false;
    std::string time; // "HH:MM" of the timer file; "" when there is none
    std::string nextRun; // when the instance will run it next, as it tells it; "" unknown
};

// "Back up automatically every night at time": writes the service and the timer to the
// unit folder, then reloads the user instance and enables and starts the timer. Where no
// user instance answers nothing is written and the outcome holds the fallback instead.
// Throws Error for a bad time ("HH:MM"), a program path that is not absolute, a name or
// path with a control character, a file of that name that is not the program's own, and a
// failure to write or of systemctl.
// checkAfter: the export checks the oldest unchecked archive once it has ended.
EnableOutcome Enable(const std::string& time, const std::string& exportName,
    const std::string& programPath, bool checkAfter = false);

// Stops and disables the timer and removes the two files. Throws Error naming the file,
// and changes nothing, when either is not the program's own.
void Disable();

ScheduleStatus Status();

// The user's unit folder: $XDG_CONFIG_HOME/systemd/user, ~/.config/systemd/user by default.
std::string UnitFolder();
// Where the crontab line of the fallback appends the runs' output:
// $XDG_STATE_HOME/vesko-backup/nightly.log, ~/.local/state/vesko-backup/nightly.log by default.
std::string NightlyLogPath();

// Enable's writing alone, without asking the user instance: both files, replacing earlier
// ones of the program's own. Throws Error as Enable does.
void WriteUnitFiles(const std::string& time, const std::string& exportName,
    const std::string& programPath, bool checkAfter = false);

} // namespace vesko::schedule
