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

// The archive keeps a file's size in 32 bits: a larger file is stored cut short and fails
// its CRC on extraction.
constexpr std::uintmax_t kLargestArchivedFile = 0xFFFFFFFFu;
// The archiver aborts on a path of 512 bytes or more (its full path, the leading '/'
// included).
constexpr std::size_t kLongestArchivedPath = 511;

struct Copier {
    const FileSystem& fs;
    const foldertree::TempTree& temp;
    MainForm& form;
    UiServices& ui;
    CopyCounters& counters;
    CopyLog& log;
    std::string root; // the source folder, without a trailing '/' but for "/"
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
    void LeaveOut(const std::string& path, const std::string& reason)
    {
        log.leftOut.push_back({ path, reason });
    }
    void LeaveOutFolder(const std::string& path, const Error& e)
    {
        LeaveOut(path, "folder cannot be read, everything below it left out: " + e.reason());
    }
};

std::string ChildPath(const std::string& folder, const std::string& name)
{
    return (paths::EndsWithSeparator(folder) ? folder : folder + paths::kSeparator) + name;
}

// Why the archive could not hold the file's copy; empty when it can.
std::string ArchiverRefusal(
    const FileFacts& facts, const std::string& name, const std::string& copy)
{
    if (facts.size > kLargestArchivedFile)
        return "4 GiB or larger, more than the archive can hold";
    if (copy.size() > kLongestArchivedPath)
        return "path too long for the archiver (" + std::to_string(copy.size())
            + " bytes in the temporary folder, at most " + std::to_string(kLongestArchivedPath)
            + ")";
    // The archiver stores such a name cut at the line break.
    if (name.find('\n') != std::string::npos)
        return "a line break in the name, which the archiver cannot store";
    return {};
}

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

void Copy(
    Copier& walk, const OpenFolder& folder, std::size_t i, const FileFacts& facts, Mirror& mirror)
{
    const std::string original = ChildPath(folder.Path(), folder.FileName(i));
    const std::string copy = mirror.path + folder.FileName(i);
    const std::string refusal = ArchiverRefusal(facts, folder.FileName(i), copy);
    if (!refusal.empty()) {
        walk.LeaveOut(original, refusal);
        return;
    }
    Make(walk, mirror);
    try {
        folder.CopyFile(i, facts, copy);
    } catch (const WriteError&) {
        throw;
    } catch (const Error& e) {
        // Unreadable, or gone since it was looked at.
        walk.LeaveOut(original, "cannot be read: " + e.reason());
        return;
    }
    walk.log.copied.push_back(
        { copy, original, original.substr(walk.root.size() + (walk.root == "/" ? 0 : 1)) });
    ++walk.counters.copied;
    walk.counters.bytes += facts.size;
}

void CopyIfChanged(Copier& walk, const OpenFolder& folder, std::size_t i, Mirror& mirror)
{
    std::optional<FileFacts> facts;
    try {
        facts = folder.LookAt(i);
    } catch (const Error& e) {
        walk.LeaveOut(
            ChildPath(folder.Path(), folder.FileName(i)), "cannot be read: " + e.reason());
        return;
    }
    if (!facts)
        return;
    ++walk.counters.examined;
    // Equal to the cut-off instant is not later: left out.
    if (walk.CutOff() < facts->DateLastModified())
        Copy(walk, folder, i, *facts, mirror);
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
        const std::string subPath = ChildPath(path, name);
        if (walk.temp.Is(subPath))
            continue;
        Mirror sub { &mirror, mirror.path + name + paths::kSeparator };
        std::optional<OpenFolder> open;
        try {
            open.emplace(folder, name);
        } catch (const Error& e) {
            walk.LeaveOutFolder(subPath, e);
            continue;
        }
        AddFolderFiles(walk, *open, sub);
    }
}

} // namespace

CopyCounters& ExportCopyCounters()
{
    static CopyCounters counters;
    return counters;
}

void AddFiles(Host& host, const std::string& source, CopyLog& log)
{
    try {
        host.form.SetText(Field::ExportStatus, "");
        const FileSystem fs;
        const Folder named = fs.GetFolder(source);
        const foldertree::TempTree temp(paths::ExpandHome(host.form.Text(Field::txtDestinDir)));
        if (!temp.Holds(named.Path())) {
            // Without repeated '/', so that the walk's paths compare with the temporary
            // folder's.
            const std::string rootPath = foldertree::NormalisedPath(named.Path());
            Mirror mirror { nullptr, temp.Text() + paths::RelativePath(rootPath) };
            if (!paths::EndsWithSeparator(mirror.path))
                mirror.path.push_back(paths::kSeparator);
            Copier walk { fs, temp, host.form, host.ui, ExportCopyCounters(), log, rootPath,
                std::nullopt };
            std::optional<OpenFolder> root;
            try {
                root.emplace(rootPath);
            } catch (const Error& e) {
                walk.LeaveOutFolder(rootPath, e);
            }
            if (root)
                AddFolderFiles(walk, *root, mirror);
        }
        host.form.SetText(Field::ExportStatus, "OK");
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Error Add Files", e.what());
    }
}

} // namespace vesko
