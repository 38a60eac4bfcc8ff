#include "care/space_check.h"

#include "core/ui_services.h"
#include "history/run_details.h"
#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vesko {

namespace {

// The file system facts of path or of the nearest existing folder above it.
struct statvfs DriveFacts(std::string path, dev_t* device = nullptr)
{
    struct statvfs facts { };
    while (::statvfs(path.c_str(), &facts) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            throw Error(path + ": " + std::strerror(errno));
        const std::size_t cut = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        if (cut == std::string::npos || path == "/")
            throw Error(path + ": no drive holds it");
        path = path.substr(0, cut == 0 ? 1 : cut);
    }
    if (device) {
        struct stat st { };
        *device = ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
    }
    return facts;
}

std::uint64_t RoundedUp(std::uint64_t size, std::uint64_t block)
{
    return block == 0 ? size : (size + block - 1) / block * block;
}

// One folder's changed bytes, below it included; dir is taken and closed.
std::uint64_t FolderBytes(int dir, TimePoint cutOff, std::uint64_t block)
{
    DIR* stream = ::fdopendir(dir);
    if (!stream) {
        ::close(dir);
        return 0;
    }
    const auto cutOffNanoseconds
        = std::chrono::duration_cast<std::chrono::nanoseconds>(cutOff.time_since_epoch());
    std::uint64_t bytes = 0;
    while (const dirent* entry = ::readdir(stream)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st { };
        if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int child = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                bytes += FolderBytes(child, cutOff, block);
        } else if (S_ISREG(st.st_mode)) {
            const auto modified = std::chrono::seconds(st.st_mtim.tv_sec)
                + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
            if (modified > cutOffNanoseconds)
                bytes += RoundedUp(static_cast<std::uint64_t>(st.st_size), block);
        }
    }
    ::closedir(stream);
    return bytes;
}

std::uint64_t UsedBytes(const struct statvfs& facts)
{
    return static_cast<std::uint64_t>(facts.f_blocks - facts.f_bfree) * facts.f_frsize;
}

} // namespace

std::uint64_t FreeBytes(const std::string& path)
{
    const struct statvfs facts = DriveFacts(path);
    return static_cast<std::uint64_t>(facts.f_bavail) * facts.f_frsize;
}

std::uint64_t ChangedBytes(
    const std::vector<std::string>& sources, TimePoint cutOff, std::uint64_t block)
{
    std::uint64_t bytes = 0;
    for (const std::string& source : sources) {
        const int dir = ::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0)
            bytes += FolderBytes(dir, cutOff, block);
    }
    return bytes;
}

SpaceFigures MeasureSpace(const ExportRequest& request)
{
    dev_t tempDrive = 0, archiveDrive = 0;
    const struct statvfs temp = DriveFacts(request.tempFolder, &tempDrive);
    const struct statvfs archive = DriveFacts(request.archiveFolder, &archiveDrive);
    SpaceFigures figures;
    figures.tempFree = static_cast<std::uint64_t>(temp.f_bavail) * temp.f_frsize;
    const std::uint64_t archiveFree
        = static_cast<std::uint64_t>(archive.f_bavail) * archive.f_frsize;
    // Everything the sources' drives hold bounds the copy from above: with room for that on
    // both drives, the walk is not needed.
    std::uint64_t bound = 0;
    std::set<dev_t> counted;
    for (const std::string& source : request.sources) {
        dev_t drive = 0;
        const struct statvfs facts = DriveFacts(source, &drive);
        if (counted.insert(drive).second)
            bound += RoundedUp(UsedBytes(facts), temp.f_frsize);
    }
    const bool shared = tempDrive == archiveDrive;
    if (figures.tempFree >= bound && archiveFree >= (shared ? 2 * bound : bound)) {
        figures.toCopy = bound;
        figures.archiveFree = shared ? archiveFree - bound : archiveFree;
        return figures;
    }
    figures.measured = true;
    figures.toCopy = ChangedBytes(request.sources, request.cutOff, temp.f_frsize);
    figures.archiveFree = !shared      ? archiveFree
        : archiveFree > figures.toCopy ? archiveFree - figures.toCopy
                                       : 0;
    return figures;
}

std::optional<RunOutcome> RefuseWithoutSpace(
    UiServices& ui, const ExportRequest& request, RunReport& report)
{
    SpaceFigures space;
    try {
        space = MeasureSpace(request);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (!space.measured)
        return std::nullopt;
    if (space.toCopy > space.tempFree) {
        report.message = "The changed files take " + history::SizeText(space.toCopy)
            + ", but the drive of the temporary folder " + request.tempFolder + " has only "
            + history::SizeText(space.tempFree) + " free." + CR + CR
            + "Free some room there or choose another temporary folder in the settings.";
        ui.Beep();
        ui.MsgBox(report.message, "Not Enough Space", Icon::Exclamation);
        return RunOutcome::Refused;
    }
    if (space.toCopy > space.archiveFree) {
        ui.MsgBox("The archive folder's drive has " + history::SizeText(space.archiveFree)
                + " free once the files are copied, less than the "
                + history::SizeText(space.toCopy) + " they take: the archive may not fit. The "
                + "export goes on, as the archive is often smaller than its files.",
            "Archive May Not Fit", Icon::Information);
    }
    return std::nullopt;
}

} // namespace vesko
