#include "platform/filesystem.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesko;
using namespace vesko::test;
using Strings = std::vector<std::string>;

namespace {

Strings Names(const std::vector<File>& files)
{
    Strings names;
    for (const File& f : files)
        names.push_back(f.Name());
    return names;
}

// Copies a file as the walk does: its folder open, the file looked at once. change runs
// between the look and the copy.
void CopyAsTheWalk(
    const std::string& folder, const std::string& name, const std::string& destination,
    const std::function<void()>& change = [] {})
{
    const OpenFolder open(folder);
    for (std::size_t i = 0; i < open.FileCount(); ++i)
        if (open.FileName(i) == name) {
            const std::optional<FileFacts> facts = open.LookAt(i);
            ASSERT_TRUE(facts) << name;
            change();
            open.CopyFile(i, *facts, destination);
            return;
        }
    FAIL() << name << " not listed";
}

Strings Paths(const std::vector<Folder>& folders)
{
    Strings paths;
    for (const Folder& f : folders)
        paths.push_back(f.Path());
    return paths;
}

} // namespace

TEST(FileSystem, SnapshotsListEntriesSortedByByteOrderWhateverTheirNames)
{
    TempDir tmp;
    const std::string odd = "caf\xe9";
    for (const std::string name : { "b", "B", "a.txt", "a", odd.c_str(), "Z" })
        WriteFile(tmp / name, name);
    for (const char* name : { "sub2", "Sub1", "sub10" })
        MakeDirs(tmp / name);

    FileSystem fs;
    Folder folder = fs.GetFolder(tmp.Path() + "/");
    EXPECT_EQ(folder.Path(), tmp.Path());
    EXPECT_EQ(Names(folder.Files()), (Strings { "B", "Z", "a", "a.txt", "b", odd }));
    EXPECT_EQ(folder.Files()[0].Path(), tmp / "B");
    EXPECT_EQ(folder.Files()[0].Size(), 1u);
    EXPECT_EQ(Paths(folder.SubFolders()), (Strings { tmp / "Sub1", tmp / "sub10", tmp / "sub2" }));
    EXPECT_TRUE(fs.FolderExists(tmp.Path() + "/"));
    EXPECT_FALSE(fs.FileExists(tmp / "a/"));
    // The root keeps its one '/', and its children do not get a second one.
    Folder root = fs.GetFolder("/");
    EXPECT_EQ(root.Path(), "/");
    for (const Folder& sub : root.SubFolders())
        EXPECT_NE(sub.Path().substr(0, 2), "//");

    // A name that is not UTF-8 is copied into a folder with such a name, and deleted.
    fs.MakeDir(tmp / ("d" + odd));
    CopyAsTheWalk(tmp.Path(), odd, tmp / ("d" + odd + "/" + odd));
    EXPECT_EQ(ReadFile(tmp / ("d" + odd + "/" + odd)), odd);
    fs.KillFiles(tmp / ("d" + odd + "/" + odd));
    fs.RemoveDir(tmp / ("d" + odd + "/"));
    EXPECT_FALSE(fs.FolderExists(tmp / ("d" + odd)));

    // A walk may delete the entry at hand.
    int visited = 0;
    for (const File& f : folder.Files())
        visited += (fs.KillFiles(f.Path()), 1);
    for (const Folder& sub : folder.SubFolders())
        visited += (fs.RemoveDir(sub.Path() + "/"), 1);
    EXPECT_EQ(visited, 9);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(folder.SubFolders().empty());
}

TEST(FileSystem, ErrorsNameTheReasonAndThePath)
{
    TempDir tmp;
    WriteFile(tmp / "plain", "x");
    MakeDirs(tmp / "full/inner");
    FileSystem fs;
    Folder inner = fs.GetFolder(tmp / "full/inner");
    fs.RemoveDir(tmp / "full/inner");
    fs.MakeDir(tmp / "full/keep");

    EXPECT_EQ(ErrorOf([&] { fs.GetFolder(tmp / "missing"); }),
        "Cannot find folder \"" + tmp / "missing" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.GetFolder(tmp / "plain"); }),
        "Cannot find folder \"" + tmp / "plain" + "\": Not a directory");
    EXPECT_EQ(ErrorOf([&] { fs.MakeDir(tmp / "plain/sub"); }),
        "Cannot create folder \"" + tmp / "plain/sub" + "\": Not a directory");
    EXPECT_EQ(ErrorOf([&] { fs.RemoveDir(tmp / "full/"); }),
        "Cannot remove folder \"" + tmp / "full" + "\": Directory not empty");
    EXPECT_EQ(ErrorOf([&] { fs.KillFiles(tmp / "gone"); }),
        "Cannot delete file \"" + tmp / "gone" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { OpenFolder(tmp / "plain"); }),
        "Cannot read folder \"" + tmp / "plain" + "\": Not a directory");
    EXPECT_EQ(ErrorOf([&] {
        CopyAsTheWalk(tmp.Path(), "plain", tmp / "copy", [&] { fs.KillFiles(tmp / "plain"); });
    }),
        "Cannot read file \"" + tmp / "plain" + "\": No such file or directory");
    WriteFile(tmp / "plain", "x");
    EXPECT_EQ(ErrorOf([&] { CopyAsTheWalk(tmp.Path(), "plain", tmp / "no/copy"); }),
        "Cannot write file \"" + tmp / "no/copy" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { CopyAsTheWalk(tmp.Path(), "plain", tmp / "full"); }),
        "Cannot write file \"" + tmp / "full" + "\": Is a directory");
    // A folder taken away after its object was made.
    EXPECT_EQ(ErrorOf([&] { inner.Files(); }),
        "Cannot read folder \"" + tmp / "full/inner" + "\": No such file or directory");
}

TEST(FileSystem, LinksAndFifosAreNeitherFilesNorFoldersAndNeverBlock)
{
    TempDir tmp;
    WriteFile(tmp / "outside/secret", "secret");
    MakeDirs(tmp / "tree/real");
    WriteFile(tmp / "tree/file", "x");
    ASSERT_EQ(::symlink((tmp / "outside").c_str(), (tmp / "tree/linkdir").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "outside/secret").c_str(), (tmp / "tree/linkfile").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "nowhere").c_str(), (tmp / "tree/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((tmp / "tree/fifo").c_str(), 0644), 0);

    FileSystem fs;
    Folder tree = fs.GetFolder(tmp / "tree");
    EXPECT_EQ(Names(tree.Files()), (Strings { "file" }));
    EXPECT_EQ(Paths(tree.SubFolders()), (Strings { tmp / "tree/real" }));
    EXPECT_FALSE(fs.FileExists(tmp / "tree/dangling"));
    EXPECT_FALSE(fs.FileExists(tmp / "tree/fifo"));
    EXPECT_FALSE(fs.FolderExists(tmp / "tree/dangling"));

    // A folder the person names may be a link; the walk below it still leaves links out.
    EXPECT_TRUE(fs.FolderExists(tmp / "tree/linkdir/"));
    EXPECT_TRUE(fs.FileExists(tmp / "tree/linkfile"));
    EXPECT_EQ(Names(fs.GetFolder(tmp / "tree/linkdir").Files()), (Strings { "secret" }));

    // The walk's folder lists the same; a folder or a file swapped for a link, or a file
    // for a FIFO (nobody writes to it), after the look is refused at once, leaving no copy.
    {
        const OpenFolder open(tmp / "tree");
        EXPECT_EQ(open.FolderNames(), (Strings { "real" }));
        ASSERT_EQ(open.FileCount(), 1u);
        EXPECT_EQ(open.FileName(0), "file");
        ::rename((tmp / "tree/real").c_str(), (tmp / "real").c_str());
        ::symlink((tmp / "outside").c_str(), (tmp / "tree/real").c_str());
        EXPECT_EQ(ErrorOf([&] { OpenFolder(open, "real"); }),
            "Cannot read folder \"" + tmp / "tree/real" + "\": Not a directory");
    }
    const std::string swapped = tmp / "swapped";
    WriteFile(swapped, "x");
    EXPECT_EQ(ErrorOf([&] {
        CopyAsTheWalk(tmp.Path(), "swapped", tmp / "copy", [&] {
            ::unlink(swapped.c_str());
            ::mkfifo(swapped.c_str(), 0644);
        });
    }),
        "Cannot read file \"" + swapped + "\": Not a regular file");
    ::unlink(swapped.c_str());
    WriteFile(swapped, "x");
    EXPECT_EQ(ErrorOf([&] {
        CopyAsTheWalk(tmp.Path(), "swapped", tmp / "copy", [&] {
            ::unlink(swapped.c_str());
            ::symlink((tmp / "outside/secret").c_str(), swapped.c_str());
        });
    }),
        "Cannot read file \"" + swapped + "\": It is a symbolic link");
    EXPECT_FALSE(Exists(tmp / "copy"));

    // A link or a FIFO at a copy's destination is replaced, never written through or opened.
    CopyAsTheWalk(tmp / "tree", "file", tmp / "tree/linkfile");
    CopyAsTheWalk(tmp / "tree", "file", tmp / "tree/fifo");
    EXPECT_EQ(ReadFile(tmp / "outside/secret"), "secret");
    EXPECT_EQ(Names(fs.GetFolder(tmp / "tree").Files()), (Strings { "fifo", "file", "linkfile" }));
}

TEST(FileSystem, CopyKeepsBytesTimeAndModeAndReplacesALongerDestination)
{
    TempDir tmp;
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    WriteFile(tmp / "big.bin", bytes);
    WriteFile(tmp / "old", bytes + "and a longer old tail");
    ::chmod((tmp / "big.bin").c_str(), 0751);
    ::chmod((tmp / "old").c_str(), 0444);
    const auto when = LocalTime(2025, 3, 14, 15, 9, 26) + std::chrono::nanoseconds(535897932);
    SetMTime(tmp / "big.bin", when);

    FileSystem fs;
    CopyAsTheWalk(tmp.Path(), "big.bin", tmp / "old");
    EXPECT_EQ(ReadFile(tmp / "old"), bytes);
    EXPECT_EQ(MTime(tmp / "old"), when);
    EXPECT_EQ(Mode(tmp / "old"), 0751u);
    const std::vector<File> files = fs.GetFolder(tmp.Path()).Files();
    ASSERT_EQ(Names(files)[0], "big.bin");
    EXPECT_EQ(files[0].DateLastModified(), when);
    EXPECT_EQ(files[0].Size(), bytes.size());
}

TEST(FileSystem, MakeDirSetsTheModeAskedForWhateverTheUmask)
{
    TempDir tmp;
    FileSystem fs;
    const mode_t old = ::umask(0277);
    fs.MakeDir(tmp / "private", 0700);
    ::umask(022);
    fs.MakeDir(tmp / "plain/");
    ::umask(old);
    EXPECT_EQ(Mode(tmp / "private"), 0700u);
    EXPECT_EQ(Mode(tmp / "plain"), 0755u);
}
