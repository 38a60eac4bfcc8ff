#include "export/temp_marker.h"

#include "core/requests.h"
#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "storage/export_leftovers.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string_view>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko::export_steps {

namespace {

constexpr std::string_view kMarkerText = "vesko-backup export run";
constexpr std::size_t kLongestMarker = 512;

[[noreturn]] void Fail(const std::string& path, const char* what, int err)
{
    throw Error(std::string(what) + " \"" + path + "\": " + std::strerror(err));
}

// 128 random bits as hex: no file written by anyone else can guess them.
std::string RandomToken()
{
    unsigned char bytes[16];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        throw Error(std::string("Cannot draw a random token: ") + std::strerror(errno));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token.push_back(kHex[b >> 4]);
        token.push_back(kHex[b & 15]);
    }
    return token;
}

// The run and token of an ended run's marker in destination; nothing when there is no such
// file, or its run still holds it.
std::optional<std::pair<std::int64_t, std::string>> EndedMarker(const std::string& destination)
{
    const std::string path = destination + kTempMarkerName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st { };
    char text[kLongestMarker];
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_SH | LOCK_NB) == 0)
        got = ::read(fd, text, sizeof text);
    ::close(fd);
    if (got <= 0)
        return std::nullopt;
    std::istringstream lines(std::string(text, static_cast<std::size_t>(got)));
    std::string head, runWord, tokenWord, token;
    std::int64_t run = 0;
    if (!std::getline(lines, head) || head != kMarkerText || !(lines >> runWord >> run)
        || runWord != "run" || !(lines >> tokenWord >> token) || tokenWord != "token")
        return std::nullopt;
    return std::make_pair(run, token);
}

// The folder is or holds one the person keeps: removing it would take their files.
bool HoldsPersonsFolder(const ExportRequest& request, const std::string& folder)
{
    if (foldertree::SameOrHolds(folder, request.archiveFolder))
        return true;
    const std::string home = paths::HomeFolder();
    if (!home.empty() && foldertree::SameOrHolds(folder, home))
        return true;
    for (const std::string& source : request.sources)
        if (!source.empty() && foldertree::SameOrHolds(folder, source))
            return true;
    return false;
}

} // namespace

std::unique_ptr<TempMarker> TempMarker::Write(
    const std::string& destination, std::int64_t run, SettingsStore& store)
{
    const std::optional<FileIdentity> identity = FileSystem().IdentityOf(destination);
    if (!identity)
        Fail(destination, "Cannot find", ENOENT);
    const std::string token = RandomToken();
    const std::string path = destination + kTempMarkerName;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail(path, "Cannot create", errno);
    // Locked before it says anything: a marker whose text can be read is never free while
    // its run lives. Recorded before it is written: a marker on disk always has its record.
    const std::string text = std::string(kMarkerText) + "\nrun " + std::to_string(run) + "\ntoken "
        + token + "\nstarted " + StoredDateText(std::chrono::system_clock::now()) + ", process "
        + std::to_string(::getpid()) + "\n";
    int err = 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        err = errno;
    if (err == 0) {
        try {
            history::RecordTempTree(store, { run, token, destination, *identity });
        } catch (const Error&) {
            ::unlink(path.c_str());
            ::close(fd);
            throw;
        }
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written != static_cast<ssize_t>(text.size()))
            err = written < 0 ? errno : EIO;
    }
    if (err != 0) {
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

std::optional<std::int64_t> LeftByEndedRun(
    const ExportRequest& request, SettingsStore& store, std::int64_t current)
{
    const std::string& folder = request.tempFolder;
    const auto marker = EndedMarker(folder);
    if (!marker)
        return std::nullopt;
    const std::optional<history::TempTreeRecord> record
        = history::FindEndedTempTree(store, marker->first, marker->second, current);
    if (!record || foldertree::NormalisedPath(record->path) != foldertree::NormalisedPath(folder))
        return std::nullopt;
    if (FileSystem().IdentityOf(folder) != std::optional<FileIdentity>(record->identity))
        return std::nullopt;
    if (HoldsPersonsFolder(request, folder))
        return std::nullopt;
    return record->run;
}

void RemoveTempMarker(const std::string& destination, std::int64_t run, SettingsStore& store)
{
    const std::string path = destination + kTempMarkerName;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        Fail(path, "Cannot delete", errno);
    ForgetTree(store, run);
}

void ForgetTree(SettingsStore& store, std::int64_t run)
{
    try {
        history::ForgetTempTree(store, run);
    } catch (const Error&) {
        // Without its marker no tree matches the record: it only takes a row.
    }
}

} // namespace vesko::export_steps
