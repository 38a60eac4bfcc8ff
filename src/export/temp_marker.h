#pragma once

#include "format/working_names.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vesko {

class SettingsStore;
struct ExportRequest;

namespace export_steps {

// The small file an export puts into the temporary folder it makes, naming the run by its id
// in the history and a random token, and locked (flock) by that run until it ends; the
// kernel drops the lock when the run is killed. The same token, with the folder's path and
// identity, is recorded in the settings store. A later export takes a tree for one an earlier
// run of its own store left only when all of these agree (see LeftByEndedRun); anything else
// may be the person's and is refused. The cleanup deletes the marker last, so that a tree
// half removed is still known. The file never reaches the archive.
inline constexpr const char* kTempMarkerName = kRunMarkerName;

class TempMarker {
public:
    // Creates the marker in destination (ending with '/') for run, locks it and records the
    // tree in store. Throws Error, and leaves no file, when it cannot.
    static std::unique_ptr<TempMarker> Write(
        const std::string& destination, std::int64_t run, SettingsStore& store);
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

// The id of the earlier run of this store that left the tree at request.tempFolder, when it
// provably did: the marker there is a regular file, not a link, whose lock is free, and its
// run and token match a record of a run other than current whose path, device and inode are
// the folder's; and the folder is none of, and holds none of, a source, the archive folder
// and the home folder.
std::optional<std::int64_t> LeftByEndedRun(
    const ExportRequest& request, SettingsStore& store, std::int64_t current);
// Deletes the marker, when there is one, and forgets the run's record: the tree is the
// person's from now on, or gone. Throws Error when it cannot.
void RemoveTempMarker(const std::string& destination, std::int64_t run, SettingsStore& store);
// Forgets the run's record of its tree, once the tree is gone; a store that cannot be
// written keeps a row no marker matches any more, and the run goes on.
void ForgetTree(SettingsStore& store, std::int64_t run);

} // namespace export_steps
} // namespace vesko
