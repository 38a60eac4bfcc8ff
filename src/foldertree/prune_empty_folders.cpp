// The folders of the temporary tree that received nothing, removed.
#include "foldertree/prune_empty_folders.h"

#include "core/ui_services.h"
#include "platform/filesystem.h"

#include <exception>

namespace vesko {

namespace {

// subFoldersLeft: what pruning below the folder left of its subfolders, which spares
// reading the folder once more; the reading's entry types tell whether files are there.
bool RemoveIfEmpty(const FileSystem& fs, const Folder& folder, std::size_t subFoldersLeft)
{
    if (subFoldersLeft != 0 || folder.HoldsFiles())
        return false;
    fs.RemoveDir(folder.Path());
    return true;
}

// Bottom up: a folder is examined only after everything below it was pruned, so a chain
// of folders without a file goes in one call and the way to every copied file stays.
// Answers how many of the folder's subfolders are left.
std::size_t PruneSubFolders(const FileSystem& fs, UiServices& ui, const Folder& folder)
{
    ui.ProgressPoll();
    const std::vector<Folder> subs = folder.SubFolders();
    std::vector<std::size_t> left(subs.size());
    for (std::size_t i = 0; i < subs.size(); ++i)
        left[i] = PruneSubFolders(fs, ui, subs[i]);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < subs.size(); ++i)
        if (!RemoveIfEmpty(fs, subs[i], left[i]))
            ++kept;
    return kept;
}

} // namespace

void PruneEmptyFolders(UiServices& ui, const std::string& tempFolder)
{
    try {
        const FileSystem fs;
        // The temporary folder itself stays, even when nothing was copied into it.
        PruneSubFolders(fs, ui, fs.GetFolder(tempFolder));
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Remove Empty Folders", e.what());
    }
}

} // namespace vesko
