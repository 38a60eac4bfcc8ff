#pragma once

#include "format/working_names.h"

#include <memory>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
struct StagingRecord;

// The private folder (0700) an import extracts into, made inside the import folder so that
// putting the files in place is a rename on the same file system. Its name starts with
// kStagingPrefix, and it is recorded in the settings store with its identity on disk and a
// token written inside it: only a recorded folder is ever removed, a folder of that name that
// no record knows is the person's. The run holds a lock on it while it lives.
class StagingFolder {
public:
    static constexpr const char* kStagingPrefix = vesko::kStagingPrefix;

    // Makes and records a new one in folder (ending with '/').
    StagingFolder(const std::string& folder, SettingsStore& store);
    // The recorded folder an earlier run left, locked; nullptr when a running import holds
    // it, when the folder it lies in is not there now (a drive taken away: the record is
    // kept), or when what lies at its path is not the folder recorded (the record is then
    // forgotten and the folder left alone).
    static std::unique_ptr<StagingFolder> Adopt(SettingsStore& store, const StagingRecord& left);
    // Removes the folder and everything in it and forgets its record, unless Keep() was
    // called.
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The import folder it lies in (ends with '/').
    const std::string& Folder() const { return folder_; }
    // Where the archiver extracts (ends with '/').
    std::string Extracted() const { return path_ + "/files/"; }
    // Where the files that the restored ones replace wait until the placement is complete.
    std::string Replaced() const { return path_ + "/replaced"; }
    // The placement's plan, present from before its first move until it is complete or
    // rolled back: while it is there, the folder may hold the only copy of a file.
    std::string Journal() const { return path_ + "/placement"; }
    // Leaves the folder on disk, under a visible name that no later import removes, and
    // forgets its record: it holds the only copy of something the person owns. Answers where
    // it now lies.
    std::string Keep();

private:
    StagingFolder(SettingsStore& store, std::string folder, std::string path, int lock);

    SettingsStore& store_;
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
