#include "export/temp_marker.h"

#include "platform/dates.h"
#include "platform/error.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko::export_steps {

namespace {

constexpr std::string_view kMarkerText = "vesko-backup export run";

[[noreturn]] void Fail(const std::string& path, const char* what, int err)
{
    throw Error(std::string(what) + " \"" + path + "\": " + std::strerror(err));
}

} // namespace

std::unique_ptr<TempMarker> TempMarker::Write(const std::string& destination)
{
    const std::string path = destination + kTempMarkerName;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail(path, "Cannot create", errno);
    // Locked before it says anything: a marker whose text can be read is never free while
    // its run lives.
    const std::string text = std::string(kMarkerText) + ", started "
        + StoredDateText(std::chrono::system_clock::now()) + ", process "
        + std::to_string(::getpid()) + "\n";
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const ssize_t written = locked ? ::write(fd, text.data(), text.size()) : -1;
    if (!locked || written != static_cast<ssize_t>(text.size())) {
        const int err = written < 0 ? errno : EIO;
        ::unlink(path.c_str());
        ::close(fd);
        Fail(path, "Cannot write", err);
    }
    return std::unique_ptr<TempMarker>(new TempMarker(fd));
}

TempMarker::~TempMarker()
{
    ::close(fd_);
}

bool LeftByEndedRun(const std::string& destination)
{
    const std::string path = destination + kTempMarkerName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st { };
    char text[kMarkerText.size()];
    const bool ended = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
        && ::read(fd, text, sizeof text) == static_cast<ssize_t>(sizeof text)
        && std::string_view(text, sizeof text) == kMarkerText
        && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return ended;
}

void RemoveTempMarker(const std::string& destination)
{
    const std::string path = destination + kTempMarkerName;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        Fail(path, "Cannot delete", errno);
}

} // namespace vesko::export_steps
