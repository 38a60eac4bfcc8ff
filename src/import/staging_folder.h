#pragma once

#include "format/working_names.h"

#include <string>
#include <vector>

namespace vesko {

// The private folder (0700) an import extracts into, made inside the import folder so that
// putting the files in place is a rename on the same file system. Its name starts with
// kStagingPrefix; the run holds a lock on it while it lives, so a staging folder that
// nobody holds was left by a killed run.
class StagingFolder {
public:
    static constexpr const char* kStagingPrefix = vesko::kStagingPrefix;

    // Removes the staging folders in folder (ending with '/') that no run holds.
    static void RemoveLeftovers(const std::string& folder);

    explicit StagingFolder(const std::string& folder);
    // Removes the folder and everything in it, unless Keep() was called.
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Where the archiver extracts (ends with '/').
    std::string Extracted() const { return path_ + "/files/"; }
    // Where the files that the restored ones replace wait until the run has succeeded.
    std::string Replaced() const { return path_ + "/replaced"; }
    // Leaves the folder on disk, under a visible name that no later import removes: it
    // holds the only copy of something the person owns. Answers where it now lies.
    std::string Keep();

private:
    std::string folder_;
    std::string path_;
    int lock_ = -1;
    bool keep_ = false;
};

// The names in a folder but "." and "..", in byte order. Throws Error when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder);

// Deletes a tree without following links, making its folders writable first: the
// archiver gives a folder its stored mode, which may forbid deleting what is inside.
void RemoveTree(const std::string& path);

} // namespace vesko
