#pragma once

#include <memory>
#include <string>

namespace vesko {

// One export or import at a time, across the window and the command line: an advisory
// lock (flock) on a file beside the settings store, held for the whole run. The kernel
// drops it when the process ends, so a killed run never leaves it taken.
class RunLock {
public:
    // Takes the lock on "run.lock" in the folder of the settings store at storePath
    // (creating the folder, 0700, when missing). nullptr when another run holds it; throws
    // Error when the file cannot be opened.
    static std::unique_ptr<RunLock> TryTake(const std::string& storePath);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    explicit RunLock(int fd)
        : fd_(fd)
    {
    }
    int fd_;
};

inline constexpr const char* kRunningTitle = "Export Running";
inline constexpr const char* kRunningText = "Another export or import is running.";

} // namespace vesko
