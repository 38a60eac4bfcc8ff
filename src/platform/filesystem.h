#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesko {

using FileTime = std::chrono::system_clock::time_point;

// Paths are byte strings: a name that is not valid UTF-8 is handled like any other.
// Files are regular files and folders are real directories; symbolic links, FIFOs,
// sockets and devices are neither, so a walk never follows a link or blocks on a pipe.

class File {
public:
    File(std::string path, std::string name, FileTime modified, std::uintmax_t size);
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    FileTime DateLastModified() const { return modified_; }
    std::uintmax_t Size() const { return size_; }

private:
    std::string path_;
    std::string name_;
    FileTime modified_;
    std::uintmax_t size_;
};

struct FolderListing;

class Folder {
public:
    // named: a folder the person named, whose own path may be a link (GetFolder); the
    // folders of a listing are never reached through one.
    explicit Folder(std::string path, bool named = false);
    // Full path without a trailing '/', except for the root "/".
    const std::string& Path() const { return path_; }
    // Snapshots read when called, sorted by name (byte order). Throw Error when the
    // folder cannot be read. One reading of the folder serves one call of each: a walk that
    // asks for the files and then the subfolders reads the folder once.
    std::vector<Folder> SubFolders() const;
    std::vector<File> Files() const;

private:
    std::string path_;
    bool named_ = false;
    mutable std::shared_ptr<FolderListing> listing_;
};

class FileSystem {
public:
    // A folder object for the folder at path (with or without trailing '/'); Error when
    // no folder is there.
    Folder GetFolder(const std::string& path) const;
    bool FolderExists(const std::string& path) const;
    bool FileExists(const std::string& path) const;
    // drive: what DriveOf() gives for a path.
    bool DriveExists(const std::string& drive) const;
    // Creates one folder; its parent must exist. Error when it cannot be made. The default
    // mode is narrowed by the umask like any new folder's; any other mode is set exactly.
    void MakeDir(const std::string& path, mode_t mode = 0777) const;
    // Removes one empty folder (trailing '/' allowed). Error when not empty or refused.
    void RemoveDir(const std::string& path) const;
    // Deletes one file. Error when refused.
    void KillFiles(const std::string& path) const;
    // Replaces the destination with a copy of the source's bytes, keeping the source's
    // modification time and permission bits. Error when the source cannot be read or
    // the destination folder is missing.
    void FileCopy(const std::string& source, const std::string& destination) const;
};

} // namespace vesko
