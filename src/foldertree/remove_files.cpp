// modRemoveFiles: every file of the temporary tree deleted; the folders stay for
// RemoveFolders.
#include "foldertree/remove_tree.h"
#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace {

// Depth first; the files of a folder go before anything below it. Each folder is read once
// and its files are deleted by name relative to it, as they were listed: a file looked at
// again by its whole path would cost a second lookup of every folder above it.
void RemoveFolderFiles(const OpenFolder& folder)
{
    for (std::size_t i = 0; i < folder.FileCount(); ++i)
        folder.KillFile(i);
    for (const std::string& name : folder.FolderNames())
        RemoveFolderFiles(OpenFolder(folder, name));
}

} // namespace

void RemoveFiles(Host& host, const std::string& destination)
{
    try {
        // A temporary folder that is gone is told as such, not as one that cannot be read.
        FileSystem().GetFolder(destination);
        RemoveFolderFiles(OpenFolder(destination));
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Files Cleanup", e.what());
    }
}

} // namespace vesko
