#include "import/placement_journal.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace vesko {

namespace {

// Fields end with a NUL: a path may hold any other byte.
constexpr char kEnd = '\0';
const std::string kFirstLine = "vesko placement 1";

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw Error(what + " \"" + path + "\": " + std::strerror(err));
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.rfind('/') + 1);
}

// A rename or an unlink lasts only once the folder holding it is on the disk.
void SyncFolder(const std::string& path)
{
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        Fail("Cannot sync folder", FolderOf(path), err);
    }
    ::close(fd);
}

std::string Encoded(const PlacementJournal& journal)
{
    std::string text = kFirstLine + kEnd + journal.archive + kEnd + journal.folder + kEnd;
    for (const PlacementStep& step : journal.steps)
        text += std::string(step.replaces ? "R " : "N ") + (step.folder ? "d " : "f ")
            + std::to_string(step.files) + " " + std::to_string(step.bytes) + kEnd + step.path
            + kEnd;
    return text;
}

PlacementJournal Decoded(const std::string& text, const std::string& path)
{
    std::vector<std::string> fields;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find(kEnd, at);
        if (end == std::string::npos)
            throw Error("The placement journal \"" + path + "\" is cut short.");
        fields.push_back(text.substr(at, end - at));
    }
    if (fields.size() < 3 || fields[0] != kFirstLine || fields.size() % 2 == 0)
        throw Error("\"" + path + "\" is not a placement journal.");
    PlacementJournal journal { fields[1], fields[2], {} };
    for (std::size_t i = 3; i < fields.size(); i += 2) {
        std::istringstream line(fields[i]);
        char kind = 0, type = 0;
        PlacementStep step;
        if (!(line >> kind >> type >> step.files >> step.bytes))
            throw Error("\"" + path + "\" is not a placement journal.");
        step.replaces = kind == 'R';
        step.folder = type == 'd';
        step.path = fields[i + 1];
        journal.steps.push_back(std::move(step));
    }
    return journal;
}

} // namespace

void WriteJournal(const std::string& path, const PlacementJournal& journal)
{
    const std::string text = Encoded(journal), partial = path + ".partial";
    const int fd
        = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("Cannot create", partial, errno);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            Fail("Cannot write", partial, err);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Cannot write", partial, err);
    }
    ::close(fd);
    if (::rename(partial.c_str(), path.c_str()) != 0)
        Fail("Cannot rename to", path, errno);
    SyncFolder(path);
}

std::optional<PlacementJournal> ReadJournal(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        Fail("Cannot open", path, errno);
    }
    std::string text;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    const int err = errno;
    ::close(fd);
    if (n < 0)
        Fail("Cannot read", path, err);
    return Decoded(text, path);
}

void DropJournal(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        Fail("Cannot remove", path, errno);
    SyncFolder(path);
}

} // namespace vesko
