#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesko {

using FileTime = std::chrono::system_clock::time_point;

// Paths are byte strings: a name that is not valid UTF-8 is handled like any other.
// Files are regular files and folders are real directories; symbolic links, FIFOs,
// sockets and devices are neither, so a walk never follows a link or blocks on a pipe.

// What an entry of a folder is, told by the entry itself: a link is a link, whatever it
// leads to.
enum class EntryKind { File, Folder, Link, Other };

struct FolderEntry {
    std::string name; // its bytes as the folder holds them
    EntryKind kind = EntryKind::Other;
};

// Where a file or folder lies on its disk: two paths with the same identity name the same
// entry, and an entry keeps it when it is renamed or moved on that disk.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FolderListing;

class Folder {
public:
    // named: a folder the person named, whose own path may be a link (GetFolder); the
    // folders of a listing are never reached through one.
    explicit Folder(std::string path, bool named = false);
    // Full path without a trailing '/', except for the root "/".
    const std::string& Path() const { return path_; }
    // A snapshot read when called, sorted by name (byte order). Throws Error when the
    // folder cannot be read. Each call reads the folder anew: a walk removes what it was
    // handed.
    std::vector<Folder> SubFolders() const;
    // Whether the folder holds a file, told by the entries' types of the reading that
    // SubFolders() made (or makes now), without looking at any file.
    bool HoldsFiles() const;

private:
    std::string path_;
    bool named_ = false;
    mutable std::shared_ptr<FolderListing> listing_;
};

// What the one look at a regular file told: its times decide whether it is copied, and its
// copy keeps its times and permission bits.
struct FileFacts {
    timespec accessed {};
    timespec modified {};
    std::uintmax_t size = 0;
    mode_t mode = 0;
    // Set by the system whenever the file arrives here or its inode changes: a move in, a copy
    // or an extraction that kept an old modification time, a change of mode or owner.
    timespec statusChanged {};
    // Which file it was: a copy made later checks that it still reads the same one.
    FileIdentity identity {};
    FileTime DateLastModified() const;
    // The later of the modification and the status-change time: when the file last changed
    // in this folder, whatever its modification time claims.
    FileTime DateLastChangedHere() const;
};

// A folder of a tree that is walked once, top down: held open while the walk is in it or
// below it. Its entries are read once, when it is opened; its files are looked at, and opened
// for a copy, relative to it, and its subfolders are opened relative to it, so that a link
// swapped in anywhere along the way is never followed. Links, FIFOs, sockets and devices are
// left out, as in a listing.
class OpenFolder {
public:
    // The folder the person named; its own path may be a link. Error when it cannot be read.
    explicit OpenFolder(const std::string& path);
    // A subfolder of parent, by a name from its FolderNames(). Error when it cannot be read.
    OpenFolder(const OpenFolder& parent, const std::string& name);
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    // Without a trailing '/', except for the root "/".
    const std::string& Path() const { return path_; }
    // Sorted by name (byte order).
    const std::vector<std::string>& FolderNames() const { return folders_; }
    std::size_t FileCount() const { return files_.size(); }
    const std::string& FileName(std::size_t i) const { return files_[i].name; }
    // Looks at file i (the entry's type told it is a file, or the reading had to look
    // already): nothing when it is gone or no longer a regular file. Error when it cannot
    // be looked at.
    std::optional<FileFacts> LookAt(std::size_t i) const;
    // Deletes file i, by its name in this folder: nothing when it is gone or a folder now.
    // Error when refused.
    void DeleteFileAt(std::size_t i) const;
    // Removes the empty subfolder of that name: nothing when it is gone. Error when it is
    // not empty or refused.
    void RemoveSubFolder(const std::string& name) const;

private:
    struct FileEntry {
        std::string name;
        std::optional<FileFacts> facts; // when the reading had to look at the entry
    };
    void Read();

    int fd_ = -1;
    std::string path_;
    std::vector<std::string> folders_;
    std::vector<FileEntry> files_;
};

// A folder a walk looked at, opened again to copy the files it chose: the named folder by its
// path (which may be a link), each folder below it by its name in the one above, a link never
// followed. Its entries are not read again.
class ReopenedFolder {
public:
    // Error when it cannot be opened.
    explicit ReopenedFolder(const std::string& path);
    ReopenedFolder(const ReopenedFolder& parent, const std::string& name);
    ReopenedFolder(const ReopenedFolder&) = delete;
    ReopenedFolder& operator=(const ReopenedFolder&) = delete;
    ~ReopenedFolder();

    const std::string& Path() const { return path_; }
    // Replaces the destination with a copy of the file of that name when it is still the
    // regular file seen (its identity), keeping its times and permission bits as they are
    // now; answers those facts. Nothing, and nothing written, when another entry (a link, a
    // FIFO, a new file) has taken its place. Error when it is gone or cannot be read, or the
    // destination cannot be written; the bytes are copied by the kernel where it can.
    std::optional<FileFacts> CopyFileIfSame(
        const std::string& name, const FileIdentity& seen, const std::string& destination) const;

private:
    int fd_ = -1;
    std::string path_;
};

class FileSystem {
public:
    // The entries of the folder at path but "." and "..", sorted by name (byte order). The
    // path itself may be a link, as a named folder may; the entries' links are never
    // followed. Error when the folder cannot be read.
    std::vector<FolderEntry> ListFolder(const std::string& path) const;
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
    // The same in one step that fails when anything is already there: false then, and the
    // existing entry is left as it is, never taken over.
    bool MakeFreshDir(const std::string& path, mode_t mode = 0777) const;
    // Makes root/relativePath and every folder between root and it that is missing, top
    // down, each with mode as MakeDir gives it; a folder already there is left as it is.
    // root itself must be there. Error when a folder cannot be made or something else than
    // a folder is in the way.
    void MakeMissingFolders(
        const std::string& root, const std::string& relativePath, mode_t mode = 0777) const;
    // Renames from to to, on one disk, never replacing what is at to: when anything is there
    // (a file, a folder, a link) Error naming to, and both are left as they were.
    void MoveNoReplace(const std::string& from, const std::string& to) const;
    // The identity of the entry at path itself, a link's own and not its target's; nothing
    // when nothing is there. Error when it cannot be looked at.
    std::optional<FileIdentity> IdentityOf(const std::string& path) const;
    // Removes one empty folder (trailing '/' allowed). Error when not empty or refused.
    void RemoveDir(const std::string& path) const;
    // Deletes one file. Error when refused.
    void DeleteFile(const std::string& path) const;
};

} // namespace vesko
