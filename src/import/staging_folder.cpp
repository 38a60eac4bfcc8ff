#include "import/staging_folder.h"

#include "platform/error.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

void StagingFolder::RemoveLeftovers(const std::string& folder)
{
    const std::string prefix = kStagingPrefix;
    for (const FolderEntry& entry : FileSystem().ListFolder(folder)) {
        if (entry.kind != EntryKind::Folder || entry.name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string path = folder + entry.name;
        const int lock = LockFolder(path);
        if (lock < 0)
            continue; // a run of another settings store is using it
        try {
            RemoveTree(path);
        } catch (...) {
            ::close(lock);
            throw;
        }
        ::close(lock);
    }
}

StagingFolder::StagingFolder(const std::string& folder)
    : folder_(folder)
{
    std::string pattern = folder + kStagingPrefix + "XXXXXX";
    // mkdtemp makes it 0700 whatever the umask.
    if (::mkdtemp(pattern.data()) == nullptr)
        Fail("Cannot create a staging folder in", folder, errno);
    path_ = pattern;
    try {
        lock_ = LockFolder(path_);
        if (lock_ < 0)
            Fail("Cannot lock folder", path_, EWOULDBLOCK);
        for (const std::string& inside : { Extracted(), Replaced() })
            if (::mkdir(inside.c_str(), S_IRWXU) != 0)
                Fail("Cannot create folder", inside, errno);
    } catch (...) {
        ::rmdir((path_ + "/files").c_str());
        ::rmdir(Replaced().c_str());
        ::rmdir(path_.c_str());
        if (lock_ >= 0)
            ::close(lock_);
        throw;
    }
}

std::string StagingFolder::Keep()
{
    keep_ = true;
    const std::string kept = folder_ + "vesko-import-kept-" + path_.substr(path_.size() - 6);
    if (::rename(path_.c_str(), kept.c_str()) == 0)
        path_ = kept;
    return path_;
}

StagingFolder::~StagingFolder()
{
    if (!keep_) {
        try {
            RemoveTree(path_);
        } catch (...) {
            // Still locked-free once this run ends: the next import of the folder removes it.
        }
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
