#pragma once

#include <string>
#include <vector>

namespace vesko::test {

struct ChildRun {
    int status = -1; // the exit status; -1 when it could not start or was killed
    std::string out;
    std::string err;
};

// Runs a program, argv[0] being its path, with standard input from /dev/null and its
// output captured.
ChildRun RunChild(std::vector<std::string> argv);

#ifdef VESKO_PROGRAM_PATH
// The program itself, run as a timer runs it: no display and no session bus, with the
// environment's NAME=VALUE settings (its store, its home) before the arguments.
inline ChildRun RunProgram(
    const std::vector<std::string>& env, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = { "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
        "-u", "QT_QPA_PLATFORM", "-u", "DBUS_SESSION_BUS_ADDRESS" };
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(VESKO_PROGRAM_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    return RunChild(argv);
}
#endif

} // namespace vesko::test
