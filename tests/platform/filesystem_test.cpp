#include "platform/filesystem.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>

using namespace vesko;
using namespace vesko::test;
using Strings = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

namespace {

template <typename T> Strings Names(const std::vector<T>& entries)
{
    Strings names;
    for (const T& e : entries)
        if constexpr (std::is_same_v<T, File>)
            names.push_back(e.Name());
        else
            names.push_back(e.Path());
    return names;
}

// Every file below a folder with its bytes; nothing when there is no folder.
Tree FilesBelow(const std::string& root)
{
    Tree tree;
    for (const std::string& name : Exists(root) ? ListFilesBelow(root) : Strings {})
        tree[name] = ReadFile(root + "/" + name);
    return tree;
}

void Sh(const std::string& dir, const std::string& command)
{
    std::string output;
    ASSERT_EQ(Shell("cd '" + dir + "' && " + command, &output), 0) << command << output;
}

// Copies a file as the walk does: its folder open, the file looked at once, 'change' run
// between the look and the copy. A failed copy leaves the destination's folder as it was.
FileFacts CopyAsTheWalk(
    const std::string& folder, const std::string& name, const std::string& destination,
    const std::function<void()>& change = [] {})
{
    const OpenFolder open(folder);
    for (std::size_t i = 0; i < open.FileCount(); ++i)
        if (open.FileName(i) == name) {
            const std::optional<FileFacts> facts = open.LookAt(i);
            change();
            const std::string out = destination.substr(0, destination.rfind('/'));
            const Tree before = FilesBelow(out);
            try {
                open.CopyFile(i, facts.value(), destination);
            } catch (...) {
                EXPECT_EQ(FilesBelow(out), before);
                throw;
            }
            return *facts;
        }
    throw std::runtime_error(name + " not listed");
}

// Writes stop at one byte, as on a full disk, while the object lives.
struct OneByteFiles {
    rlimit old {};
    OneByteFiles()
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tiny { 1, old.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~OneByteFiles() { ::setrlimit(RLIMIT_FSIZE, &old); }
};

} // namespace

TEST(FileSystem, ListingsAreSortedByBytesAndHoldOnlyFilesAndFolders)
{
    TempDir tmp;
    Sh(tmp.Path(),
        "for f in b B a.txt a Z .hidden ..x \"$(printf 'caf\\351')\"; do printf %s \"$f\" >\"$f\"; "
        "done; mkdir -p sub2 Sub1/inner sub10; ln -s Sub1 linkdir; ln -s a.txt linkfile; "
        "ln -s nowhere dangling; mkfifo fifo Sub1/fifo; touch -d '2025-03-14 15:09:26.53' Z");
    const std::string odd = "caf\xe9";
    FileSystem fs;
    const Strings files { "..x", ".hidden", "B", "Z", "a", "a.txt", "b", odd };
    const Folder fresh = fs.GetFolder(tmp.Path() + "/");
    EXPECT_EQ(fresh.Path(), tmp.Path());
    EXPECT_EQ(Names(fresh.Files()), files);
    EXPECT_EQ(fresh.Files()[3].Path(), tmp / "Z");
    EXPECT_EQ(fresh.Files()[3].DateLastModified(), MTime(tmp / "Z"));
    EXPECT_EQ(fresh.Files()[3].Size(), 1u);
    EXPECT_TRUE(fresh.HoldsFiles());
    EXPECT_FALSE(fs.GetFolder(tmp / "Sub1").HoldsFiles());

    // The walk asks for the subfolders first, then the files; one gone and one turned into
    // a FIFO in between are left out. Each call reads again: a walk deletes what it was handed.
    const Folder walked = fs.GetFolder(tmp.Path());
    EXPECT_TRUE(walked.HoldsFiles());
    EXPECT_EQ(Names(walked.SubFolders()), (Strings { tmp / "Sub1", tmp / "sub10", tmp / "sub2" }));
    Sh(tmp.Path(), "rm a.txt b && mkfifo b");
    EXPECT_EQ(Names(walked.Files()), (Strings { "..x", ".hidden", "B", "Z", "a", odd }));
    Sh(tmp.Path(), "rm ..x .hidden B Z a caf* && rmdir sub2");
    EXPECT_EQ(Names(walked.Files()), Strings {});
    EXPECT_EQ(Names(walked.SubFolders()), (Strings { tmp / "Sub1", tmp / "sub10" }));

    // The root keeps its one '/' and gives its children none more. A folder the person names
    // may be a link; the walk below it still leaves links out.
    EXPECT_EQ(Names(fs.GetFolder("/").SubFolders())[0].rfind('/'), 0u);
    EXPECT_EQ(Names(fs.GetFolder(tmp / "linkdir").SubFolders()), Strings { tmp / "linkdir/inner" });
    EXPECT_EQ(OpenFolder(tmp / "linkdir").FolderNames(), Strings { "inner" });

    WriteFile(tmp / "a.txt", "back");
    const struct {
        std::string path;
        bool file, folder;
    } kinds[] = { { tmp / "a.txt", true, false }, { tmp / "a.txt/", false, false },
        { tmp / "Sub1/", false, true }, { tmp / "linkfile", true, false },
        { tmp / "linkdir/", false, true }, { tmp / "dangling", false, false },
        { tmp / "fifo", false, false }, { "", false, false } };
    for (const auto& k : kinds) {
        EXPECT_EQ(fs.FileExists(k.path), k.file) << k.path;
        EXPECT_EQ(fs.FolderExists(k.path), k.folder) << k.path;
    }
}

TEST(FileSystem, CopyKeepsBytesTimesAndModeOrLeavesTheDestinationAsItWas)
{
    const struct {
        const char* name;
        const char* folder; // "" for the row's own folder, which holds "f", "d" and "out"
        const char* file;
        const char* change; // a shell command run in the row's folder between look and copy
        const char* error; // "" for a copy that must succeed, else "read|..." or "write|..."
        bool oneByteFiles = false;
    } rows[] = {
        { "fresh copy on the same disk", "", "f", "", "" },
        { "longer old copy replaced", "", "f", "head -c 400000 /dev/zero >out/copy", "" },
        { "link at the destination replaced", "", "f", "ln -s ../d/victim out/copy", "" },
        { "FIFO at the destination replaced", "", "f", "mkfifo out/copy", "" },
        { "kernel file copied by sendfile", "/sys/devices/system/cpu", "online", "", "" },
        { "process file copied by reads and writes", "/proc/self", "cmdline", "", "" },
        { "unreadable process memory", "/proc/self", "mem", "", "read|Input/output error" },
        { "file gone since the look", "", "f", "rm f", "read|No such file or directory" },
        { "file turned into a FIFO", "", "f", "rm f && mkfifo f", "read|Not a regular file" },
        { "file turned into a link", "", "f", "rm f && ln -s d f", "read|It is a symbolic link" },
        { "file turned into a folder", "", "f", "rm f && mkdir f", "read|Is a directory" },
        { "folder at the destination", "", "f", "mkdir out/copy", "write|Is a directory" },
        { "destination folder gone", "", "f", "rmdir out", "write|No such file or directory" },
        { "kernel copy on a full disk", "", "f", "echo old >out/copy", "write|File too large",
            true },
        { "plain writes on a full disk", "/proc/self", "cmdline", "", "write|File too large",
            true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.folder && !Exists(row.folder)) {
            std::cout << "skipped \"" << row.name << "\": no " << row.folder << "\n";
            continue;
        }
        TempDir tmp;
        Sh(tmp.Path(),
            "mkdir d out && head -c 300000 /dev/urandom >f && chmod 751 f && "
            "touch -d '2025-03-14 15:09:26.5358979' f");
        const std::string folder = *row.folder ? row.folder : tmp.Path();
        const std::string source = folder + "/" + row.file, destination = tmp / "out/copy";
        std::optional<FileFacts> facts;
        std::optional<OneByteFiles> limit;
        const std::string error = ErrorOf([&] {
            facts = CopyAsTheWalk(folder, row.file, destination, [&] {
                Sh(tmp.Path(), *row.change ? row.change : "true");
                if (row.oneByteFiles)
                    limit.emplace();
            });
        });
        limit.reset();
        const std::string reason = row.error;
        const bool writing = reason[0] == 'w';
        EXPECT_EQ(error,
            reason.empty() ? "no error"
                           : std::string(writing ? "Cannot write file \"" + destination
                                                 : "Cannot read file \"" + source)
                    + "\": " + reason.substr(reason.find('|') + 1));
        if (!reason.empty())
            continue;
        EXPECT_EQ(ListFilesBelow(tmp / "out"), Strings { "copy" });
        EXPECT_EQ(ReadFile(destination), ReadFile(source));
        EXPECT_EQ(MTime(destination), facts->DateLastModified());
        EXPECT_EQ(Mode(destination), facts->mode & 0777);
        EXPECT_EQ(FilesBelow(tmp / "d"), Tree {});
    }
}

TEST(FileSystem, ErrorsNameTheReasonAndThePath)
{
    TempDir tmp;
    Sh(tmp.Path(), "mkdir -p full/inner tree/real && touch plain full/keep tree/gone tree/turned");
    FileSystem fs;
    const Folder inner = fs.GetFolder(tmp / "full/inner");
    const OpenFolder tree(tmp / "tree"), proc("/proc/self");
    Sh(tmp.Path(),
        "rm tree/gone tree/turned && mkdir tree/turned && "
        "mv tree/real real && ln -s ../full tree/real && rmdir full/inner");
    const auto fileOf = [](const OpenFolder& f, const std::string& name) {
        for (std::size_t i = 0;; ++i)
            if (f.FileName(i) == name)
                return i;
    };
    EXPECT_FALSE(fs.MakeFreshDir(tmp / "full"));

    const struct {
        const char* name;
        std::function<void()> action;
        std::string error;
    } rows[] = {
        { "missing folder", [&] { fs.GetFolder(tmp / "missing"); },
            "Cannot find folder \"" + tmp / "missing" + "\": No such file or directory" },
        { "file named as a folder", [&] { fs.GetFolder(tmp / "plain"); },
            "Cannot find folder \"" + tmp / "plain" + "\": Not a directory" },
        { "folder below a file", [&] { fs.MakeDir(tmp / "plain/sub"); },
            "Cannot create folder \"" + tmp / "plain/sub" + "\": Not a directory" },
        { "folder already there", [&] { fs.MakeDir(tmp / "full/"); },
            "Cannot create folder \"" + tmp / "full" + "\": File exists" },
        { "folder not empty", [&] { fs.RemoveDir(tmp / "full/"); },
            "Cannot remove folder \"" + tmp / "full" + "\": Directory not empty" },
        { "file gone", [&] { fs.KillFiles(tmp / "gone"); },
            "Cannot delete file \"" + tmp / "gone" + "\": No such file or directory" },
        { "walk into a file", [&] { OpenFolder(tmp / "plain/"); },
            "Cannot read folder \"" + tmp / "plain" + "\": Not a directory" },
        { "walk into a link put in a folder's place", [&] { OpenFolder(tree, "real"); },
            "Cannot read folder \"" + tmp / "tree/real" + "\": Not a directory" },
        { "folder taken away after it was named", [&] { inner.Files(); },
            "Cannot read folder \"" + tmp / "full/inner" + "\": No such file or directory" },
        { "look at a gone file", [&] { EXPECT_FALSE(tree.LookAt(fileOf(tree, "gone"))); },
            "no error" },
        { "look at a file turned folder",
            [&] { EXPECT_FALSE(tree.LookAt(fileOf(tree, "turned"))); }, "no error" },
        { "delete a gone file", [&] { tree.KillFile(fileOf(tree, "gone")); }, "no error" },
        { "delete a file turned folder", [&] { tree.KillFile(fileOf(tree, "turned")); },
            "no error" },
        { "delete refused", [&] { proc.KillFile(fileOf(proc, "status")); },
            "Cannot delete file \"/proc/self/status\": Operation not permitted" },
        { "remove a gone folder", [&] { tree.RemoveSubFolder("never"); }, "no error" },
        { "remove a full folder", [&] { OpenFolder(tmp.Path()).RemoveSubFolder("tree"); },
            "Cannot remove folder \"" + tmp / "tree" + "\": Directory not empty" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrorOf(row.action), row.error) << row.name;
    tree.RemoveSubFolder("turned");
    EXPECT_FALSE(Exists(tmp / "tree/turned"));
}

TEST(FileSystem, MakeDirSetsTheModeAskedForWhateverTheUmask)
{
    TempDir tmp;
    FileSystem fs;
    const mode_t old = ::umask(0277);
    fs.MakeDir(tmp / "private", 0700);
    ::umask(022);
    fs.MakeDir(tmp / "plain/");
    EXPECT_TRUE(fs.MakeFreshDir(tmp / "fresh", 0750));
    ::umask(old);
    EXPECT_EQ(Mode(tmp / "private"), 0700u);
    EXPECT_EQ(Mode(tmp / "plain"), 0755u);
    EXPECT_EQ(Mode(tmp / "fresh"), 0750u);
}
