#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesko {

class UiServices;

struct ProcessOutcome {
    std::chrono::system_clock::time_point startedAt;
    int exitStatus = -1; // valid when the program exited
    int termSignal = 0; // the signal that killed it, 0 when it exited
    bool cancelled = false; // the person pressed Cancel and the program was stopped
    std::vector<std::string> lastLines; // its last output lines (stdout and stderr merged)

    bool Succeeded() const { return !cancelled && termSignal == 0 && exitStatus == 0; }
    // "Exit status 2." / "Stopped by signal 9." / "Cancelled." followed by CR and the last
    // output lines, for the failure boxes.
    std::string Describe() const;
};

struct ProcessOptions {
    // The program's file creation mask; the caller's when not given.
    std::optional<mode_t> umask;
    // The folder the program starts in; the caller's when empty.
    std::string workingFolder;
};

// Starts argv[0] with the argument list as it stands (no shell), its standard input on
// /dev/null, and waits for it to end. Each output line goes to ui.ProgressOutput as it
// arrives; ui.ProgressPoll is asked often and a true answer stops the program (TERM, then
// KILL). The program runs in a process group of its own, which is ended (KILL) on every
// way out of here, so nothing it started outlives the call; and the kernel kills it should
// the calling thread die first. Throws Error with a description when the program cannot be
// started.
ProcessOutcome RunProcess(
    const std::vector<std::string>& argv, UiServices& ui, const ProcessOptions& options = {});

// The argument list joined with single spaces, as the progress window and the messages
// show the command line.
std::string JoinCommandLine(const std::vector<std::string>& argv);

} // namespace vesko
