// modAddFiles: the files of one source tree modified after the cut-off, copied into their
// mirror folders.
#include "foldertree/add_files.h"

#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"
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

// The mirror of a folder of the walk, made when the first file is copied into it, after the
// mirrors above it: a folder that receives nothing is never made, and the walk of the source
// is the only one.
struct Mirror {
    Mirror* parent; // none for the mirror of the source folder itself
    std::string path; // ends with '/'
    bool made = false;
};

void Make(Copier& walk, Mirror& mirror)
{
    if (mirror.made)
        return;
    if (!mirror.parent) {
        if (!walk.fs.FolderExists(mirror.path))
            walk.temp.MakeMirror(walk.fs, mirror.path.substr(walk.temp.Text().size()));
    } else {
        Make(walk, *mirror.parent);
        try {
            walk.fs.MakeDir(mirror.path);
        } catch (const Error&) {
            // Another source of the export may have made it already.
            if (!walk.fs.FolderExists(mirror.path))
                throw;
        }
    }
    mirror.made = true;
}

void CopyIfChanged(Copier& walk, const OpenFolder& folder, std::size_t i, Mirror& mirror)
{
    const std::optional<FileFacts> facts = folder.LookAt(i);
    if (!facts)
        return;
    ++walk.counters.examined;
    // Equal to the cut-off instant is not later: left out.
    if (walk.CutOff() < facts->DateLastModified()) {
        Make(walk, mirror);
        folder.CopyFile(i, *facts, mirror.path + folder.FileName(i));
        ++walk.counters.copied;
        walk.counters.bytes += facts->size;
    }
    walk.ui.ProgressCounts(walk.counters.examined, walk.counters.copied, walk.counters.bytes);
}

// Depth first; the files of a folder go before anything below it. Each folder is read once
// and stays open while the walk is below it.
void AddFolderFiles(Copier& walk, const OpenFolder& folder, Mirror& mirror)
{
    walk.ui.ProgressFolder(folder.Path());
    walk.ui.ProgressPoll();
    for (std::size_t i = 0; i < folder.FileCount(); ++i)
        CopyIfChanged(walk, folder, i, mirror);
    const std::string& path = folder.Path();
    for (const std::string& name : folder.FolderNames()) {
        if (walk.temp.Is((paths::EndsWithSeparator(path) ? path : path + paths::kSeparator) + name))
            continue;
        Mirror sub { &mirror, mirror.path + name + paths::kSeparator };
        AddFolderFiles(walk, OpenFolder(folder, name), sub);
    }
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
        const Folder named = fs.GetFolder(source);
        const foldertree::TempTree temp(paths::ExpandHome(host.form.Text(Field::txtDestinDir)));
        if (!temp.Holds(named.Path())) {
            // Without repeated '/', so that the walk's paths compare with the temporary
            // folder's.
            const OpenFolder root(foldertree::NormalisedPath(named.Path()));
            Mirror mirror { nullptr, temp.Text() + paths::RelativePath(root.Path()) };
            if (!paths::EndsWithSeparator(mirror.path))
                mirror.path.push_back(paths::kSeparator);
            Copier walk { fs, temp, host.form, host.ui, ExportCopyCounters(), std::nullopt };
            AddFolderFiles(walk, root, mirror);
        }
        host.form.SetText(Field::ExportStatus, "OK");
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Add Files", e.what());
    }
}

} // namespace vesko
