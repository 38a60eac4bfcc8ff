#include "platform/run_lock.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

namespace {

// Makes the missing folders of path, each private: the settings folder holds nothing
// another user may read.
void MakeFolders(const std::string& path)
{
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw Error("Cannot create folder \"" + part + "\": " + std::strerror(errno));
    }
}

} // namespace

std::unique_ptr<RunLock> RunLock::TryTake(const std::string& storePath)
{
    const auto slash = storePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : storePath.substr(0, slash);
    if (!folder.empty())
        MakeFolders(folder);
    const std::string path = folder + "/run.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Error("Cannot open the lock file \"" + path + "\": " + std::strerror(errno));
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return nullptr;
        throw Error("Cannot lock \"" + path + "\": " + std::strerror(err));
    }
    return std::unique_ptr<RunLock>(new RunLock(fd));
}

RunLock::~RunLock()
{
    ::close(fd_);
}

} // namespace vesko
