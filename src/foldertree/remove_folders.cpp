// modRemoveFolders: every folder of the temporary tree removed, bottom up, and last the
// temporary folder itself, which lets the next export start.
#include "foldertree/remove_tree.h"
#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace {

// A folder goes only after every folder below it; one that still holds something (a file
// RemoveFiles could not delete) stops the removal with its error. Each folder is read once,
// and its subfolders are removed by name relative to it.
void RemoveSubFolders(const OpenFolder& folder)
{
    for (const std::string& name : folder.FolderNames())
        RemoveSubFolders(OpenFolder(folder, name));
    for (const std::string& name : folder.FolderNames())
        folder.RemoveSubFolder(name);
}

} // namespace

void RemoveFolders(Host& host, const std::string& destination)
{
    try {
        const FileSystem fs;
        // A temporary folder that is gone is told as such, not as one that cannot be read.
        fs.GetFolder(destination);
        RemoveSubFolders(OpenFolder(destination));
        fs.RemoveDir(destination);
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Folders Cleanup", e.what());
    }
}

} // namespace vesko
