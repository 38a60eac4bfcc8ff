// modMakeFolders: the folder structure of one source, rebuilt below the temporary folder.
#include "foldertree/make_folders.h"

#include "foldertree/temp_tree.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace {

using Field = MainForm::Field;

struct Lister {
    const FileSystem& fs;
    const foldertree::TempTree& temp;
    WorkList& list;
    UiServices& ui;
};

// Appends the folder's path when a folder is still there.
void ListFolder(Lister& walk, const Folder& folder)
{
    const std::string& path = folder.Path();
    if (walk.fs.FolderExists(path))
        walk.list.Append(path);
}

// All children of a folder go on the list before any of them is descended into, so every
// folder stands after its parent and the creation pass makes one level at a time.
void ListSubFolders(Lister& walk, const Folder& folder)
{
    walk.ui.ProgressFolder(folder.Path());
    walk.ui.ProgressPoll();
    const std::vector<Folder> subs = walk.temp.SubFoldersToWalk(folder);
    for (const Folder& sub : subs)
        ListFolder(walk, sub);
    for (const Folder& sub : subs)
        ListSubFolders(walk, sub);
}

} // namespace

void MakeFolders(Host& host, const std::string& source)
{
    try {
        const FileSystem fs;
        const Folder root = fs.GetFolder(source);
        host.form.SetText(Field::ExportStatus, "");

        // Read once: the progress window is modal, so the field cannot change meanwhile.
        const foldertree::TempTree temp(paths::ExpandHome(host.form.Text(Field::txtDestinDir)));
        WorkList& list = host.form.List1();
        if (!temp.Holds(root.Path())) {
            list.Append(root.Path());
            Lister walk { fs, temp, list, host.ui };
            ListSubFolders(walk, root);
        }

        // The whole list, earlier sources and exports included: their mirrors may have been
        // pruned or cleaned up since.
        for (std::size_t i = 0; i < list.Count(); ++i) {
            // An entry of an earlier export may lie in this export's temporary folder.
            if (temp.Holds(list.Item(i)))
                continue;
            const std::string relative = paths::RelativePath(list.Item(i));
            if (!fs.FolderExists(temp.Text() + relative))
                temp.MakeMirror(fs, relative);
        }
        host.form.SetText(Field::ExportStatus, "OK");
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Add Folders", e.what());
    }
}

} // namespace vesko
