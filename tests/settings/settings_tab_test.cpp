#include "settings/settings_fixture.h"
#include "settings/settings_tab.h"

namespace vesko::test {
namespace {

using Field = MainForm::Field;
using Label = MainForm::Label;

class SettingsTabTest : public SettingsFixture {
protected:
    void Fill(const std::string& arc, const Strings& sources)
    {
        form.SetText(Field::txtArcFolder, arc);
        form.SetText(Field::txtArjFolder, "/usr/bin/");
        form.SetText(Field::txtDestinDir, "/tmp/vesko");
        form.SetText(Field::txtExportArj, "weekly");
        form.SetText(Field::txtImportArj, "restore");
        form.SetSpanValue(1);
        form.SetSources(sources);
    }
};

TEST_F(SettingsTabTest,
    FirstStartLoadsEmptySettingsSilentlyWithoutMakingTheFileAndOnlyYesTicksTheSpanBox)
{
    RefreshLabels(host);
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_FALSE(Exists(StorePath()));
    for (Field f :
        { Field::txtArcFolder, Field::txtArjFolder, Field::txtDestinDir, Field::txtImportFolder })
        EXPECT_EQ(form.Text(f), "/") << static_cast<int>(f);
    for (Field f : { Field::txtExportArj, Field::txtImportArj, Field::txtImportName })
        EXPECT_EQ(form.Text(f), "") << static_cast<int>(f);
    EXPECT_EQ(form.SpanValue(), 0);
    EXPECT_TRUE(form.Sources().empty());
    EXPECT_EQ(form.Caption(Label::lblExport), "Date of last export:   ");
    EXPECT_EQ(form.Caption(Label::lblImport), "Date of last import:   ");

    // Only a lower-case "yes" ticks the span box.
    for (const std::string stored : { "Yes", "YES", "yes ", "yes" }) {
        Save("DisksSpan", stored);
        form.SetSpanValue(stored == "yes" ? 0 : 1);
        RefreshLabels(host);
        EXPECT_EQ(form.SpanValue(), stored == "yes" ? 1 : 0) << stored;
    }
}

TEST_F(SettingsTabTest, ApplyStoresFieldsAsTypedAndReloadsThemNormalised)
{
    Fill("/srv/archive", { "/home/b/", "", "/home/a/" });
    form.SetText(Field::txtImportFolder, "edited");
    form.SetText(Field::txtImportName, "edited");
    cmdApply_Click(host);

    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(All(),
        (Entries { { "ArcFolder", "/srv/archive" }, { "ArjFolder", "/usr/bin/" },
            { "DestinDir", "/tmp/vesko" }, { "DisksSpan", "yes" }, { "ExportArj", "weekly" },
            { "ImportArj", "restore" }, { "SourceDir0", "/home/b/" },
            { "SourceDir2", "/home/a/" } }));
    // The empty item leaves a gap in the keys and is gone after the refresh.
    EXPECT_EQ(form.Sources(), (Strings { "/home/b/", "/home/a/" }));
    EXPECT_EQ(form.Text(Field::txtArcFolder), "/srv/archive/");
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/tmp/vesko/");
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/srv/archive/");
    EXPECT_EQ(form.Text(Field::txtImportName), "restore");
    EXPECT_EQ(form.SpanValue(), 1);

    // The ending the refresh gave a folder is no edit: the second Apply keeps the stored
    // text. An empty list and a clear box remove every folder and store "no".
    form.SetSources({});
    form.SetSpanValue(0);
    cmdApply_Click(host);
    EXPECT_EQ(Get("ArcFolder"), "/srv/archive");
    EXPECT_EQ(Get("DisksSpan"), "no");
    EXPECT_EQ(All().size(), 6u);
}

TEST_F(SettingsTabTest, TwelveFoldersAndAForeignEntryComeBackInOrderAfterARestart)
{
    Strings folders;
    for (int i = 0; i < 12; ++i)
        folders.push_back("/data/" + std::string(1, static_cast<char>('l' - i)) + "/");
    Fill("/srv/", folders);
    cmdApply_Click(host);
    Sql("INSERT INTO settings (application, section, key, value) "
        "VALUES ('Zeltan''s Stuff', 'Vesko Backup', 'SourceDirXYZ', '/foreign/');");

    SettingsStore reopened;
    MemoryForm restarted;
    Host again { restarted, ui, reopened, nullptr };
    RefreshLabels(again);
    folders.push_back("/foreign/");
    EXPECT_EQ(restarted.Sources(), folders);
    // The next Apply writes the foreign entry under a key of its own.
    restarted.RemoveSource(0);
    cmdApply_Click(again);
    EXPECT_EQ(Get("SourceDirXYZ"), "");
    EXPECT_EQ(Get("SourceDir0"), "/data/k/");
    EXPECT_EQ(Get("SourceDir11"), "/foreign/");
    EXPECT_EQ(Get("SourceDir12"), "");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(SettingsTabTest, FailedApplyLeavesTheStoreAsItWasAndKeepsTheEdits)
{
    Fill("/srv/old/", { "/a/", "/b/", "/c/" });
    cmdApply_Click(host);
    const Entries before = All();
    // Another program's rule refuses one write late in the run, after the old list was
    // deleted and the single settings were rewritten.
    Sql("CREATE TRIGGER refuse BEFORE INSERT ON settings WHEN NEW.key = 'SourceDir1' "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");

    Fill("/srv/new", { "/x/", "/y/", "/z/" });
    form.SetSpanValue(0);
    cmdApply_Click(host);

    EXPECT_EQ(ui.Log(),
        (Strings {
            "beep", "box:Apply Changes Error|Settings store \"" + StorePath() + "\": disk full" }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(All(), before);
    // The closing refresh did not run: no ending added, the list as edited.
    EXPECT_EQ(form.Text(Field::txtArcFolder), "/srv/new");
    EXPECT_EQ(form.Sources(), (Strings { "/x/", "/y/", "/z/" }));
    EXPECT_EQ(form.SpanValue(), 0);
}

TEST_F(SettingsTabTest, ResetAndARecordedRunDiscardUnappliedEdits)
{
    Fill("/srv/", { "/a/", "/b/" });
    cmdApply_Click(host);
    Save("DestinDir", "/tmp/stored");
    Save("LastImport", "last Tuesday");

    form.SetText(Field::txtDestinDir, "");
    form.SetText(Field::txtExportArj, "edited");
    form.RemoveSource(0);
    cmdReset_Click(host);
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/tmp/stored/");
    EXPECT_EQ(form.Text(Field::txtExportArj), "weekly");
    EXPECT_EQ(form.Sources(), (Strings { "/a/", "/b/" }));

    form.SetText(Field::txtArcFolder, "/elsewhere/");
    form.AppendSource("/c/");
    CreateDatFile(host, "Export", LocalTime(2026, 12, 6, 17, 30, 12));
    EXPECT_EQ(Get("LastExport"), "2026-12-06 17:30:12");
    EXPECT_EQ(form.Caption(Label::lblExport), "Date of last export:   Sunday, December 6, 2026");
    // A date text that is not a date is shown unchanged.
    EXPECT_EQ(form.Caption(Label::lblImport), "Date of last import:   last Tuesday");
    EXPECT_EQ(form.Text(Field::txtArcFolder), "/srv/");
    EXPECT_EQ(form.Sources(), (Strings { "/a/", "/b/" }));
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(SettingsTabTest, StoreThatIsNotADatabaseIsReportedAndNotOverwritten)
{
    const std::string bytes = std::string(200, 'x');
    WriteFile(StorePath(), bytes);
    const std::string description
        = "Settings store \"" + StorePath() + "\": file is not a database";

    RefreshLabels(host);
    EXPECT_EQ(ui.Log(), (Strings { "beep", "box:Refresh Labels Error|" + description }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);

    ui.Clear();
    Fill("/srv/", { "/a/" });
    cmdApply_Click(host);
    EXPECT_EQ(ui.Log(), (Strings { "beep", "box:Apply Changes Error|" + description }));
    EXPECT_EQ(ReadFile(StorePath()), bytes);
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/tmp/vesko");
}

} // namespace
} // namespace vesko::test
