#include "folder_dialog_fixture.h"

#include <algorithm>
#include <filesystem>
#include <QEventLoop>
#include <QTimer>
#include <unistd.h>

namespace vesko::test {
namespace {

TEST_F(FolderDialogTest, OpensOnTheHomeFolderShowingItsVisibleFolders)
{
    frmListBox* window = Open(0);
    EXPECT_EQ(window->windowTitle().toStdString(), "Folder Selection");
    ASSERT_EQ(window->Drive1->count(), 2);
    EXPECT_EQ(window->Drive1->itemText(0).toStdString(), "Root (/)");
    EXPECT_EQ(window->Drive1->itemText(1).toStdString(), "Home (" + home + ")");
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_NE(window->lblCurrentFolder->text().toStdString().find(home), std::string::npos);
    EXPECT_TRUE(ui.Events().empty());

    // The tree fills in the background.
    auto* model = qobject_cast<QFileSystemModel*>(window->Dir1->model());
    const QModelIndex root = window->Dir1->rootIndex();
    QEventLoop loop;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (model->rowCount(root) < 2)
        loop.exec();
    std::vector<std::string> shown;
    for (int row = 0; row < model->rowCount(root); ++row)
        shown.push_back(model->index(row, 0, root).data().toString().toStdString());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string> { "Docs", "Music" }));

    std::vector<std::string> order;
    for (QWidget* w = window->Drive1; order.size() < 6; w = w->nextInFocusChain())
        if (w->parentWidget() == window && w != window->lblCurrentFolder)
            order.push_back(w->objectName().toStdString());
    EXPECT_EQ(order,
        (std::vector<std::string> { "Drive1", "Dir1", "cmdAdd", "cmdCancel", "Label1", "Text1" }));
}

TEST_F(FolderDialogTest, AVolumeThatCannotBeReadFallsBackToTheRememberedDrive)
{
    const std::string parent = "/media/vesko-test-" + std::to_string(::getpid());
    WriteFile(
        mounts, "/dev/sda1 / ext4 rw 0 0\n/dev/sdz1 " + parent + "/My\\040Stick vfat rw 0 0\n");
    frmListBox* window = Open(5);
    ASSERT_EQ(window->Drive1->count(), 3);
    EXPECT_EQ(window->Drive1->itemText(2).toStdString(), "My Stick (" + parent + "/My Stick)");
    DoubleClick(home + "/Docs");

    window->Drive1->setCurrentIndex(2);
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[0], "beep");
    EXPECT_EQ(ui.Boxes()[0].title, "Folder Selection");
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_NE(ui.Boxes()[0].text.find(parent + "/My Stick"), std::string::npos);
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
