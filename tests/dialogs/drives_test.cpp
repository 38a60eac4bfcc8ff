#include "folder_dialog_fixture.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace vesko::test {
namespace {

TEST_F(FolderDialogTest, OpensOnTheHomeFolderShowingItsVisibleFolders)
{
    // A link to a folder is one to pick, as in a file manager.
    std::filesystem::create_directory_symlink(home + "/Music", home + "/linked");
    frmListBox* window = Open(0);
    EXPECT_EQ(window->windowTitle().toStdString(), "Folder Selection");
    ASSERT_GE(window->Drive1->count(), 2);
    EXPECT_EQ(window->Drive1->itemText(0).toStdString(), "Root (/)");
    EXPECT_EQ(window->Drive1->itemText(1).toStdString(), "Home (" + home + ")");
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_NE(window->lblCurrentFolder->text().toStdString().find(home), std::string::npos);
    EXPECT_TRUE(ui.Events().empty());

    const QAbstractItemModel* model = window->Dir1->model();
    std::vector<std::string> shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown.push_back(model->index(row, 0).data().toString().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string> { "Docs", "linked", "Music" }));

    std::vector<std::string> order;
    for (QWidget* w = window->Drive1; order.size() < 6; w = w->nextInFocusChain())
        if (w->parentWidget() == window && w != window->lblCurrentFolder)
            order.push_back(w->objectName().toStdString());
    EXPECT_EQ(order,
        (std::vector<std::string> { "Drive1", "Dir1", "cmdAdd", "cmdCancel", "Label1", "Text1" }));
}

TEST_F(FolderDialogTest, AVolumeGoneSinceTheListWasReadFallsBackToTheRememberedDrive)
{
    // A volume is mounted for this process alone: a private mount namespace, with /mnt
    // hidden under an empty file system.
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a file system in a private namespace needs root";
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0) << std::strerror(errno);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    ASSERT_EQ(::mount("tmpfs", "/mnt", "tmpfs", 0, "size=1m"), 0) << std::strerror(errno);
    MakeDirs("/mnt/my stick");
    ASSERT_EQ(::mount("tmpfs", "/mnt/my stick", "tmpfs", 0, "size=1m"), 0);

    frmListBox* window = Open(5);
    const int stick = window->Drive1->findData(QByteArray("/mnt/my stick"));
    ASSERT_GE(stick, 2);
    EXPECT_EQ(window->Drive1->itemText(stick).toStdString(), "my stick (/mnt/my stick)");
    DoubleClick(home + "/Docs");

    ::umount("/mnt/my stick");
    window->Drive1->setCurrentIndex(stick);
    ::umount2("/mnt", MNT_DETACH);
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[0], "beep");
    EXPECT_EQ(ui.Boxes()[0].title, "Folder Selection");
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_NE(ui.Boxes()[0].text.find("/mnt/my stick"), std::string::npos);
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_EQ(dialog.RememberedDrive(), 1);
}

// Each opening starts on the second drive, the home folder. When it cannot be read, the
// remembered drive is tried, and the root shown when that fails too.
TEST_F(FolderDialogTest, EachOpeningStartsOnTheHomeFolderOrFallsBackToTheRoot)
{
    auto expectRootAfterOneBox = [this](frmListBox* window) {
        ASSERT_EQ(ui.Log().size(), 2u);
        EXPECT_EQ(ui.Log()[0], "beep");
        EXPECT_EQ(ui.Boxes()[0].title, "Folder Selection");
        EXPECT_NE(ui.Boxes()[0].text.find(home), std::string::npos) << ui.Boxes()[0].text;
        EXPECT_EQ(window->Drive1->currentIndex(), 0);
        EXPECT_EQ(window->Dir1Path(), "/");
        EXPECT_EQ(dialog.RememberedDrive(), 0);
        window->cmdCancel->click();
        ui.Clear();
    };
    std::filesystem::remove_all(home);
    {
        SCOPED_TRACE("first opening: nothing remembered yet");
        expectRootAfterOneBox(Open(0));
    }

    MakeDirs(home);
    frmListBox* window = Open(0);
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    window->Drive1->setCurrentIndex(0);
    EXPECT_EQ(window->Dir1Path(), "/");
    EXPECT_EQ(dialog.RememberedDrive(), 0);
    window->cmdCancel->click();

    window = Open(0);
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_EQ(dialog.RememberedDrive(), 1);
    window->cmdCancel->click();

    std::filesystem::remove_all(home);
    SCOPED_TRACE("the remembered drive is the home folder");
    expectRootAfterOneBox(Open(0));
}

} // namespace
} // namespace vesko::test
