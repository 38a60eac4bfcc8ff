#include "care/space_check.h"

#include "core/ui_services.h"
#include "foldertree/copy_plan.h"
#include "history/run_details.h"
#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>

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

} // namespace

std::uint64_t FreeBytes(const std::string& path)
{
    const struct statvfs facts = DriveFacts(path);
    return static_cast<std::uint64_t>(facts.f_bavail) * facts.f_frsize;
}

SpaceFigures MeasureSpace(const ExportRequest& request, const CopyPlan& plan)
{
    dev_t tempDrive = 0, archiveDrive = 0;
    const struct statvfs temp = DriveFacts(request.tempFolder, &tempDrive);
    const struct statvfs archive = DriveFacts(request.archiveFolder, &archiveDrive);
    SpaceFigures figures;
    figures.tempFree = static_cast<std::uint64_t>(temp.f_bavail) * temp.f_frsize;
    for (const PlannedFile& file : plan.files)
        figures.toCopy += RoundedUp(file.facts.size, temp.f_frsize);
    const std::uint64_t archiveFree
        = static_cast<std::uint64_t>(archive.f_bavail) * archive.f_frsize;
    const bool shared = tempDrive == archiveDrive;
    figures.archiveFree = !shared      ? archiveFree
        : archiveFree > figures.toCopy ? archiveFree - figures.toCopy
                                       : 0;
    return figures;
}

std::optional<RunOutcome> RefuseWithoutSpace(
    UiServices& ui, const ExportRequest& request, const CopyPlan& plan, RunReport& report)
{
    SpaceFigures space;
    try {
        space = MeasureSpace(request, plan);
    } catch (const Error&) {
        return std::nullopt;
    }
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
