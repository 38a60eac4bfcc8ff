// The folder dialog as a person uses it from the window's browse buttons.
#include "gui/app_fixture.h"

#include <QKeyEvent>

namespace vesko::test {
namespace {

class FolderDialogTest : public MainWindowTest {
protected:
    FolderDialogTest()
    {
        for (const char* folder : { "/Docs/Letters", "/Music", "/caf\xe9" })
            MakeDirs(home + folder); // the last one Latin-1, not UTF-8
    }
    // What the browse button of that index opens.
    FolderPicker* Open(int index)
    {
        Window().show();
        Find<QPushButton>(("browseButton_" + std::to_string(index)).c_str())->click();
        return Dialog();
    }
    FolderPicker* Dialog()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Window().findChild<FolderPicker*>(QStringLiteral("FolderPicker"));
    }
    void Pick(const std::string& path)
    {
        Q_EMIT Dialog()->folderTree->doubleClicked(Dialog()->FindFolder(path));
    }
    void Add() { Dialog()->addButton->click(); }
    std::string Shown(PathField* SettingsTab::*field)
    {
        return (Window().settingsTab()->*field)->Path();
    }

    const std::string home = temp / "home";
    BoxAnswerer person;
};

TEST_F(FolderDialogTest, AddDeliversTheFolderWithItsEndingToTheButtonsTarget)
{
    // A tidy dialog, walked in its design order.
    FolderPicker* dialog = Open(5);
    ExpectTidy(dialog);
    QStringList order;
    for (QWidget* w = dialog->driveList; order.size() < 4; w = w->nextInFocusChain())
        if (w->parentWidget() == dialog && w != dialog->currentFolderLabel)
            order << w->objectName();
    EXPECT_EQ(order.join(QLatin1Char(' ')),
        QStringLiteral("driveList folderTree addButton cancelButton"));
    // The source list takes every Add, the bytes of each name, and the dialog stays open.
    for (const char* folder : { "/caf\xe9", "/Docs/Letters" }) {
        Pick(home + folder);
        Add();
    }
    const std::vector<std::string> sources = Window().SettingsInWindow().sources;
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0] + sources[1], home + "/caf\xe9/" + home + "/Docs/Letters/");

    // Another browse button takes the open dialog over where it is; Add takes the folder
    // highlighted by a single click.
    EXPECT_EQ(Open(2), dialog);
    dialog->folderTree->setCurrentIndex(dialog->FindFolder(home + "/Music"));
    Add();
    EXPECT_EQ(Shown(&SettingsTab::tempFolderEdit), home + "/Music/");
    EXPECT_EQ(Dialog(), nullptr);

    // From the root: a folder below it, and the root itself, which already ends with '/'.
    Open(1)->driveList->setCurrentIndex(0);
    Pick(temp.Path());
    Add();
    Open(4)->driveList->setCurrentIndex(0);
    Add();
    EXPECT_EQ(Shown(&SettingsTab::archiverFolderEdit) + Shown(&SettingsTab::storedImportNameEdit),
        temp / "/");

    // Enter opens the highlighted folder, as a double click does; Cancel delivers nothing.
    Open(0)->folderTree->setCurrentIndex(Dialog()->FindFolder(home + "/Docs"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(Dialog()->folderTree, &enter);
    EXPECT_EQ(Dialog()->currentFolderLabel->toolTip(), ShownPath(home + "/Docs"));
    Dialog()->cancelButton->click();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Shown(&SettingsTab::archiveFolderEdit), "~/Backups/"); // the default
    Open(0);
    const auto added = [this](const std::string& folder) {
        return QStringLiteral("Folder Selection|Folder added to the backup list:\n\n")
            + ShownPath(home + folder) + QStringLiteral("|information");
    };
    Add();
    EXPECT_EQ(person.Log(),
        QStringList({ added("/caf\xe9/"), added("/Docs/Letters/") }).join(QLatin1Char('\n')));
    EXPECT_EQ(Shown(&SettingsTab::archiveFolderEdit), home + "/");
}

} // namespace
} // namespace vesko::test
