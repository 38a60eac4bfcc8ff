#include "folder_dialog_fixture.h"

#include <algorithm>
#include <filesystem>
#include <QEventLoop>
#include <QTimer>
#include <unistd.h>

namespace vesko::test {
namespace {

std::vector<std::string> Items(const QComboBox* combo)
{
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdString());
    return items;
}

TEST_F(FolderDialogTest, OpensOnTheHomeFolderShowingItsVisibleFolders)
{
    frmListBox* window = Open(0);
    EXPECT_EQ(window->windowTitle().toStdString(), "Folder Selection");
    EXPECT_EQ(
        Items(window->Drive1), (std::vector<std::string> { "Root (/)", "Home (" + home + ")" }));
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_NE(window->lblCurrentFolder->text().toStdString().find(home), std::string::npos);
    EXPECT_TRUE(ui.Events().empty());

    // The tree fills in the background.
    auto* model = qobject_cast<QFileSystemModel*>(window->Dir1->model());
    QEventLoop loop;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (model->rowCount(window->Dir1->rootIndex()) < 2)
        loop.exec();
    std::vector<std::string> shown;
    for (int row = 0; row < model->rowCount(window->Dir1->rootIndex()); ++row)
        shown.push_back(
            model->index(row, 0, window->Dir1->rootIndex()).data().toString().toStdString());
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
    const std::string stick = "/media/vesko-test-" + std::to_string(::getpid()) + "/My Stick";
    WriteFile(mounts,
        "/dev/sda1 / ext4 rw 0 0\n/dev/sdz1 /media/vesko-test-" + std::to_string(::getpid())
            + "/My\\040Stick vfat rw 0 0\n");
    frmListBox* window = Open(5);
    ASSERT_EQ(window->Drive1->count(), 3);
    EXPECT_EQ(window->Drive1->itemText(2).toStdString(), "My Stick (" + stick + ")");
    DoubleClick(home + "/Docs");

    window->Drive1->setCurrentIndex(2);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Events().front().kind, RecordingUi::Event::Kind::Beep);
    EXPECT_EQ(ui.Boxes()[0].title, "Folder Selection");
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_NE(ui.Boxes()[0].text.find(stick), std::string::npos) << ui.Boxes()[0].text;
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_EQ(dialog.RememberedDrive(), 1);
}

TEST_F(FolderDialogTest, AMissingHomeFolderFallsBackToTheRootAndTheNextOpeningTriesItAgain)
{
    std::filesystem::remove_all(home);
    frmListBox* window = Open(0);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Log()[0], "beep");
    EXPECT_EQ(ui.Boxes()[0].title, "Folder Selection");
    EXPECT_NE(ui.Boxes()[0].text.find(home), std::string::npos) << ui.Boxes()[0].text;
    EXPECT_EQ(window->Drive1->currentIndex(), 0);
    EXPECT_EQ(window->Dir1Path(), "/");
    window->cmdCancel->click();

    MakeDirs(home);
    ui.Clear();
    window = Open(0);
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
    EXPECT_TRUE(ui.Events().empty());
}

TEST_F(FolderDialogTest, EveryOpeningStartsAgainOnTheSecondDrive)
{
    frmListBox* window = Open(0);
    window->Drive1->setCurrentIndex(0);
    EXPECT_EQ(window->Dir1Path(), "/");
    EXPECT_EQ(dialog.RememberedDrive(), 0);
    window->cmdCancel->click();

    window = Open(0);
    EXPECT_EQ(window->Drive1->currentIndex(), 1);
    EXPECT_EQ(window->Dir1Path(), home);
}

TEST_F(FolderDialogTest, WhenNeitherTheHomeNorTheRememberedDriveCanBeReadItShowsTheRoot)
{
    Open(0)->cmdCancel->click(); // remembers the home folder
    std::filesystem::remove_all(home);
    frmListBox* window = Open(0);
    EXPECT_EQ(ui.Log().size(), 2u); // one beep and box: the fallback is the same drive
    EXPECT_EQ(window->Drive1->currentIndex(), 0);
    EXPECT_EQ(window->Dir1Path(), "/");
    EXPECT_EQ(dialog.RememberedDrive(), 0);
}

} // namespace
} // namespace vesko::test
