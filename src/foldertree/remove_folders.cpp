// modRemoveFolders: every folder of the temporary tree removed, bottom up, and last the
// temporary folder itself, which lets the next export start.
#include "foldertree/remove_tree.h"
#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace {

void RemoveFolder(const FileSystem& fs, const Folder& folder)
{
    if (fs.FolderExists(folder.Path()))
        fs.RemoveDir(folder.Path());
}

// A folder goes only after every folder below it; one that still holds something (a file
// RemoveFiles could not delete) stops the removal with its error.
void RemoveSubFolders(const FileSystem& fs, const Folder& folder)
{
    const std::vector<Folder> subs = folder.SubFolders();
    for (const Folder& sub : subs)
        RemoveSubFolders(fs, sub);
    for (const Folder& sub : subs)
        RemoveFolder(fs, sub);
}

} // namespace

void RemoveFolders(Host& host, const std::string& destination)
{
    try {
        const FileSystem fs;
        RemoveSubFolders(fs, fs.GetFolder(destination));
        fs.RemoveDir(destination);
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Folders Cleanup", e.what());
    }
}

} // namespace vesko
