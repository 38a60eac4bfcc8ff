#include "platform/filesystem.h"

#include "platform/error.h"
#include "platform/path_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, const std::string& reason)
{
    throw Error(std::string(what) + " \"" + path + "\": " + reason, reason);
}

[[noreturn]] void Fail(const char* what, const std::string& path, int err)
{
    Fail(what, path, std::strerror(err));
}

[[noreturn]] void FailWrite(const char* what, const std::string& path, int err)
{
    throw WriteError(
        std::string(what) + " \"" + path + "\": " + std::strerror(err), std::strerror(err));
}

// The path without trailing '/' (but "/" stays the root), so that the queries look at the
// entry itself: a trailing '/' would make the kernel follow a link.
std::string Trimmed(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::string Child(const std::string& folder, const char* name)
{
    std::string path;
    path.reserve(folder.size() + 1 + std::strlen(name));
    if (folder != "/")
        path = folder;
    path += '/';
    path += name;
    return path;
}

FileTime ToFileTime(const timespec& ts)
{
    return FileTime(std::chrono::duration_cast<FileTime::duration>(
        std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
}

class Fd {
public:
    explicit Fd(int fd = -1)
        : fd_(fd)
    {
    }
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// O_NOFOLLOW unless the folder is one the person named: a link swapped in for a listed folder
// after it was looked at is not read.
int OpenForReading(int at, const char* name, bool followLink, const std::string& path)
{
    const int fd
        = ::openat(at, name, O_RDONLY | O_DIRECTORY | (followLink ? 0 : O_NOFOLLOW) | O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot read folder", path, errno == ELOOP ? ENOTDIR : errno);
    return fd;
}

// Calls visit(name, d_type) for every entry but "." and "..". The entries are read with
// getdents64 straight into a buffer: a walk reads thousands of folders, and opendir's extra
// descriptor checks cost more than the reading itself.
template <typename Visit> void ReadEntries(int dir, const std::string& path, Visit visit)
{
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t n = ::getdents64(dir, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot read folder", path, errno);
        }
        if (n == 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            visit(name, entry->d_type);
        }
    }
}

// The paths a person names (a source folder, the archive folder, an archive) may be links
// themselves, as ~/Documents often is: the queries on a named path follow its last link.
// The walks never do: their entries come from the listings, which leave links out.
bool Stat(const std::string& path, struct stat& st)
{
    return ::stat(Trimmed(path).c_str(), &st) == 0;
}

// The source was looked at before it was opened: only the kernel's copy, which takes
// nothing but regular files, spares looking at it again. Before anything else reads it, it
// must still be a file: a FIFO or a device put in its place would be read from instead.
void CheckStillAFile(int in, const std::string& source)
{
    struct stat st { };
    if (::fstat(in, &st) != 0)
        Fail("Cannot read file", source, errno);
    if (!S_ISREG(st.st_mode))
        Fail("Cannot read file", source,
            S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
}

// Fills the destination from the source: the kernel's in-kernel copy (which also clones
// where the file system can) where it can, sendfile or plain reads and writes where it
// cannot.
void CopyBytes(
    int in, int out, std::uintmax_t size, const std::string& source, const std::string& destination)
{
    std::uintmax_t copied = 0;
    bool kernelCopy = true;
    bool sendFile = true;
    for (;;) {
        if (kernelCopy) {
            ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0) {
                copied += static_cast<std::uintmax_t>(n);
                continue;
            }
            if (n == 0 && (copied > 0 || size == 0))
                return;
            if (n < 0 && errno == EINTR)
                continue;
            // Some file systems answer 0 at once for a file that has bytes; let the plain
            // reads find out whether it is really empty.
            if (n == 0 || errno == ENOSYS || errno == EXDEV || errno == EINVAL
                || errno == EOPNOTSUPP || errno == EPERM || errno == EISDIR) {
                CheckStillAFile(in, source);
                kernelCopy = false;
                continue;
            }
        } else if (sendFile) {
            ssize_t n = ::sendfile(out, in, nullptr, 1 << 30);
            if (n > 0)
                continue;
            if (n == 0)
                return;
            if (errno == EINTR)
                continue;
            if (errno == ENOSYS || errno == EINVAL) {
                sendFile = false;
                continue;
            }
        } else {
            char buffer[1 << 16];
            ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n == 0)
                return;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                Fail("Cannot read file", source, errno);
            }
            for (ssize_t done = 0; done < n;) {
                ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    FailWrite("Cannot write file", destination, errno);
                }
                done += w;
            }
            continue;
        }
        // A failed copy_file_range or sendfile: tell which side refused.
        int err = errno;
        if (err == ENOSPC || err == EDQUOT || err == EFBIG || err == EROFS || err == ETXTBSY)
            FailWrite("Cannot write file", destination, err);
        Fail("Cannot read file", source, err);
    }
}

std::string TemporaryNameBeside(const std::string& destination)
{
    static std::mt19937_64 random { std::random_device {}() };
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = destination + ".vesko-";
    for (int i = 0; i < 8; ++i)
        name += digits[random() % 36];
    return name;
}

} // namespace

Folder::Folder(std::string path, bool named)
    : path_(Trimmed(path))
    , named_(named)
{
}

// One reading of a folder: its subfolders' names, and whether it holds a file.
struct FolderListing {
    std::vector<std::string> folders;
    bool holdsFiles = false;
};

namespace {

// The entries of the open folder dir, in the order the disk gives them; an entry whose type
// the file system does not tell is looked at, and one gone since the reading is left out.
std::vector<FolderEntry> EntriesOf(int dir, const std::string& path)
{
    std::vector<FolderEntry> entries;
    ReadEntries(dir, path, [&](const char* name, unsigned char type) {
        if (type == DT_UNKNOWN) {
            struct stat st { };
            if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    return;
                Fail("Cannot read file", Child(path, name), errno);
            }
            type = S_ISDIR(st.st_mode) ? DT_DIR
                : S_ISREG(st.st_mode)  ? DT_REG
                : S_ISLNK(st.st_mode)  ? DT_LNK
                                       : DT_UNKNOWN;
        }
        entries.push_back({ name,
            type == DT_DIR       ? EntryKind::Folder
                : type == DT_REG ? EntryKind::File
                : type == DT_LNK ? EntryKind::Link
                                 : EntryKind::Other });
    });
    return entries;
}

std::shared_ptr<FolderListing> ReadListing(const std::string& path, bool followLink)
{
    auto listing = std::make_shared<FolderListing>();
    const Fd folder(OpenForReading(AT_FDCWD, path.c_str(), followLink, path));
    for (FolderEntry& entry : EntriesOf(folder.get(), path)) {
        if (entry.kind == EntryKind::Folder)
            listing->folders.push_back(std::move(entry.name));
        else if (entry.kind == EntryKind::File)
            listing->holdsFiles = true;
    }
    std::sort(listing->folders.begin(), listing->folders.end());
    return listing;
}

} // namespace

std::vector<Folder> Folder::SubFolders() const
{
    listing_ = ReadListing(path_, named_);
    std::vector<Folder> folders;
    folders.reserve(listing_->folders.size());
    for (const std::string& name : listing_->folders)
        folders.emplace_back(Child(path_, name.c_str()));
    return folders;
}

bool Folder::HoldsFiles() const
{
    if (!listing_)
        listing_ = ReadListing(path_, named_);
    return listing_->holdsFiles;
}

std::vector<FolderEntry> FileSystem::ListFolder(const std::string& path) const
{
    const Fd folder(OpenForReading(AT_FDCWD, path.c_str(), true, path));
    std::vector<FolderEntry> entries = EntriesOf(folder.get(), path);
    std::sort(entries.begin(), entries.end(),
        [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

Folder FileSystem::GetFolder(const std::string& path) const
{
    struct stat st { };
    if (!Stat(path, st))
        Fail("Cannot find folder", path, errno);
    if (!S_ISDIR(st.st_mode))
        Fail("Cannot find folder", path, "Not a directory");
    return Folder(path, true);
}

bool FileSystem::FolderExists(const std::string& path) const
{
    struct stat st { };
    return Stat(path, st) && S_ISDIR(st.st_mode);
}

bool FileSystem::FileExists(const std::string& path) const
{
    struct stat st { };
    return !path.empty() && path.back() != '/' && Stat(path, st) && S_ISREG(st.st_mode);
}

void FileSystem::MakeDir(const std::string& path, mode_t mode) const
{
    if (!MakeFreshDir(path, mode))
        FailWrite("Cannot create folder", Trimmed(path), EEXIST);
}

namespace {

// True when the folder was made; else errno tells why not.
bool MadeFolder(const std::string& path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) != 0)
        return false;
    // The default follows the umask like any new folder; a mode asked for is set exactly,
    // so a private folder stays private whatever the umask.
    if (mode != 0777 && ::chmod(path.c_str(), mode) != 0)
        FailWrite("Cannot set the permissions of folder", path, errno);
    return true;
}

} // namespace

bool FileSystem::MakeFreshDir(const std::string& path, mode_t mode) const
{
    const std::string p = Trimmed(path);
    if (MadeFolder(p, mode))
        return true;
    if (errno == EEXIST)
        return false;
    FailWrite("Cannot create folder", p, errno);
}

void FileSystem::MakeMissingFolders(
    const std::string& root, const std::string& relativePath, mode_t mode) const
{
    const std::size_t first = relativePath.find_first_not_of('/');
    if (first == std::string::npos)
        return;
    const std::string relative = Trimmed(relativePath.substr(first));
    const std::string path = Child(Trimmed(root), relative.c_str());
    // Usually the parent is there (folders are made top down), so the levels above are
    // looked at only when making the folder failed for want of one.
    if (MadeFolder(path, mode))
        return;
    int err = errno;
    const auto cut = relative.rfind('/');
    if (err == ENOENT && cut != std::string::npos) {
        MakeMissingFolders(root, relative.substr(0, cut), mode);
        if (MadeFolder(path, mode))
            return;
        err = errno;
    }
    // Made meanwhile by another walk, or there all along.
    if (err == EEXIST && FolderExists(path))
        return;
    FailWrite("Cannot create folder", path, err == EEXIST ? ENOTDIR : err);
}

void FileSystem::MoveNoReplace(const std::string& fromPath, const std::string& toPath) const
{
    const auto fail = [&](int err) {
        throw Error("Cannot move \"" + fromPath + "\" to \"" + toPath + "\": " + std::strerror(err),
            std::strerror(err));
    };
    // A folder's path may end with '/', which a hard link's new name must not.
    const std::string from = Trimmed(fromPath), to = Trimmed(toPath);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL)
        fail(errno);
    // The disk cannot refuse a rename over an existing entry (some USB sticks' file systems).
    // A hard link is made only where nothing is, so linking and then dropping the old name
    // keeps the promise in two steps.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) != 0) {
            const int err = errno;
            ::unlink(to.c_str());
            fail(err);
        }
        return;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        fail(errno);
    // No hard links either (vfat; and a folder never has one): look, then rename. Something
    // made at to by another program between the look and the rename, a few microseconds,
    // would be replaced; nothing of this program writes there meanwhile.
    struct stat st { };
    if (::lstat(to.c_str(), &st) == 0)
        fail(EEXIST);
    if (errno != ENOENT)
        fail(errno);
    if (::rename(from.c_str(), to.c_str()) != 0)
        fail(errno);
}

std::optional<FileIdentity> FileSystem::IdentityOf(const std::string& path) const
{
    struct stat st { };
    if (::lstat(Trimmed(path).c_str(), &st) == 0)
        return FileIdentity { st.st_dev, st.st_ino };
    if (errno == ENOENT || errno == ENOTDIR)
        return std::nullopt;
    Fail("Cannot look at", path, errno);
}

void FileSystem::RemoveDir(const std::string& path) const
{
    const std::string p = Trimmed(path);
    if (::rmdir(p.c_str()) != 0)
        Fail("Cannot remove folder", p, errno);
}

void FileSystem::DeleteFile(const std::string& path) const
{
    if (::unlink(path.c_str()) != 0)
        Fail("Cannot delete file", path, errno);
}

FileTime FileFacts::DateLastModified() const
{
    return ToFileTime(modified);
}

FileTime FileFacts::DateLastChangedHere() const
{
    return std::max(ToFileTime(modified), ToFileTime(statusChanged));
}

OpenFolder::OpenFolder(const std::string& path)
    : fd_(OpenForReading(AT_FDCWD, Trimmed(path).c_str(), true, Trimmed(path)))
    , path_(Trimmed(path))
{
    Read();
}

OpenFolder::OpenFolder(const OpenFolder& parent, const std::string& name)
    : fd_(OpenForReading(parent.fd_, name.c_str(), false, Child(parent.path_, name.c_str())))
    , path_(Child(parent.path_, name.c_str()))
{
    Read();
}

OpenFolder::~OpenFolder()
{
    ::close(fd_);
}

namespace {

FileFacts FactsOf(const struct stat& st)
{
    return { st.st_atim, st.st_mtim, static_cast<std::uintmax_t>(st.st_size), st.st_mode,
        st.st_ctim, { st.st_dev, st.st_ino } };
}

} // namespace

void OpenFolder::Read()
{
    try {
        ReadEntries(fd_, path_, [this](const char* name, unsigned char type) {
            if (type == DT_DIR)
                folders_.emplace_back(name);
            else if (type == DT_REG)
                files_.push_back({ name, std::nullopt });
            else if (type == DT_UNKNOWN) {
                // The file system does not tell the type: look now, and keep what was seen.
                struct stat st { };
                if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        return;
                    Fail("Cannot read file", Child(path_, name), errno);
                }
                if (S_ISDIR(st.st_mode))
                    folders_.emplace_back(name);
                else if (S_ISREG(st.st_mode))
                    files_.push_back({ name, FactsOf(st) });
            }
        });
    } catch (...) {
        ::close(fd_);
        throw;
    }
    std::sort(folders_.begin(), folders_.end());
    std::sort(files_.begin(), files_.end(),
        [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
}

std::optional<FileFacts> OpenFolder::LookAt(std::size_t i) const
{
    const FileEntry& file = files_[i];
    if (file.facts)
        return file.facts;
    struct stat st { };
    if (::fstatat(fd_, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return std::nullopt; // gone since the folder was read
        Fail("Cannot read file", Child(path_, file.name.c_str()), errno);
    }
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    return FactsOf(st);
}

namespace {

// Fills the destination from the opened source, keeping facts' times and permission bits.
void CopyOpenedFile(
    int in, const FileFacts& facts, const std::string& source, const std::string& destination)
{
    // A fresh destination is written in place. An existing one is replaced by renaming a
    // finished copy over it, so a read-only or linked destination is never written
    // through and a failed copy leaves the old file as it was.
    std::string target = destination;
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Fd out(::open(target.c_str(), flags, 0600));
    bool replacing = false;
    if (out.get() < 0 && errno == EEXIST) {
        struct stat existing { };
        if (::lstat(destination.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
            FailWrite("Cannot write file", destination, EISDIR);
        replacing = true;
        for (int attempt = 0; attempt < 16; ++attempt) {
            target = TemporaryNameBeside(destination);
            Fd candidate(::open(target.c_str(), flags, 0600));
            if (candidate.get() >= 0 || errno != EEXIST) {
                out.reset(candidate.release());
                break;
            }
        }
    }
    if (out.get() < 0)
        FailWrite("Cannot write file", destination, errno);

    try {
        CopyBytes(in, out.get(), facts.size, source, destination);
        if (::fchmod(out.get(), facts.mode & 0777) != 0)
            FailWrite("Cannot set the permissions of file", destination, errno);
        const timespec times[2] = { facts.accessed, facts.modified };
        if (::futimens(out.get(), times) != 0)
            FailWrite("Cannot set the modification time of file", destination, errno);
        if (::close(out.release()) != 0)
            FailWrite("Cannot write file", destination, errno);
        if (replacing && ::rename(target.c_str(), destination.c_str()) != 0)
            FailWrite("Cannot replace file", destination, errno);
    } catch (...) {
        ::unlink(target.c_str());
        throw;
    }
}

} // namespace

void OpenFolder::DeleteFileAt(std::size_t i) const
{
    const std::string& name = files_[i].name;
    if (::unlinkat(fd_, name.c_str(), 0) != 0 && errno != ENOENT && errno != EISDIR)
        Fail("Cannot delete file", Child(path_, name.c_str()), errno);
}

void OpenFolder::RemoveSubFolder(const std::string& name) const
{
    if (::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
        Fail("Cannot remove folder", Child(path_, name.c_str()), errno);
}

ReopenedFolder::ReopenedFolder(const std::string& path)
    : fd_(OpenForReading(AT_FDCWD, Trimmed(path).c_str(), true, Trimmed(path)))
    , path_(Trimmed(path))
{
}

ReopenedFolder::ReopenedFolder(const ReopenedFolder& parent, const std::string& name)
    : fd_(OpenForReading(parent.fd_, name.c_str(), false, Child(parent.path_, name.c_str())))
    , path_(Child(parent.path_, name.c_str()))
{
}

ReopenedFolder::~ReopenedFolder()
{
    ::close(fd_);
}

std::optional<FileFacts> ReopenedFolder::CopyFileIfSame(
    const std::string& name, const FileIdentity& seen, const std::string& destination) const
{
    const std::string source = Child(path_, name.c_str());
    // O_NOFOLLOW and O_NONBLOCK: a link or a FIFO put where the file was is passed over at
    // once instead of being followed or waited on. A regular file ignores O_NONBLOCK.
    Fd in(::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0) {
        if (errno == ELOOP)
            return std::nullopt; // a link in its place
        Fail("Cannot read file", source, errno);
    }
    struct stat st { };
    if (::fstat(in.get(), &st) != 0)
        Fail("Cannot read file", source, errno);
    if (!S_ISREG(st.st_mode) || FileIdentity { st.st_dev, st.st_ino } != seen)
        return std::nullopt;
    const FileFacts facts = FactsOf(st);
    CopyOpenedFile(in.get(), facts, source, destination);
    return facts;
}

} // namespace vesko
