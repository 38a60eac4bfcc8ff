// The files of one source tree changed after the cut-off, copied into their
// mirror folders.
#include "foldertree/copy_changed_files.h"

#include "core/ui_services.h"
#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/path_rules.h"

#include <exception>
#include <optional>
#include <sys/stat.h>

namespace vesko {

namespace {

// The archive keeps a file's size in 32 bits: a larger file is stored cut short and fails
// its CRC on extraction.
constexpr std::uintmax_t kLargestArchivedFile = 0xFFFFFFFFu;
// The archiver aborts on a path of 512 bytes or more (its full path, the leading '/'
// included).
constexpr std::size_t kLongestArchivedPath = 511;

struct Copier {
    const FileSystem& fs;
    const foldertree::TempTree& temp;
    UiServices& ui;
    CopyLog& log;
    std::string root; // the source folder, without a trailing '/' but for "/"
    TimePoint cutOff;
    std::string archiveFolder; // normalised; empty when none
    std::string resolvedArchiveFolder;
    bool cancelled = false;

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

// What an entry that is neither a file nor a folder is, as the history names it.
std::string KindOf(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return "gone";
    if (S_ISLNK(st.st_mode))
        return "symbolic link";
    if (S_ISFIFO(st.st_mode))
        return "FIFO";
    if (S_ISSOCK(st.st_mode))
        return "socket";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "device";
    return "special file";
}

// The folder's links and special files, which its OpenFolder leaves out: told, not copied.
void NoteNotTaken(Copier& walk, const std::string& path)
{
    std::vector<FolderEntry> entries;
    try {
        entries = walk.fs.ListFolder(path);
    } catch (const Error&) {
        return; // its files were read already; gone or unreadable since, nothing to tell
    }
    for (const FolderEntry& entry : entries) {
        if (entry.kind != EntryKind::Link && entry.kind != EntryKind::Other)
            continue;
        const std::string child = ChildPath(path, entry.name);
        walk.log.notTaken.push_back({ child, KindOf(child) });
    }
}

// Which of the program's own folders a subfolder is, when it is one: it is not walked.
std::string OwnFolder(const Copier& walk, const std::string& path)
{
    if (walk.temp.Is(path))
        return "the temporary folder";
    if (walk.archiveFolder.empty())
        return {};
    // Only a folder of the same last name is resolved: one lookup per level would slow the
    // walk of a large tree.
    const auto lastName = [](const std::string& p) { return p.substr(p.find_last_of('/') + 1); };
    const std::string name = lastName(path);
    if (path == walk.archiveFolder
        || ((name == lastName(walk.archiveFolder) || name == lastName(walk.resolvedArchiveFolder))
            && foldertree::ResolvedPath(path) == walk.resolvedArchiveFolder))
        return "the archive folder";
    return {};
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
    ++walk.log.counters.copied;
    walk.log.counters.bytes += facts.size;
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
    ++walk.log.counters.examined;
    walk.log.walked.push_back({ ChildPath(folder.Path(), folder.FileName(i)), facts->size,
        static_cast<std::int64_t>(facts->modified.tv_sec) });
    // A file moved or extracted in keeps an old modification time; its status-change time
    // tells that it is new here. Equal to the cut-off instant is not later: left out.
    if (walk.cutOff < facts->DateLastChangedHere())
        Copy(walk, folder, i, *facts, mirror);
    const CopyCounters& counters = walk.log.counters;
    walk.ui.ProgressCounts(counters.examined, counters.copied, counters.bytes);
    // A folder of many thousand files must not hold a Cancel back until its end.
    if (walk.ui.ProgressPoll())
        walk.cancelled = true;
}

// Depth first; the files of a folder go before anything below it. Each folder is read once
// and stays open while the walk is below it.
void AddFolderFiles(Copier& walk, const OpenFolder& folder, Mirror& mirror)
{
    walk.ui.ProgressFolder(folder.Path());
    if (walk.ui.ProgressPoll())
        walk.cancelled = true;
    for (std::size_t i = 0; i < folder.FileCount() && !walk.cancelled; ++i)
        CopyIfChanged(walk, folder, i, mirror);
    const std::string& path = folder.Path();
    NoteNotTaken(walk, path);
    for (const std::string& name : folder.FolderNames()) {
        if (walk.cancelled)
            return;
        const std::string subPath = ChildPath(path, name);
        if (const std::string own = OwnFolder(walk, subPath); !own.empty()) {
            walk.log.skippedFolders.push_back({ subPath, own });
            continue;
        }
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

CopyEnd CopyChangedFiles(UiServices& ui, const std::string& tempFolder, const std::string& source,
    TimePoint cutOff, CopyLog& log, const std::string& archiveFolder)
{
    try {
        const FileSystem fs;
        const Folder named = fs.GetFolder(source);
        const foldertree::TempTree temp(tempFolder);
        if (temp.Holds(named.Path()))
            return CopyEnd::Done;
        // Without repeated '/', so that the walk's paths compare with the temporary folder's.
        const std::string rootPath = foldertree::NormalisedPath(named.Path());
        Mirror mirror { nullptr, temp.Text() + paths::RelativePath(rootPath) };
        if (!paths::EndsWithSeparator(mirror.path))
            mirror.path.push_back(paths::kSeparator);
        const bool archive = !archiveFolder.empty();
        Copier walk { fs, temp, ui, log, rootPath, cutOff,
            archive ? foldertree::NormalisedPath(archiveFolder) : std::string(),
            archive ? foldertree::ResolvedPath(archiveFolder) : std::string() };
        std::optional<OpenFolder> root;
        try {
            root.emplace(rootPath);
        } catch (const Error& e) {
            walk.LeaveOutFolder(rootPath, e);
        }
        if (root)
            AddFolderFiles(walk, *root, mirror);
        return walk.cancelled ? CopyEnd::Cancelled : CopyEnd::Done;
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Add Files", e.what());
        return CopyEnd::Failed;
    }
}

} // namespace vesko
