// modRemoveEmpties: the folders of the temporary tree that received nothing, removed.
#include "foldertree/remove_empties.h"

#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko
{

namespace
{

void RemoveIfEmpty(const FileSystem& fs, const Folder& folder)
{
    if (folder.SubFolders().empty() && folder.Files().empty())
        fs.RemoveDir(folder.Path());
}

// Bottom up: a folder is examined only after everything below it was pruned, so a chain
// of folders without a file goes in one call and the way to every copied file stays.
void PruneSubFolders(const FileSystem& fs, UiServices& ui, const Folder& folder)
{
    ui.ProgressPoll();
    const std::vector<Folder> subs = folder.SubFolders();
    for (const Folder& sub : subs)
        PruneSubFolders(fs, ui, sub);
    for (const Folder& sub : subs)
        RemoveIfEmpty(fs, sub);
}

} // namespace

void RemoveEmpties(Host& host, const std::string& destination)
{
    try {
        const FileSystem fs;
        // The temporary folder itself stays, even when nothing was copied into it.
        PruneSubFolders(fs, host.ui, fs.GetFolder(destination));
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Remove Empty Folders", e.what());
    }
}

} // namespace vesko
