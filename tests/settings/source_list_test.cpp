#include "platform/folder_dialog.h"
#include "settings/settings_fixture.h"
#include "settings/source_list.h"

namespace vesko::test {
namespace {

using Field = MainForm::Field;

using SourceListTest = SettingsFixture;

// The folder selection dialog as the browse buttons see it, recording every call.
class RecordingDialog : public FolderDialog {
public:
    void Show() override { calls.push_back("show"); }
    void SetHelpText(const std::string& text) override { calls.push_back("help:" + text); }
    void SetTargetIndex(const std::string& text) override { calls.push_back("index:" + text); }
    void Close() override { calls.push_back("close"); }
    Strings calls;
};

TEST_F(SourceListTest, AddAndDeleteChangeTheListOrAskForAnEntryOrASelection)
{
    for (const char* typed : { "/data", "/data/", " ", "/data" }) {
        form.SetText(Field::txtSourceDir, typed);
        cmdAddSource_Click(host);
        EXPECT_EQ(form.Text(Field::txtSourceDir), "");
    }
    EXPECT_EQ(form.Sources(), (Strings { "/data/", "/data/", " /", "/data/" }));
    EXPECT_EQ(form.Repaints(), 4);
    EXPECT_TRUE(ui.Log().empty());

    cmdAddSource_Click(host);
    EXPECT_EQ(ui.Log(),
        (Strings {
            "beep", "box:Entry Required|Please enter a folder (with full path) and try again." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_EQ(ui.Boxes().at(0).buttons, Buttons::Ok);
    EXPECT_EQ(form.Sources().size(), 4u);

    // Delete asks for a selection, then removes the selected item.
    ui.Clear();
    cmdDeleteSource_Click(host);
    EXPECT_EQ(ui.Log(),
        (Strings { "beep", "box:Selection Required|Select an item from the list first." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_EQ(form.Sources().size(), 4u);
    form.Select(2);
    cmdDeleteSource_Click(host);
    EXPECT_EQ(form.Sources(), (Strings { "/data/", "/data/", "/data/" }));
    EXPECT_EQ(form.Repaints(), 5);
}

TEST_F(SourceListTest, BrowseButtonsShowTheDialogWithHelpTextAndTarget)
{
    RecordingDialog dialog;
    host.dialog = &dialog;
    cmdDirList_Click(host, 2);
    cmdDirList_Click(host, 5);
    cmdDirList_Click(host, 0);
    EXPECT_EQ(dialog.calls,
        (Strings { "show", std::string("help:") + kShortHelpText, "index:2", "show",
            std::string("help:") + kLongHelpText, "index:5", "show",
            std::string("help:") + kShortHelpText, "index:0" }));

    host.dialog = nullptr;
    cmdDirList_Click(host, 3);
    EXPECT_TRUE(ui.Log().empty());
}

} // namespace
} // namespace vesko::test
