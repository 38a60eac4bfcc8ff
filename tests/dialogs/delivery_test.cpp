#include "folder_dialog_fixture.h"

namespace vesko::test {
namespace {

using Field = MainForm::Field;

TEST_F(FolderDialogTest, EachFieldTargetReceivesTheFolderWithItsEndingAndCloses)
{
    const Field fields[] = { Field::txtArcFolder, Field::txtArjFolder, Field::txtDestinDir,
        Field::txtExportArj, Field::txtImportArj };
    for (int index = 0; index < 5; ++index) {
        SCOPED_TRACE(index);
        Open(index);
        DoubleClick(home + "/Docs/Letters");
        Add();
        EXPECT_EQ(form.Text(fields[index]), home + "/Docs/Letters/");
        EXPECT_EQ(dialog.Window(), nullptr);
    }
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_TRUE(form.Sources().empty());

    // The root already ends with its '/'.
    Open(2)->Drive1->setCurrentIndex(0);
    Add();
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/");
}

TEST_F(FolderDialogTest, SourceListTargetAppendsEveryAddAndStaysOpen)
{
    frmListBox* window = Open(5);
    for (const char* folder : { "/Docs", "/Music", "/Docs/Letters", "/Docs/Letters" }) {
        DoubleClick(home + folder);
        Add();
    }
    EXPECT_EQ(form.Sources(),
        (std::vector<std::string> {
            home + "/Docs/", home + "/Music/", home + "/Docs/Letters/", home + "/Docs/Letters/" }));
    EXPECT_EQ(form.Repaints(), 4);
    const std::string told = "box:Folder Selection|Folder added to the backup list.";
    EXPECT_EQ(ui.Log(),
        (std::vector<std::string> { "beep", told, "beep", told, "beep", told, "beep", told }));
    EXPECT_EQ(ui.Boxes().front().icon, Icon::Information);
    EXPECT_EQ(dialog.Window(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FolderDialogTest, AnotherBrowseButtonRetargetsTheOpenDialogAndASingleClickOnlyHighlights)
{
    frmListBox* window = Open(2);
    DoubleClick(home + "/Music");

    EXPECT_EQ(Open(5), window);
    EXPECT_EQ(window->Label1->text(), QStringLiteral("help 5"));
    EXPECT_EQ(window->Dir1Path(), home + "/Music");
    window->Dir1->setCurrentIndex(Node(home + "/Docs"));
    Add();
    EXPECT_EQ(form.Sources(), std::vector<std::string> { home + "/Music/" });
    EXPECT_EQ(form.Text(Field::txtDestinDir), "");
    EXPECT_EQ(dialog.Window(), window);
}

TEST_F(FolderDialogTest, CancelAndTheCloseBoxDeliverNothing)
{
    Open(1);
    DoubleClick(home + "/Docs");
    dialog.Window()->cmdCancel->click();
    EXPECT_EQ(dialog.Window(), nullptr);

    Open(5);
    DoubleClick(home + "/Docs");
    dialog.Window()->close();
    EXPECT_EQ(dialog.Window(), nullptr);

    EXPECT_EQ(form.Text(Field::txtArjFolder), "");
    EXPECT_TRUE(form.Sources().empty());
    EXPECT_TRUE(ui.Events().empty());
}

TEST_F(FolderDialogTest, ATargetIndexThatIsNoneOfTheSixIsTrapped)
{
    dialog.Show(); // no browse button set it: Text1 still holds its design text
    Add();
    EXPECT_EQ(ui.Log(),
        (std::vector<std::string> { "beep",
            "box:Add Folder Error|The target index \"Text1\" is not a number from 0 to 5." }));
    EXPECT_NE(dialog.Window(), nullptr);
}

} // namespace
} // namespace vesko::test
