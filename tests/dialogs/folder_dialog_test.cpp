// The folder dialog as a person uses it from the window's browse buttons.
#include "app/app_fixture.h"

namespace vesko::test {
namespace {

using Field = MainForm::Field;

class FolderDialogTest : public MainWindowTest {
protected:
    FolderDialogTest()
    {
        for (const char* folder : { "/Docs/Letters", "/Music", "/caf\xe9" })
            MakeDirs(home + folder); // the last one Latin-1, not UTF-8
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

TEST_F(FolderDialogTest, AddDeliversTheFolderWithItsEndingToTheButtonsTarget)
{
    // A tidy dialog, walked in its design order.
    frmListBox* dialog = Open(5);
    ExpectTidy(dialog);
    QStringList order;
    for (QWidget* w = dialog->Drive1; order.size() < 6; w = w->nextInFocusChain())
        if (w->parentWidget() == dialog && w != dialog->lblCurrentFolder)
            order << w->objectName();
    EXPECT_EQ(
        order.join(QLatin1Char(' ')), QStringLiteral("Drive1 Dir1 cmdAdd cmdCancel Label1 Text1"));
    // The source list takes every Add, the bytes of each name, and the dialog stays open.
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

} // namespace
} // namespace vesko::test
