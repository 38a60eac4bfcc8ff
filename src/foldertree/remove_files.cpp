// modRemoveFiles: every file of the temporary tree deleted; the folders stay for
// RemoveFolders.
#include "foldertree/remove_tree.h"
#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace {

void RemoveFile(const FileSystem& fs, const File& file)
{
    if (fs.FileExists(file.Path()))
        fs.KillFiles(file.Path());
}

// Depth first; the files of a folder go before anything below it.
void RemoveFolderFiles(const FileSystem& fs, const Folder& folder)
{
    for (const File& file : folder.Files())
        RemoveFile(fs, file);
    for (const Folder& sub : folder.SubFolders())
        RemoveFolderFiles(fs, sub);
}

} // namespace

void RemoveFiles(Host& host, const std::string& destination)
{
    try {
        const FileSystem fs;
        RemoveFolderFiles(fs, fs.GetFolder(destination));
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Files Cleanup", e.what());
    }
}

} // namespace vesko
