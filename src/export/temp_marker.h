#pragma once

#include "format/working_names.h"

#include <memory>
#include <string>

namespace vesko::export_steps {

// The small file an export puts into the temporary folder it makes, naming the program and
// the run, and locked (flock) by that run until it ends; the kernel drops the lock when the
// run is killed. A later export that finds the folder still there, with the marker in it and
// its lock free, knows it for a tree left by a run that failed or was killed, and removes
// it. A folder without it may be the person's own, and one whose marker is locked is in use
// by a run of another settings store: both are refused. The file never reaches the archive.
inline constexpr const char* kTempMarkerName = kRunMarkerName;

class TempMarker {
public:
    // Creates the marker in destination (ending with '/') and locks it. Throws Error, and
    // leaves no file, when it cannot.
    static std::unique_ptr<TempMarker> Write(const std::string& destination);
    // Lets the lock go; the file stays and tells a later run that this one has ended.
    ~TempMarker();
    TempMarker(const TempMarker&) = delete;
    TempMarker& operator=(const TempMarker&) = delete;

private:
    explicit TempMarker(int fd)
        : fd_(fd)
    {
    }
    int fd_;
};

// True when destination holds the marker of a run that has ended: a regular file of its
// name, not a link, whose text begins as the marker's does, and whose lock is free.
bool LeftByEndedRun(const std::string& destination);
// Deletes the marker, when there is one: the tree is the person's from now on. Throws
// Error when it cannot.
void RemoveTempMarker(const std::string& destination);

} // namespace vesko::export_steps
