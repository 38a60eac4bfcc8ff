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

} // namespace vesko::test
