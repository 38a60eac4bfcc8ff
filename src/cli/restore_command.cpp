#include "cli/restore_command.h"

#include "cli/cli_options.h"
#include "cli/cli_ui.h"
#include "core/settings.h"
#include "platform/home_folder.h"
#include "restore/restore_run.h"

#include <climits>
#include <unistd.h>

namespace vesko::cli {

namespace {

// A folder option as the run wants it: '~' replaced, relative to the working folder,
// ending with '/'.
std::string FolderArgument(const std::string& typed)
{
    std::string path = paths::ExpandHome(typed);
    if (!path.starts_with('/')) {
        char here[PATH_MAX];
        if (::getcwd(here, sizeof here) != nullptr)
            path = std::string(here) + "/" + path;
    }
    if (!path.ends_with('/'))
        path += '/';
    return path;
}

} // namespace

int RunRestoreCommand(const CliOptions& options, const Settings& settings, CliUi& ui,
    SettingsStore& store, std::ostream& err)
{
    RestoreRequest request;
    for (const std::string& typed : options.paths) {
        const std::string path = paths::ExpandHome(typed);
        if (!path.starts_with('/')) {
            err << "vesko-backup: restore wants each PATH absolute or beginning with ~, not '"
                << typed << "'\n"
                << UsageText();
            return 2;
        }
        request.paths.push_back(path);
    }
    request.asOfDay = options.asOf;
    if (options.to)
        request.to = FolderArgument(*options.to);
    if (options.from)
        request.from = FolderArgument(*options.from);
    request.archiverFolder = paths::ExpandHome(settings.archiverFolder);
    if (!request.archiverFolder.empty() && !request.archiverFolder.ends_with('/'))
        request.archiverFolder += '/';
    if (!settings.archiveFolder.empty())
        request.archiveFolder = FolderArgument(settings.archiveFolder);
    for (const std::string& source : settings.sources)
        request.sources.push_back(paths::ExpandHome(source));
    const RunReport report = RunRestore(request, ui, store);
    for (const LeftOutFile& file : report.leftOut)
        err << (file.reason.starts_with("newer") ? "Kept newer file: " : "Not in any archive: ")
            << file.path << "\n";
    return report.outcome == RunOutcome::Success ? 0 : 1;
}

} // namespace vesko::cli
