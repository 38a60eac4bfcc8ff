#include "export/archiver_check.h"

#include "core/ui_services.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

std::string ArchiverNotFoundText(const std::string& program)
{
    return "The archiver " + program + " was not found or cannot be run." + CR + CR
        + "Install the package arj (sudo apt install arj) and set the ARJ Folder in the "
        + "settings section to the folder that holds it, normally /usr/bin/.";
}

bool ArchiverRunnable(const std::string& archiverFolder)
{
    const std::string program = archiverFolder + "arj";
    struct stat found { };
    return ::stat(program.c_str(), &found) == 0 && S_ISREG(found.st_mode)
        && ::access(program.c_str(), X_OK) == 0;
}

std::optional<RunOutcome> RefuseMissingArchiver(
    UiServices& ui, RunReport& report, const std::string& archiverFolder)
{
    const std::string program = archiverFolder + "arj";
    struct stat found { };
    if (::stat(program.c_str(), &found) == 0 && S_ISREG(found.st_mode)
        && ::access(program.c_str(), X_OK) == 0)
        return std::nullopt;
    report.message = ArchiverNotFoundText(program);
    ui.Beep();
    ui.MsgBox(report.message, kArchiverNotFoundTitle, Icon::Exclamation);
    return RunOutcome::Refused;
}

} // namespace vesko
