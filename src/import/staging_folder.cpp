#include "import/staging_folder.h"

#include "platform/error.h"
#include "platform/filesystem.h"
#include "storage/staging_records.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesko {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw Error(what + " \"" + path + "\": " + std::strerror(err));
}

// Opens a folder and takes its lock; -1 when another run holds it.
int LockFolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot open folder", path, errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return -1;
        Fail("Cannot lock folder", path, err);
    }
    return fd;
}

std::string TokenPath(const std::string& staging)
{
    return staging + "/token";
}

std::string NewToken()
{
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        token += part;
    }
    return token;
}

void WriteToken(const std::string& staging, const std::string& token)
{
    const std::string path = TokenPath(staging);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("Cannot create", path, errno);
    const bool written
        = ::write(fd, token.data(), token.size()) == static_cast<ssize_t>(token.size())
        && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!written)
        Fail("Cannot write", path, err);
}

// The token inside the folder at path; empty when there is none to read.
std::string ReadToken(const std::string& staging)
{
    const int fd = ::open(TokenPath(staging).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return "";
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
}

} // namespace

void RemoveTree(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return;
        Fail("Cannot remove", path, errno);
    }
    if (S_ISDIR(st.st_mode)) {
        if ((st.st_mode & S_IRWXU) != S_IRWXU)
            ::chmod(path.c_str(), S_IRWXU);
        for (const std::string& name : FolderNames(path))
            RemoveTree(path + "/" + name);
        if (::rmdir(path.c_str()) != 0)
            Fail("Cannot remove folder", path, errno);
    } else if (::unlink(path.c_str()) != 0) {
        Fail("Cannot remove", path, errno);
    }
}

StagingFolder::StagingFolder(SettingsStore& store, std::string folder, std::string path, int lock)
    : store_(store)
    , folder_(std::move(folder))
    , path_(std::move(path))
    , lock_(lock)
{
}

StagingFolder::StagingFolder(const std::string& folder, SettingsStore& store)
    : store_(store)
    , folder_(folder)
{
    std::string pattern = folder + kStagingPrefix + "XXXXXX";
    // mkdtemp makes it 0700 whatever the umask.
    if (::mkdtemp(pattern.data()) == nullptr)
        Fail("Cannot create a staging folder in", folder, errno);
    path_ = pattern;
    bool recorded = false;
    try {
        lock_ = LockFolder(path_);
        if (lock_ < 0)
            Fail("Cannot lock folder", path_, EWOULDBLOCK);
        const std::optional<FileIdentity> identity = FileSystem().IdentityOf(path_);
        if (!identity)
            Fail("Cannot look at", path_, ENOENT);
        const std::string token = NewToken();
        WriteToken(path_, token);
        history::RecordStagingFolder(store_,
            { path_, static_cast<std::uint64_t>(identity->device), identity->inode, token });
        recorded = true;
        for (const std::string& inside : { Extracted(), Replaced() })
            if (::mkdir(inside.c_str(), S_IRWXU) != 0)
                Fail("Cannot create folder", inside, errno);
    } catch (...) {
        ::rmdir((path_ + "/files").c_str());
        ::rmdir(Replaced().c_str());
        ::unlink(TokenPath(path_).c_str());
        ::rmdir(path_.c_str());
        if (recorded)
            history::ForgetStagingFolder(store_, path_);
        if (lock_ >= 0)
            ::close(lock_);
        throw;
    }
}

std::unique_ptr<StagingFolder> StagingFolder::Adopt(SettingsStore& store, const StagingRecord& left)
{
    const std::optional<FileIdentity> identity = FileSystem().IdentityOf(left.path);
    const std::string folder = left.path.substr(0, left.path.rfind('/') + 1);
    // Its import folder on a drive that is not there now: the record waits for it.
    if (!identity && !FileSystem().FolderExists(folder))
        return nullptr;
    const bool same = identity && static_cast<std::uint64_t>(identity->device) == left.device
        && identity->inode == left.inode && ReadToken(left.path) == left.token;
    if (!same) {
        history::ForgetStagingFolder(store, left.path);
        return nullptr;
    }
    const int lock = LockFolder(left.path);
    if (lock < 0)
        return nullptr;
    return std::unique_ptr<StagingFolder>(new StagingFolder(store, folder, left.path, lock));
}

std::string StagingFolder::Keep()
{
    keep_ = true;
    const std::string kept = folder_ + "vesko-import-kept-" + path_.substr(path_.size() - 6);
    if (::rename(path_.c_str(), kept.c_str()) == 0) {
        try {
            history::ForgetStagingFolder(store_, path_);
        } catch (...) {
            // A record whose folder is gone is forgotten by the next import.
        }
        path_ = kept;
    }
    return path_;
}

StagingFolder::~StagingFolder()
{
    try {
        // A placement stopped half-way by anything but an Error leaves its journal: the
        // folder may hold the only copy of a file, and the next import finishes or rolls back
        // that placement.
        if (!keep_ && !FileSystem().IdentityOf(Journal())) {
            RemoveTree(path_);
            history::ForgetStagingFolder(store_, path_);
        }
    } catch (...) {
        // Still recorded and lock-free once this run ends: the next import removes it.
    }
    ::close(lock_);
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (FolderEntry& entry : FileSystem().ListFolder(folder))
        names.push_back(std::move(entry.name));
    return names;
}

} // namespace vesko
