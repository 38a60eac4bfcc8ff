// Every folder of the temporary tree removed, bottom up, and last the
// temporary folder itself, which lets the next export start.
#include "core/ui_services.h"
#include "foldertree/remove_tree.h"
#include "format/working_names.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <exception>

namespace vesko {

namespace {

// A folder goes only after every folder below it; one that still holds something (a file
// RemoveTreeFiles could not delete) stops the removal with its error. Each folder is read once,
// and its subfolders are removed by name relative to it.
void RemoveSubFolders(const OpenFolder& folder)
{
    for (const std::string& name : folder.FolderNames())
        RemoveSubFolders(OpenFolder(folder, name));
    for (const std::string& name : folder.FolderNames())
        folder.RemoveSubFolder(name);
}

} // namespace

void RemoveTreeFolders(UiServices& ui, const std::string& tempFolder)
{
    try {
        const FileSystem fs;
        // A temporary folder that is gone is told as such, not as one that cannot be read.
        fs.GetFolder(tempFolder);
        RemoveSubFolders(OpenFolder(tempFolder));
        // The run's marker goes last, once nothing else is left.
        const std::string marker
            = (paths::EndsWithSeparator(tempFolder) ? tempFolder : tempFolder + "/")
            + kRunMarkerName;
        if (fs.FileExists(marker))
            fs.DeleteFile(marker);
        fs.RemoveDir(tempFolder);
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Folders Cleanup", e.what());
    }
}

} // namespace vesko
