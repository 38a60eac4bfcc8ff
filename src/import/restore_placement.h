#pragma once

#include "format/archive_headers.h"
#include "platform/error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

class StagingFolder;
struct PlacementJournal;

// A file or folder as the archiver extracted it, by its path below the staging folder.
struct StagedItem {
    std::string path;
    bool folder = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds, as the archive keeps them
};

// Walks the extracted tree and checks it against the archive's entries: every file entry a
// regular file with its size, every folder entry a folder, nothing else but the folders the
// files lie in. Throws Error naming the first difference. Parents come before children.
std::vector<StagedItem> CheckExtracted(
    const std::string& extracted, const ArchiveContents& contents);

// How the extracted tree goes into the import folder: a file or folder that is not there
// yet is moved whole, an existing file is replaced, an existing folder is entered.
struct PlacementStep {
    std::string path;
    bool folder = false;
    bool replaces = false;
    bool newer = false; // the file in place is newer than the archive's copy
    std::uint64_t files = 0; // files it puts in place, and their bytes
    std::uint64_t bytes = 0;
};

// Looks at what lies in the import folder (ending with '/') where each item goes. Throws
// Error when something is in the way: a folder, link or special file where the archive has
// a file, anything but a real folder where it has a folder.
std::vector<PlacementStep> PlanPlacement(
    const std::vector<StagedItem>& staged, const std::string& folder);

// A placement that failed. rolledBack: everything moved was put back as it was; otherwise
// the description says where the files that could not be put back lie.
class PlacementError : public Error {
public:
    PlacementError(const std::string& description, bool rolledBack)
        : Error(description)
        , rolledBack_(rolledBack)
    {
    }
    bool RolledBack() const { return rolledBack_; }

private:
    bool rolledBack_;
};

struct Placed {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// Moves the steps into place by renames, newer files only when replaceNewer, after writing
// them down in the staging folder's journal. A replaced file waits in the staging folder
// until all is done, so that a failure can put every file back; then PlacementError is
// thrown.
Placed Place(const std::vector<PlacementStep>& steps, StagingFolder& staging,
    const std::string& archive, bool replaceNewer);

// Carries the journal's steps to their end from wherever a run left them, then drops the
// journal. Error when a step cannot be finished.
Placed FinishPlacement(const PlacementJournal& journal, StagingFolder& staging);
// Puts every step back as it was before, last first; what cannot go back stays where it is.
// True when all went back (the journal is then dropped).
bool RollBackPlacement(const PlacementJournal& journal, StagingFolder& staging);

} // namespace vesko
