// The walk of one source tree that chooses the files its export copies.
#include "core/ui_services.h"
#include "foldertree/copy_plan.h"
#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "platform/filesystem.h"
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

struct Planner {
    const FileSystem& fs;
    const foldertree::TempTree& temp;
    UiServices& ui;
    CopyLog& log;
    CopyPlan& plan;
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
void NoteNotTaken(Planner& walk, const std::string& path)
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
std::string OwnFolder(const Planner& walk, const std::string& path)
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

// A folder of the walk, entered into the plan with the folders above it when the first file
// below it is planned: the plan holds only the ways to its files.
struct WalkedFolder {
    WalkedFolder* parent; // none for the source folder itself
    const OpenFolder& open;
    std::string mirror; // ends with '/'
    std::size_t planned = PlannedFolder::kNone;
};

std::size_t Planned(Planner& walk, WalkedFolder& folder)
{
    if (folder.planned == PlannedFolder::kNone) {
        const std::size_t parent
            = folder.parent ? Planned(walk, *folder.parent) : PlannedFolder::kNone;
        const std::string& path = folder.open.Path();
        walk.plan.folders.push_back(
            { parent, folder.parent ? path.substr(path.find_last_of('/') + 1) : path, path,
                folder.mirror, walk.root.size() + (walk.root == "/" ? 0 : 1) });
        folder.planned = walk.plan.folders.size() - 1;
    }
    return folder.planned;
}

void PlanIfChanged(Planner& walk, WalkedFolder& folder, std::size_t i)
{
    const OpenFolder& open = folder.open;
    std::optional<FileFacts> facts;
    try {
        facts = open.LookAt(i);
    } catch (const Error& e) {
        walk.LeaveOut(ChildPath(open.Path(), open.FileName(i)), "cannot be read: " + e.reason());
        return;
    }
    if (!facts)
        return;
    ++walk.log.counters.examined;
    const std::string original = ChildPath(open.Path(), open.FileName(i));
    walk.log.walked.push_back(
        { original, facts->size, static_cast<std::int64_t>(facts->modified.tv_sec) });
    // A file moved or extracted in keeps an old modification time; its status-change time
    // tells that it is new here. Equal to the cut-off instant is not later: left out.
    if (walk.cutOff < facts->DateLastChangedHere()) {
        const std::string refusal
            = ArchiverRefusal(*facts, open.FileName(i), folder.mirror + open.FileName(i));
        if (!refusal.empty())
            walk.LeaveOut(original, refusal);
        else
            walk.plan.files.push_back({ Planned(walk, folder), open.FileName(i), *facts });
    }
    const CopyCounters& counters = walk.log.counters;
    walk.ui.ProgressCounts(counters.examined, counters.copied, counters.bytes);
    // A folder of many thousand files must not hold a Cancel back until its end.
    if (walk.ui.ProgressPoll())
        walk.cancelled = true;
}

// Depth first; the files of a folder go before anything below it. Each folder is read once
// and stays open while the walk is below it.
void PlanFolder(Planner& walk, WalkedFolder& folder)
{
    const OpenFolder& open = folder.open;
    walk.ui.ProgressFolder(open.Path());
    if (walk.ui.ProgressPoll())
        walk.cancelled = true;
    for (std::size_t i = 0; i < open.FileCount() && !walk.cancelled; ++i)
        PlanIfChanged(walk, folder, i);
    const std::string& path = open.Path();
    NoteNotTaken(walk, path);
    for (const std::string& name : open.FolderNames()) {
        if (walk.cancelled)
            return;
        const std::string subPath = ChildPath(path, name);
        if (const std::string own = OwnFolder(walk, subPath); !own.empty()) {
            walk.log.skippedFolders.push_back({ subPath, own });
            continue;
        }
        std::optional<OpenFolder> sub;
        try {
            sub.emplace(open, name);
        } catch (const Error& e) {
            walk.LeaveOutFolder(subPath, e);
            continue;
        }
        WalkedFolder walked { &folder, *sub, folder.mirror + name + paths::kSeparator };
        PlanFolder(walk, walked);
    }
}

} // namespace

CopyEnd PlanCopy(UiServices& ui, const std::string& tempFolder, const std::string& source,
    TimePoint cutOff, CopyLog& log, CopyPlan& plan, const std::string& archiveFolder)
{
    try {
        const FileSystem fs;
        const Folder named = fs.GetFolder(source);
        const foldertree::TempTree temp(tempFolder);
        plan.tempFolder = temp.Text();
        if (temp.Holds(named.Path()))
            return CopyEnd::Done;
        // Without repeated '/', so that the walk's paths compare with the temporary folder's.
        const std::string rootPath = foldertree::NormalisedPath(named.Path());
        std::string mirror = temp.Text() + paths::RelativePath(rootPath);
        if (!paths::EndsWithSeparator(mirror))
            mirror.push_back(paths::kSeparator);
        const bool archive = !archiveFolder.empty();
        Planner walk { fs, temp, ui, log, plan, rootPath, cutOff,
            archive ? foldertree::NormalisedPath(archiveFolder) : std::string(),
            archive ? foldertree::ResolvedPath(archiveFolder) : std::string() };
        std::optional<OpenFolder> root;
        try {
            root.emplace(rootPath);
        } catch (const Error& e) {
            walk.LeaveOutFolder(rootPath, e);
        }
        if (root) {
            WalkedFolder top { nullptr, *root, mirror };
            PlanFolder(walk, top);
        }
        return walk.cancelled ? CopyEnd::Cancelled : CopyEnd::Done;
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Add Files", e.what());
        return CopyEnd::Failed;
    }
}

} // namespace vesko
