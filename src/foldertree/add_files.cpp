// modAddFiles: the files of one source tree modified after the cut-off, copied into their
// mirror folders.
#include "foldertree/add_files.h"

#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

#include <exception>
#include <optional>

namespace vesko {

namespace {

using Field = MainForm::Field;

struct Copier {
    const FileSystem& fs;
    const foldertree::TempTree& temp;
    MainForm& form;
    UiServices& ui;
    CopyCounters& counters;
    // Converted when the first file is examined, so that a date field that is not a date
    // fails there and a tree without files raises nothing. The field cannot change during
    // the walk: the progress window is modal.
    std::optional<TimePoint> cutOff;

    TimePoint CutOff()
    {
        if (!cutOff)
            cutOff = CutOffFromDateField(form.DateText());
        return *cutOff;
    }
};

// The mirror of the folder whose files are examined; made when the first of them is copied.
struct Destination {
    std::string folder; // ends with '/'
    bool present = false;
};

void CopyIfChanged(Copier& walk, const File& file, Destination& destination)
{
    ++walk.counters.examined;
    // Equal to the cut-off instant is not later: left out.
    if (walk.CutOff() < file.DateLastModified()) {
        if (!destination.present) {
            if (!walk.fs.FolderExists(destination.folder))
                walk.temp.MakeMirror(walk.fs, destination.folder.substr(walk.temp.Text().size()));
            destination.present = true;
        }
        walk.fs.FileCopy(file.Path(), destination.folder + file.Name());
        ++walk.counters.copied;
        walk.counters.bytes += file.Size();
    }
    walk.ui.ProgressCounts(walk.counters.examined, walk.counters.copied, walk.counters.bytes);
}

// Depth first; the files of a folder go before anything below it.
void AddFolderFiles(Copier& walk, const Folder& folder)
{
    walk.ui.ProgressFolder(folder.Path());
    walk.ui.ProgressPoll();
    Destination destination;
    destination.folder = walk.temp.Text() + paths::RelativePath(folder.Path());
    if (!paths::EndsWithSeparator(destination.folder))
        destination.folder.push_back(paths::kSeparator);
    for (const File& file : folder.Files())
        CopyIfChanged(walk, file, destination);
    for (const Folder& sub : walk.temp.SubFoldersToWalk(folder))
        AddFolderFiles(walk, sub);
}

} // namespace

CopyCounters& ExportCopyCounters()
{
    static CopyCounters counters;
    return counters;
}

void AddFiles(Host& host, const std::string& source)
{
    try {
        host.form.SetText(Field::ExportStatus, "");
        const FileSystem fs;
        const Folder root = fs.GetFolder(source);
        const foldertree::TempTree temp(paths::ExpandHome(host.form.Text(Field::txtDestinDir)));
        if (!temp.Holds(root.Path())) {
            Copier walk { fs, temp, host.form, host.ui, ExportCopyCounters(), std::nullopt };
            AddFolderFiles(walk, root);
        }
        host.form.SetText(Field::ExportStatus, "OK");
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Add Files", e.what());
    }
}

} // namespace vesko
