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
// output captured; env replaces this process's environment when given.
ChildRun RunChild(std::vector<std::string> argv, const std::vector<std::string>* env = nullptr);

} // namespace vesko::test
