#pragma once

#include "foldertree/copy_changed_files.h"
#include "platform/filesystem.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vesko {

class UiServices;

// A folder on the way to a file the copy takes.
struct PlannedFolder {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t parent = kNone; // none for a source folder itself
    std::string name; // in its parent; a source folder's is its path
    std::string path;
    std::string mirror; // below the temporary folder, ending with '/'
    std::size_t belowAt = 0; // where its files' paths below their source folder begin
};

// A file the copy takes, with what the walk saw of it.
struct PlannedFile {
    std::size_t folder = 0; // in CopyPlan::folders
    std::string name;
    FileFacts facts;
};

// What the copy phase of an export will copy, over all its sources, in the walks' order: the
// room it needs is known before anything is written.
struct CopyPlan {
    std::string tempFolder;
    std::vector<PlannedFolder> folders;
    std::vector<PlannedFile> files;
};

// The walk of one source tree: every file changed after the cut-off (modified, or arrived
// with an old time) that the archive can hold goes into the plan. Fills log's walked, leftOut
// (what cannot be read or archived), notTaken and skippedFolders, and its examined counter, as
// CopyChangedFiles tells them. What ends the walk is shown by the trap "Error Add Files".
CopyEnd PlanCopy(UiServices& ui, const std::string& tempFolder, const std::string& source,
    TimePoint cutOff, CopyLog& log, CopyPlan& plan, const std::string& archiveFolder = {});

// Copies the plan's files into their mirror folders, each folder made when the first file is
// copied into it. A file is read through its folders opened again without following a link,
// and only when it is still the file the walk saw (it may have changed since: its bytes and
// times are taken as they are now); one that is gone or unreadable is left out into
// log.leftOut, one whose place another entry took too ("replaced since it was looked at"). A
// copy that cannot be written ends the copy with the trap "Error Add Files".
CopyEnd CopyPlannedFiles(UiServices& ui, const CopyPlan& plan, CopyLog& log);

} // namespace vesko
