// The import's name rules, its refusals and its failure roads, with a stand-in archiver
// where the real one's behaviour is not the point.
#include "import_fixture.h"

#include <chrono>
namespace vesko::test {
namespace {

const char* const kNotFound = "box:Archive Not Found|The archive file can't be found. Check to "
                              "make sure the file exists and the path is correct in the "
                              "settings section.";

class ImportRules : public ImportTest {
protected:
    void SetUp() override
    {
        StoreSettings({ { "ArjFolder", FakeArchiver(0) }, { "ImportArj", "stored-name" } });
        folder = tmp / "backup/";
        MakeDirs(folder);
    }

    // The archive path and the folder the stand-in received, after the usual x -v -y.
    std::vector<std::string> PathArgs()
    {
        auto args = FakeArgs();
        EXPECT_EQ(args.size(), 5u) << ::testing::PrintToString(args);
        if (args.size() != 5)
            return {};
        EXPECT_EQ(Lines(args.begin(), args.begin() + 3), (Lines { "x", "-v", "-y" }));
        return { args[3], args[4] };
    }

    std::string folder;
};

TEST_F(ImportRules, NameWithAndWithoutExtensionNameTheSameArchive)
{
    WriteFile(folder + "week12.arj", "volume");
    for (const std::string name : { "week12", "week12.arj" }) {
        SetImport(folder, name);
        ASSERT_TRUE(cmdImport_Click(host)) << name;
        EXPECT_EQ(PathArgs(), (Lines { folder + "week12.arj", folder })) << name;
        EXPECT_TRUE(Contains(ui.Steps().back(), folder + "week12.*: ")) << name;
    }
}

TEST_F(ImportRules, ExtensionIsFoundCaseSensitivelyAnywhereInTheName)
{
    // "WEEK12.ARJ" holds no ".arj": the extension is appended.
    WriteFile(folder + "WEEK12.ARJ", "volume");
    SetImport(folder, "WEEK12.ARJ");
    EXPECT_FALSE(cmdImport_Click(host));
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(FakeArgs().empty());
    EXPECT_FALSE(ui.Busy());

    WriteFile(folder + "WEEK12.ARJ.arj", "volume");
    ASSERT_TRUE(cmdImport_Click(host));
    EXPECT_EQ(PathArgs().at(0), folder + "WEEK12.ARJ.arj");

    // "old.arjx" holds ".arj": nothing is appended, and the pattern is cut before it.
    WriteFile(folder + "old.arjx", "volume");
    SetImport(folder, "old.arjx");
    ASSERT_TRUE(cmdImport_Click(host));
    EXPECT_EQ(PathArgs().at(0), folder + "old.arjx");
    EXPECT_TRUE(Contains(ui.Steps().back(), folder + "old.*: "));
}

TEST_F(ImportRules, FolderHoldingTheExtensionIsUsedWhole)
{
    const std::string arjFolder = tmp / "my.arj.files/";
    WriteFile(arjFolder + "week12.arj", "volume");
    SetImport(arjFolder, "week12");
    ASSERT_TRUE(cmdImport_Click(host));
    EXPECT_EQ(PathArgs(), (Lines { arjFolder + "week12.arj", arjFolder }));
    EXPECT_TRUE(Contains(ui.Steps().back(), arjFolder + "week12.*: "));
}

TEST_F(ImportRules, FolderGetsItsSeparatorInTheField)
{
    const std::string typed = tmp / "backup";
    SetImport(typed, "absent");
    EXPECT_FALSE(cmdImport_Click(host));
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed + "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));

    WriteFile(typed + "/week12.arj", "volume");
    SetImport(typed, "week12");
    ASSERT_TRUE(cmdImport_Click(host));
    EXPECT_EQ(PathArgs(), (Lines { typed + "/week12.arj", typed + "/" }));
}

TEST_F(ImportRules, EmptyFolderBecomesTheRoot)
{
    SetImport("", "vesko-import-test-no-such-archive");
    EXPECT_FALSE(cmdImport_Click(host));
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
}

TEST_F(ImportRules, EmptyNameIsRefusedBeforeAnythingElse)
{
    const std::string typed = tmp / "backup";
    SetImport(typed, "");
    EXPECT_FALSE(cmdImport_Click(host));
    EXPECT_EQ(ui.Log(), (Lines { "beep", "box:Entry Required|Please enter a file name." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed); // refused before the folder step
    EXPECT_TRUE(ui.BusyChanges().empty());
    EXPECT_TRUE(FakeArgs().empty());
}

TEST_F(ImportRules, SuccessRecordsTheStartAndReloadsTheImportFields)
{
    WriteFile(folder + "week12.arj", "volume");
    SetImport(folder, "week12");
    const auto before = std::chrono::system_clock::now();
    ASSERT_TRUE(cmdImport_Click(host));
    const auto after = std::chrono::system_clock::now();

    EXPECT_EQ(ui.Log(), (Lines { "beep", "box:Archive Import|Archive restored successfully." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    TimePoint recorded;
    ASSERT_TRUE(ParseStoredDate(Stored("LastImport"), recorded)) << Stored("LastImport");
    EXPECT_GE(recorded, std::chrono::floor<std::chrono::seconds>(before));
    EXPECT_LE(recorded, after);
    // The refresh put the stored values back over what was typed for this run.
    EXPECT_EQ(form.Text(Field::txtImportName), "stored-name");
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_EQ(ui.Output(), (Lines { "fake archiver output" }));
    EXPECT_EQ(ui.BusyChanges(), (std::vector<bool> { true, false }));
    EXPECT_FALSE(ui.ProgressOpen());
}

TEST_F(ImportRules, ArchiverThatFailsIsReportedAndRecordsNothing)
{
    FakeArchiver(2);
    WriteFile(folder + "week12.arj", "volume");
    SetImport(folder, "week12");
    EXPECT_FALSE(cmdImport_Click(host));

    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[0], "beep");
    EXPECT_TRUE(BeginsWith(ui.Log()[1], "box:Import Failed|Archive restore failed.||"));
    EXPECT_TRUE(Contains(ui.Log()[1], "Exit status 2."));
    EXPECT_TRUE(Contains(ui.Log()[1], "fake archiver output"));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_EQ(Stored("LastImport"), "");
    EXPECT_EQ(form.Text(Field::txtImportName), "week12"); // no refresh
    EXPECT_FALSE(ui.Busy());
    EXPECT_FALSE(ui.ProgressOpen());
}

TEST_F(ImportRules, MissingArchiverIsTrapped)
{
    form.SetText(Field::txtArjFolder, tmp / "no-arj/");
    WriteFile(folder + "week12.arj", "volume");
    SetImport(folder, "week12");
    EXPECT_FALSE(cmdImport_Click(host));

    ASSERT_EQ(ui.Events().size(), 2u);
    EXPECT_EQ(ui.Log()[0], "beep");
    const auto box = ui.Boxes().at(0);
    EXPECT_EQ(box.title, "Import Error");
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(Contains(box.text, "no-arj"));
    EXPECT_EQ(Stored("LastImport"), "");
    EXPECT_FALSE(ui.Busy());
    EXPECT_FALSE(ui.ProgressOpen());
}

} // namespace
} // namespace vesko::test
