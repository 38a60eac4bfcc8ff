#include "foldertree/remove_tree.h"
#include "tree_fixture.h"

#include <unistd.h>

namespace vesko::test {
namespace {

using RemoveTree = TreeTest;

TEST_F(RemoveTree, RemovesEveryFileAndFolderAndTheTemporaryFolderItself)
{
    WriteFile(temp + "top.txt", "t");
    WriteFile(temp + "a/b/c/d/e/deep.txt", "d");
    WriteFile(temp + "a/side/s.txt", "s");
    MakeDirs(temp + "empty/chain");
    // A link to a folder outside is not followed: what it points at stays.
    WriteFile(dir / "outside/keep.txt", "k");
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (temp + "a/out").c_str()), 0);

    RemoveFiles(host, temp);
    EXPECT_TRUE(ListFilesBelow(temp).empty());
    EXPECT_TRUE(IsDir(temp + "a/b/c/d/e"));
    ::unlink((temp + "a/out").c_str());
    RemoveFolders(host, temp);

    EXPECT_FALSE(Exists(temp));
    EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "k");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(RemoveTree, FailuresGiveTheirBoxesInOrder)
{
    // A link is no file to RemoveFiles, so its folder is not empty when RemoveFolders comes.
    WriteFile(temp + "a/1.txt", "1");
    WriteFile(temp + "b/2.txt", "2");
    ASSERT_EQ(::symlink("/etc/hostname", (temp + "b/link").c_str()), 0);
    RemoveFiles(host, temp);
    RemoveFolders(host, temp);
    EXPECT_TRUE(ListFilesBelow(temp).empty());
    EXPECT_FALSE(Exists(temp + "a"));
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[1].rfind("box:Error Folders Cleanup|", 0), 0u) << ui.Log()[1];
    EXPECT_NE(ui.Log()[1].find(temp + "b"), std::string::npos);

    // The temporary folder missing: both steps report it.
    ui.Clear();
    std::filesystem::remove_all(temp);
    RemoveFiles(host, temp);
    RemoveFolders(host, temp);
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "beep");
    EXPECT_EQ(log[1].rfind("box:Error Files Cleanup|", 0), 0u) << log[1];
    EXPECT_EQ(log[2], "beep");
    EXPECT_EQ(log[3].rfind("box:Error Folders Cleanup|", 0), 0u) << log[3];
    EXPECT_EQ(ui.Boxes()[1].icon, Icon::Critical);
}

} // namespace
} // namespace vesko::test
