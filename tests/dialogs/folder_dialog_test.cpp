// The folder dialog as a person uses it from the window's browse buttons.
#include "app/app_fixture.h"

#include <filesystem>
#include <QKeyEvent>

namespace vesko::test {
namespace {

using Field = MainForm::Field;

class FolderDialogTest : public MainWindowTest {
protected:
    FolderDialogTest()
    {
        for (const char* folder : { "/Docs/Letters", "/Music", "/.cache", "/caf\xe9" })
            MakeDirs(home + folder); // the last one Latin-1, not UTF-8
        WriteFile(home + "/notes.txt", "a file, not a folder");
    }
    // What the browse button of that index opens.
    frmListBox* Open(int index)
    {
        Window().show();
        Find<QPushButton>(("cmdDirList_" + std::to_string(index)).c_str())->click();
        return Dialog();
    }
    frmListBox* Dialog()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Window().findChild<frmListBox*>(QStringLiteral("frmListBox"));
    }
    void Pick(const std::string& path)
    {
        Q_EMIT Dialog()->Dir1->doubleClicked(Dialog()->FindFolder(path));
    }
    void Add() { Dialog()->cmdAdd->click(); }
    std::string Shown(Field field) { return Window().Text(field); }

    const std::string home = temp / "home";
    BoxAnswerer person;
};

TEST_F(FolderDialogTest, OpensOnTheHomeFolderBesideTheWindowShowingItsFolders)
{
    // A link to a folder is one to pick, as in a file manager.
    std::filesystem::create_directory_symlink(home + "/Music", home + "/linked");
    frmListBox* dialog = Open(0);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Folder Selection"));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    ExpectTidy(dialog);
    EXPECT_TRUE(dialog->isVisible() && !dialog->Text1->isVisible());
    // Beside the window, so that the source list can be seen growing (its frame aside).
    EXPECT_LE((dialog->pos() - Window().frameGeometry().topRight()).manhattanLength(), 12);
    EXPECT_EQ(dialog->Drive1->itemText(0) + dialog->Drive1->itemText(1),
        QStringLiteral("Root (/)Home (%1)").arg(QString::fromStdString(home)));
    EXPECT_EQ(dialog->Drive1->currentIndex(), 1);
    EXPECT_EQ(dialog->lblCurrentFolder->text().toStdString(), "Current folder: " + home);
    EXPECT_EQ(dialog->lblCurrentFolder->toolTip().toStdString(), home);

    // Folders only, hidden ones left out, in the order a person reads them.
    const QAbstractItemModel* model = dialog->Dir1->model();
    QStringList shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, 0).data().toString();
    EXPECT_EQ(shown.join(QLatin1Char('|')), QStringLiteral("caf\u00e9|Docs|linked|Music"));
    const QModelIndex docs = model->index(1, 0);
    dialog->Dir1->expand(docs);
    ASSERT_EQ(model->rowCount(docs), 1);
    EXPECT_EQ(model->index(0, 0, docs).data().toString(), QStringLiteral("Letters"));

    // Enter opens the highlighted folder, as a double-click does; other keys do not.
    for (const auto& [key, opens] : { std::pair { Qt::Key_Space, false },
             std::pair { Qt::Key_Return, true }, std::pair { Qt::Key_Enter, true } }) {
        SCOPED_TRACE(key);
        Pick(home + "/Docs");
        dialog->Dir1->setCurrentIndex(dialog->FindFolder(home + "/Music"));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(dialog->Dir1, &press);
        EXPECT_EQ(dialog->Dir1Path(), home + (opens ? "/Music" : "/Docs"));
    }

    QStringList order;
    for (QWidget* w = dialog->Drive1; order.size() < 6; w = w->nextInFocusChain())
        if (w->parentWidget() == dialog && w != dialog->lblCurrentFolder)
            order << w->objectName();
    EXPECT_EQ(
        order.join(QLatin1Char(' ')), QStringLiteral("Drive1 Dir1 cmdAdd cmdCancel Label1 Text1"));
    EXPECT_EQ(person.Log(), QString());
}

TEST_F(FolderDialogTest, AddDeliversTheFolderWithItsEndingToTheButtonsTarget)
{
    // The source list takes every Add, the bytes of each name, and the dialog stays open.
    frmListBox* dialog = Open(5);
    for (const char* folder : { "/caf\xe9", "/Docs/Letters" }) {
        Pick(home + folder);
        Add();
    }
    EXPECT_EQ(Window().SourceItem(0) + Window().SourceItem(1),
        home + "/caf\xe9/" + home + "/Docs/Letters/");

    // Another browse button takes the open dialog over where it is; a single click only
    // highlights.
    EXPECT_EQ(Open(2), dialog);
    dialog->Dir1->setCurrentIndex(dialog->FindFolder(home + "/Music"));
    Add();
    EXPECT_EQ(Shown(Field::txtDestinDir), home + "/Docs/Letters/");
    EXPECT_EQ(Dialog(), nullptr);

    // From the root: a folder below it, and the root itself, which already ends with '/'.
    Open(1)->Drive1->setCurrentIndex(0);
    Pick(temp.Path());
    Add();
    Open(4)->Drive1->setCurrentIndex(0);
    Add();
    EXPECT_EQ(Shown(Field::txtArjFolder) + Shown(Field::txtImportArj), temp / "/");

    // Cancel delivers nothing. Only the browse buttons write the hidden target index:
    // anything else is a fault, told.
    Open(0);
    Pick(home + "/Docs");
    Dialog()->cmdCancel->click();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Shown(Field::txtArcFolder), "/");
    Open(0);
    const QString added
        = QStringLiteral("Folder Selection|Folder added to the backup list.|information");
    QStringList told { added, added };
    for (const char* index : { "Text1", "6", "-1", "2x", "", "99999" }) {
        Dialog()->Text1->setText(QString::fromLatin1(index));
        Add();
        told << QStringLiteral(
            "Add Folder Error|The target index \"%1\" is not a number from 0 to 5.|critical")
                    .arg(QString::fromLatin1(index));
    }
    EXPECT_EQ(person.Log(), told.join(QLatin1Char('\n')));
    Dialog()->Text1->setText(QStringLiteral(" 0 "));
    Add();
    EXPECT_EQ(Shown(Field::txtArcFolder), home + "/");
}

TEST_F(FolderDialogTest, AHomeFolderThatCannotBeReadIsToldAndTheRootShown)
{
    // A home folder gone while the dialog shows the root, then on the next opening: the
    // person is told, and the root shown.
    frmListBox* dialog = Open(0);
    dialog->Drive1->setCurrentIndex(0);
    std::filesystem::remove_all(home);
    dialog->Drive1->setCurrentIndex(1);
    EXPECT_EQ(dialog->Drive1->currentIndex(), 0);
    dialog->cmdCancel->click();
    dialog = Open(0);
    EXPECT_EQ(dialog->Drive1->currentIndex(), 0);
    EXPECT_EQ(dialog->Dir1Path(), "/");
    const std::string told = "Folder Selection|Cannot find folder \"" + home
        + "\": No such file or directory|critical";
    EXPECT_EQ(person.Log().toStdString(), told + "\n" + told);
}

} // namespace
} // namespace vesko::test
