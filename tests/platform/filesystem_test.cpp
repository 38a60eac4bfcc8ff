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

// The names of the files or folders, without their paths.
Strings Names(const auto& entries)
{
    Strings names;
    for (const auto& e : entries)
        names.push_back(e.Path().substr(e.Path().rfind('/') + 1));
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
    EXPECT_EQ(Names(walked.SubFolders()), (Strings { "Sub1", "sub10", "sub2" }));
    EXPECT_EQ(walked.SubFolders()[0].Path(), tmp / "Sub1");
    Sh(tmp.Path(), "rm a.txt b && mkfifo b");
    EXPECT_EQ(Names(walked.Files()), (Strings { "..x", ".hidden", "B", "Z", "a", odd }));
    Sh(tmp.Path(), "rm ..x .hidden B Z a caf* && rmdir sub2");
    EXPECT_EQ(Names(walked.Files()), Strings {});
    EXPECT_EQ(Names(walked.SubFolders()), (Strings { "Sub1", "sub10" }));
    Sh(tmp.Path(), "rmdir sub10");
    EXPECT_EQ(Names(walked.SubFolders()), Strings { "Sub1" });

    // The root keeps its one '/' and gives its children none more. A folder the person names
    // may be a link; the walk below it still leaves links out.
    EXPECT_EQ(fs.GetFolder("/").SubFolders()[0].Path().rfind('/'), 0u);
    EXPECT_EQ(fs.GetFolder(tmp / "linkdir").SubFolders()[0].Path(), tmp / "linkdir/inner");
    EXPECT_EQ(OpenFolder(tmp / "linkdir").FolderNames(), Strings { "inner" });

    WriteFile(tmp / "a.txt", "back");
    std::string kinds; // file or not, folder or not
    for (const char* p : { "a.txt", "a.txt/", "Sub1/", "linkfile", "linkdir/", "dangling", "fifo" })
        kinds += std::string(fs.FileExists(tmp / p) ? "f" : "-")
            + (fs.FolderExists(tmp / p) ? "d " : "- ");
    EXPECT_EQ(kinds, "f- -- -d f- -d -- -- ");
    EXPECT_FALSE(fs.FileExists("") || fs.FolderExists(""));
}

// Copies a file as the walk does: its folder open, the file looked at once, a change made
// between the look and the copy.
TEST(FileSystem, CopyKeepsBytesTimesAndModeOrLeavesTheDestinationAsItWas)
{
    const struct {
        const char* name;
        const char* source; // "" for the row's "f", beside the folders "d" and "out"
        const char* change; // a shell command run there; '!' first: the disk is full after it
        const char* error; // "" when the copy must succeed, else "read|..." or "write|..."
    } rows[] = {
        { "fresh copy on the same disk", "", "", "" },
        { "longer old copy replaced", "", "head -c 400000 /dev/zero >out/copy", "" },
        { "link at the destination replaced", "", "ln -s ../d/victim out/copy", "" },
        { "FIFO at the destination replaced", "", "mkfifo out/copy", "" },
        { "kernel file copied by sendfile", "/sys/devices/system/cpu/online", "", "" },
        { "process file copied by reads and writes", "/proc/self/cmdline", "", "" },
        { "unreadable process memory", "/proc/self/mem", "", "read|Input/output error" },
        { "file gone since the look", "", "rm f", "read|No such file or directory" },
        { "file turned into a FIFO", "", "rm f && mkfifo f", "read|Not a regular file" },
        { "file turned into a link", "", "rm f && ln -s d f", "read|It is a symbolic link" },
        { "file turned into a folder", "", "rm f && mkdir f", "read|Is a directory" },
        { "folder at the destination", "", "mkdir out/copy", "write|Is a directory" },
        { "destination folder gone", "", "rmdir out", "write|No such file or directory" },
        { "kernel copy on a full disk", "", "!echo old >out/copy", "write|File too large" },
        { "plain writes on a full disk", "/proc/self/cmdline", "!", "write|File too large" },
    };
    ::signal(SIGXFSZ, SIG_IGN);
    const TempDir rowFolders;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.source && !Exists(row.source)) {
            std::cout << "skipped \"" << row.name << "\": no " << row.source << "\n";
            continue;
        }
        const std::string tmp = rowFolders / row.name;
        MakeDirs(tmp);
        Sh(tmp,
            "mkdir d out && head -c 300000 /dev/urandom >f && chmod 751 f && "
            "touch -d '2025-03-14 15:09:26.5358979' f");
        const std::string source = *row.source ? row.source : tmp + "/f";
        const std::string destination = tmp + "/out/copy", reason = row.error;
        const OpenFolder open(source.substr(0, source.rfind('/')));
        std::size_t i = 0;
        while (open.FileName(i) != source.substr(source.rfind('/') + 1))
            ++i;
        const FileFacts facts = open.LookAt(i).value();
        Sh(tmp, ": ; " + std::string(row.change + (*row.change == '!')));
        const Tree before = FilesBelow(tmp + "/out");
        rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit full { 1, old.rlim_max }; // writes stop at one byte, as on a full disk
        ::setrlimit(RLIMIT_FSIZE, *row.change == '!' ? &full : &old);
        const std::string error = ErrorOf([&] { open.CopyFile(i, facts, destination); });
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(error,
            reason.empty() ? "no error"
                           : (reason[0] == 'w' ? "Cannot write file \"" + destination
                                               : "Cannot read file \"" + source)
                    + "\": " + reason.substr(reason.find('|') + 1));
        if (!reason.empty()) {
            EXPECT_EQ(FilesBelow(tmp + "/out"), before);
            continue;
        }
        EXPECT_EQ(ListFilesBelow(tmp + "/out"), Strings { "copy" });
        EXPECT_EQ(ReadFile(destination), ReadFile(source));
        EXPECT_EQ(MTime(destination), facts.DateLastModified());
        EXPECT_EQ(Mode(destination), facts.mode & 0777);
        EXPECT_FALSE(Exists(tmp + "/d/victim"));
    }
}

TEST(FileSystem, ErrorsNameTheReasonAndThePathAndFoldersGetTheirModes)
{
    TempDir tmp;
    Sh(tmp.Path(), "mkdir -p full tree/real && touch plain full/keep tree/gone tree/turned");
    FileSystem fs;
    const OpenFolder tree(tmp / "tree"), proc("/proc/self");
    Sh(tmp.Path(),
        "rm tree/gone tree/turned && mkdir tree/turned && mv tree/real real && "
        "ln -s ../full tree/real");
    const auto fileOf = [](const OpenFolder& f, const std::string& name) {
        for (std::size_t i = 0;; ++i)
            if (f.FileName(i) == name)
                return i;
    };
    const struct {
        const char* name;
        std::function<void()> action;
        std::string error;
    } rows[] = {
        { "file named as a folder", [&] { fs.GetFolder(tmp / "plain"); },
            "Cannot find folder \"" + tmp / "plain" + "\": Not a directory" },
        { "walk into a file", [&] { OpenFolder(tmp / "plain/"); },
            "Cannot read folder \"" + tmp / "plain" + "\": Not a directory" },
        { "walk into a link put in a folder's place", [&] { OpenFolder(tree, "real"); },
            "Cannot read folder \"" + tmp / "tree/real" + "\": Not a directory" },
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
        { "make a folder that is there", [&] { fs.MakeDir(tmp / "full/"); },
            "Cannot create folder \"" + tmp / "full" + "\": File exists" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrorOf(row.action), row.error) << row.name;
    EXPECT_FALSE(fs.MakeFreshDir(tmp / "full"));
    tree.RemoveSubFolder("turned");
    EXPECT_FALSE(Exists(tmp / "tree/turned"));

    // A mode asked for is set whatever the umask; the default follows it.
    const mode_t old = ::umask(0277);
    fs.MakeDir(tmp / "private", 0700);
    ::umask(022);
    fs.MakeDir(tmp / "plain folder/");
    ::umask(old);
    EXPECT_EQ(Mode(tmp / "private"), 0700u);
    EXPECT_EQ(Mode(tmp / "plain folder"), 0755u);
}
