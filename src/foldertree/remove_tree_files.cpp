// Every file of the temporary tree deleted; the folders stay for
// RemoveTreeFolders.
#include "core/ui_services.h"
#include "foldertree/remove_tree.h"
#include "format/working_names.h"
#include "platform/filesystem.h"

#include <exception>

namespace vesko {

namespace {

// Depth first; the files of a folder go before anything below it. Each folder is read once
// and its files are deleted by name relative to it, as they were listed: a file looked at
// again by its whole path would cost a second lookup of every folder above it.
// The run's marker in the temporary folder itself is kept for RemoveTreeFolders, which deletes
// it last: a cleanup stopped half way leaves a tree still known as the program's own.
void RemoveFolderFiles(const OpenFolder& folder, bool top)
{
    for (std::size_t i = 0; i < folder.FileCount(); ++i)
        if (!top || folder.FileName(i) != kRunMarkerName)
            folder.DeleteFileAt(i);
    for (const std::string& name : folder.FolderNames())
        RemoveFolderFiles(OpenFolder(folder, name), false);
}

} // namespace

void RemoveTreeFiles(UiServices& ui, const std::string& tempFolder)
{
    try {
        // A temporary folder that is gone is told as such, not as one that cannot be read.
        FileSystem().GetFolder(tempFolder);
        RemoveFolderFiles(OpenFolder(tempFolder), true);
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Files Cleanup", e.what());
    }
}

} // namespace vesko
