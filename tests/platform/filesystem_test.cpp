#include "platform/error.h"
#include "platform/filesystem.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesko;
using namespace vesko::test;

namespace
{

std::vector<std::string> Names(const std::vector<File>& files)
{
    std::vector<std::string> names;
    for (const File& f : files)
        names.push_back(f.Name());
    return names;
}

std::vector<std::string> Paths(const std::vector<Folder>& folders)
{
    std::vector<std::string> paths;
    for (const Folder& f : folders)
        paths.push_back(f.Path());
    return paths;
}

mode_t Mode(const std::string& path)
{
    struct stat st {
    };
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// The description of the Error that 'action' throws; fails the test when none is thrown.
template <typename Action> std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.description();
    }
    ADD_FAILURE() << "no Error thrown";
    return {};
}

} // namespace

TEST(FileSystem, SnapshotsListEntriesSortedByByteOrder)
{
    TempDir tmp;
    for (const char* name : { "b", "B", "a.txt", "a", "caf\xe9", "Z" })
        WriteFile(tmp / name, name);
    MakeDirs(tmp / "sub2");
    MakeDirs(tmp / "Sub1");
    MakeDirs(tmp / "sub10");

    FileSystem fs;
    Folder folder = fs.GetFolder(tmp.Path() + "/");
    EXPECT_EQ(folder.Path(), tmp.Path());
    EXPECT_EQ(Names(folder.Files()),
        (std::vector<std::string> { "B", "Z", "a", "a.txt", "b", "caf\xe9" }));
    EXPECT_EQ(folder.Files()[0].Path(), tmp / "B");
    EXPECT_EQ(folder.Files()[0].Size(), 1u);
    EXPECT_EQ(Paths(folder.SubFolders()),
        (std::vector<std::string> { tmp / "Sub1", tmp / "sub10", tmp / "sub2" }));

    // The root keeps its one '/', and its children do not get a second one.
    Folder root = fs.GetFolder("/");
    EXPECT_EQ(root.Path(), "/");
    for (const Folder& sub : root.SubFolders())
        EXPECT_NE(sub.Path().substr(0, 2), "//");
    EXPECT_TRUE(fs.FolderExists(tmp.Path() + "/"));
    EXPECT_FALSE(fs.FileExists(tmp / "a/"));
}

TEST(FileSystem, WalkMayDeleteTheEntryAtHand)
{
    TempDir tmp;
    for (const char* name : { "1", "2", "3" }) {
        WriteFile(tmp / name, "x");
        MakeDirs(tmp / (std::string("d") + name));
    }
    FileSystem fs;
    Folder folder = fs.GetFolder(tmp.Path());
    int visited = 0;
    for (const File& f : folder.Files()) {
        fs.KillFiles(f.Path());
        ++visited;
    }
    for (const Folder& sub : folder.SubFolders()) {
        fs.RemoveDir(sub.Path() + "/");
        ++visited;
    }
    EXPECT_EQ(visited, 6);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(folder.SubFolders().empty());
}

TEST(FileSystem, ErrorsNameTheReasonAndThePath)
{
    TempDir tmp;
    WriteFile(tmp / "plain", "x");
    MakeDirs(tmp / "full/inner");
    FileSystem fs;

    EXPECT_EQ(ErrorOf([&] { fs.GetFolder(tmp / "missing"); }),
        "Cannot find folder \"" + tmp / "missing" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.GetFolder(tmp / "plain"); }),
        "Cannot find folder \"" + tmp / "plain" + "\": Not a directory");
    EXPECT_EQ(ErrorOf([&] { fs.MakeDir(tmp / "no/such"); }),
        "Cannot create folder \"" + tmp / "no/such" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.MakeDir(tmp / "plain/sub"); }),
        "Cannot create folder \"" + tmp / "plain/sub" + "\": Not a directory");
    EXPECT_EQ(ErrorOf([&] { fs.RemoveDir(tmp / "full/"); }),
        "Cannot remove folder \"" + tmp / "full" + "\": Directory not empty");
    EXPECT_EQ(ErrorOf([&] { fs.KillFiles(tmp / "gone"); }),
        "Cannot delete file \"" + tmp / "gone" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.FileCopy(tmp / "gone", tmp / "copy"); }),
        "Cannot read file \"" + tmp / "gone" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.FileCopy(tmp / "plain", tmp / "no/copy"); }),
        "Cannot write file \"" + tmp / "no/copy" + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { fs.FileCopy(tmp / "plain", tmp / "full"); }),
        "Cannot write file \"" + tmp / "full" + "\": Is a directory");

    // A folder taken away after its object was made.
    Folder inner = fs.GetFolder(tmp / "full/inner");
    fs.RemoveDir(tmp / "full/inner");
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
    EXPECT_EQ(Names(tree.Files()), (std::vector<std::string> { "file" }));
    EXPECT_EQ(Paths(tree.SubFolders()), (std::vector<std::string> { tmp / "tree/real" }));

    EXPECT_FALSE(fs.FileExists(tmp / "tree/dangling"));
    EXPECT_FALSE(fs.FileExists(tmp / "tree/fifo"));
    EXPECT_FALSE(fs.FolderExists(tmp / "tree/dangling"));

    // A folder the person names may be a link; the walk below it still leaves links out.
    EXPECT_TRUE(fs.FolderExists(tmp / "tree/linkdir/"));
    EXPECT_TRUE(fs.FileExists(tmp / "tree/linkfile"));
    EXPECT_EQ(Names(fs.GetFolder(tmp / "tree/linkdir").Files()),
        (std::vector<std::string> { "secret" }));

    // Copying a FIFO (nobody writes to it) or a link fails at once and leaves no copy.
    EXPECT_EQ(ErrorOf([&] { fs.FileCopy(tmp / "tree/fifo", tmp / "copy"); }),
        "Cannot read file \"" + tmp / "tree/fifo" + "\": Not a regular file");
    EXPECT_EQ(ErrorOf([&] { fs.FileCopy(tmp / "tree/linkfile", tmp / "copy"); }),
        "Cannot read file \"" + tmp / "tree/linkfile" + "\": It is a symbolic link");
    EXPECT_FALSE(fs.FileExists(tmp / "copy"));
}

TEST(FileSystem, NameThatIsNotUtf8IsFoundCopiedAndDeleted)
{
    TempDir tmp;
    const std::string name = "caf\xe9";
    WriteFile(tmp / ("src/" + name), "bytes");
    FileSystem fs;
    fs.MakeDir(tmp / ("dst" + name));

    std::vector<File> files = fs.GetFolder(tmp / "src").Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Name(), name);
    fs.FileCopy(files[0].Path(), tmp / ("dst" + name + "/" + name));
    EXPECT_EQ(ReadFile(tmp / ("dst" + name + "/" + name)), "bytes");
    fs.KillFiles(files[0].Path());
    EXPECT_FALSE(fs.FileExists(files[0].Path()));
    fs.KillFiles(tmp / ("dst" + name + "/" + name));
    fs.RemoveDir(tmp / ("dst" + name + "/"));
    EXPECT_FALSE(fs.FolderExists(tmp / ("dst" + name)));
}

TEST(FileSystem, CopyKeepsBytesModificationTimeAndPermissionBits)
{
    TempDir tmp;
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    WriteFile(tmp / "big.bin", bytes);
    WriteFile(tmp / "script", "#!/bin/sh\n");
    ::chmod((tmp / "big.bin").c_str(), 0640);
    ::chmod((tmp / "script").c_str(), 0755);
    const auto when = LocalTime(2025, 3, 14, 15, 9, 26) + std::chrono::nanoseconds(535897932);
    SetMTime(tmp / "big.bin", when);

    FileSystem fs;
    fs.FileCopy(tmp / "big.bin", tmp / "big.copy");
    fs.FileCopy(tmp / "script", tmp / "script.copy");
    EXPECT_EQ(ReadFile(tmp / "big.copy"), bytes);
    EXPECT_EQ(MTime(tmp / "big.copy"), when);
    EXPECT_EQ(Mode(tmp / "big.copy"), 0640u);
    EXPECT_EQ(Mode(tmp / "script.copy"), 0755u);

    std::vector<File> files = fs.GetFolder(tmp.Path()).Files();
    ASSERT_EQ(Names(files)[0], "big.bin");
    EXPECT_EQ(files[0].DateLastModified(), when);
    EXPECT_EQ(files[0].Size(), bytes.size());
}

TEST(FileSystem, CopyReplacesAnExistingDestinationWithoutWritingThroughIt)
{
    TempDir tmp;
    WriteFile(tmp / "new", "short");
    ::chmod((tmp / "new").c_str(), 0444);
    WriteFile(tmp / "old", "a much longer old content");
    ::chmod((tmp / "old").c_str(), 0444);
    WriteFile(tmp / "target", "must stay");
    ASSERT_EQ(::symlink((tmp / "target").c_str(), (tmp / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0644), 0);

    FileSystem fs;
    fs.FileCopy(tmp / "new", tmp / "old");
    EXPECT_EQ(ReadFile(tmp / "old"), "short");
    EXPECT_EQ(Mode(tmp / "old"), 0444u);
    // A link or a FIFO at the destination is replaced, never written through or opened.
    fs.FileCopy(tmp / "new", tmp / "link");
    fs.FileCopy(tmp / "new", tmp / "fifo");
    EXPECT_EQ(ReadFile(tmp / "target"), "must stay");
    EXPECT_TRUE(fs.FileExists(tmp / "link"));
    EXPECT_TRUE(fs.FileExists(tmp / "fifo"));
    EXPECT_EQ(Names(fs.GetFolder(tmp.Path()).Files()),
        (std::vector<std::string> { "fifo", "link", "new", "old", "target" }));
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
