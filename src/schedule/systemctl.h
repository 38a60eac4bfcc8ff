#pragma once

#include <string>
#include <vector>

namespace vesko::schedule {

struct SystemctlOutcome {
    bool succeeded = false;
    std::string output; // standard output and error together, as written
    std::string failure; // for a message: the command line, how it ended, its last lines

    // The first line of the output, the answer of the queries that answer with a word.
    std::string FirstLine() const { return output.substr(0, output.find('\n')); }
};

// Runs `systemctl --user` with the arguments, without a shell, and gives up on it after
// ten seconds. A missing systemctl is a failure like any other.
SystemctlOutcome RunSystemctl(const std::vector<std::string>& arguments);

// Whether a systemd user instance answers: a desktop session has one, a container or a
// login without a session usually not.
bool UserInstanceReachable();

} // namespace vesko::schedule
