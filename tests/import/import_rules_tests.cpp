// The import's name rules, its refusals and its failure roads, with a stand-in archiver
// where the real one's behaviour is not the point.
#include "import_fixture.h"

#include <chrono>
#include <filesystem>

namespace vesko::test {
namespace {

const char* const kNotFound = "box:Archive Not Found|The archive file can't be found. Check to "
                              "make sure the file exists and the path is correct in the "
                              "settings section.";

class ImportRules : public ImportTest {
protected:
    void SetUp() override
    {
        FakeArchiver(0);
        StoreSettings({ { "ArjFolder", arjFolder }, { "ImportArj", "stored-name" } });
        MakeDirs(folder);
    }

    // A stand-in in a folder whose name holds a space: it notes its arguments, one a line,
    // prints one line and exits with the given status.
    void FakeArchiver(int status)
    {
        WriteScript(arjFolder + "arj",
            "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
            "echo 'fake archiver output'\nexit "
                + std::to_string(status));
    }

    // Presses Import with these fields; the log is cleared first.
    bool Import(const std::string& importFolder, const std::string& name)
    {
        ui.Clear();
        SetImport(importFolder, name);
        return cmdImport_Click(host);
    }

    // What the stand-in was given since the last call; empty when it never ran.
    std::string Args()
    {
        const std::string file = arjFolder + "args";
        const std::string args = std::filesystem::exists(file) ? ReadFile(file) : "";
        std::filesystem::remove(file);
        return args;
    }
    static std::string Args(const std::string& archive, const std::string& into)
    {
        return "x\n-v\n-y\n" + archive + "\n" + into + "\n";
    }

    std::string arjFolder = tmp / "fake arj/";
    std::string folder = tmp / "backup/";
};

TEST_F(ImportRules, NameRulesGiveTheArchivePathAndThePattern)
{
    const std::string dotted = tmp / "my.arj.files/";
    for (const char* name : { "week12.arj", "WEEK12.ARJ.arj", "old.arjx" })
        WriteFile(folder + name, "volume");
    WriteFile(dotted + "week12.arj", "volume");
    struct Case {
        std::string folder, name, archive, pattern;
    };
    for (const Case& c : std::vector<Case> {
             { folder, "week12", "week12.arj", "week12.*" },
             { folder, "week12.arj", "week12.arj", "week12.*" },
             // The extension is found case-sensitively: "WEEK12.ARJ" gets ".arj".
             { folder, "WEEK12.ARJ", "WEEK12.ARJ.arj", "WEEK12.ARJ.*" },
             // "old.arjx" holds ".arj": nothing is appended and the pattern is cut before it.
             { folder, "old.arjx", "old.arjx", "old.*" },
             // A folder holding the extension is used whole.
             { dotted, "week12", "week12.arj", "week12.*" },
         }) {
        ASSERT_TRUE(Import(c.folder, c.name)) << c.name << ::testing::PrintToString(ui.Log());
        EXPECT_EQ(Args(), Args(c.folder + c.archive, c.folder)) << c.name;
        EXPECT_THAT(ui.Steps().back(), HasSubstr(c.folder + c.pattern + ": ")) << c.name;
    }
}

TEST_F(ImportRules, RefusalsAndTheFolderField)
{
    const std::string typed = tmp / "backup";
    EXPECT_FALSE(Import(typed, ""));
    EXPECT_EQ(ui.Log(), (Lines { "beep", "box:Entry Required|Please enter a file name." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed); // refused before the folder step
    EXPECT_TRUE(ui.BusyChanges().empty());

    // "WEEK12.ARJ" holds no ".arj": with the extension appended it is not found.
    WriteFile(folder + "WEEK12.ARJ", "volume");
    EXPECT_FALSE(Import(folder, "WEEK12.ARJ"));
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_FALSE(ui.Busy());

    // A folder typed without its '/' gets one in the field; an empty one becomes the root.
    EXPECT_FALSE(Import(typed, "absent"));
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed + "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_FALSE(Import("", "vesko-import-test-no-such-archive"));
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_EQ(Args(), "") << "the archiver never ran for a refusal";

    WriteFile(folder + "week12.arj", "volume");
    ASSERT_TRUE(Import(typed, "week12"));
    EXPECT_EQ(Args(), Args(folder + "week12.arj", folder));
}

TEST_F(ImportRules, FailuresRecordNothingAndSuccessRecordsTheStart)
{
    WriteFile(folder + "week12.arj", "volume");
    FakeArchiver(2);
    EXPECT_FALSE(Import(folder, "week12"));
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            AllOf(StartsWith("box:Import Failed|Archive restore failed.||"),
                HasSubstr("Exit status 2."), HasSubstr("fake archiver output"))));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_EQ(form.Text(Field::txtImportName), "week12"); // no refresh
    EXPECT_FALSE(ui.Busy());
    EXPECT_FALSE(ui.ProgressOpen());

    form.SetText(Field::txtArjFolder, tmp / "no-arj/");
    EXPECT_FALSE(Import(folder, "week12"));
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", AllOf(StartsWith("box:Import Error|"), HasSubstr("no-arj"))));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(Stored("LastImport"), "");
    EXPECT_FALSE(ui.Busy());
    EXPECT_FALSE(ui.ProgressOpen());

    form.SetText(Field::txtArjFolder, arjFolder);
    FakeArchiver(0);
    const std::size_t busyChanges = ui.BusyChanges().size();
    const auto before = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    ASSERT_TRUE(Import(folder, "week12"));
    const auto after = std::chrono::system_clock::now();
    EXPECT_EQ(ui.Log(), (Lines { "beep", "box:Archive Import|Archive restored successfully." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    TimePoint recorded;
    ASSERT_TRUE(ParseStoredDate(Stored("LastImport"), recorded)) << Stored("LastImport");
    EXPECT_GE(recorded, before);
    EXPECT_LE(recorded, after);
    // The refresh put the stored values back over what was typed for this run.
    EXPECT_EQ(form.Text(Field::txtImportName), "stored-name");
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_EQ(ui.Output().back(), "fake archiver output");
    EXPECT_EQ(std::vector(ui.BusyChanges().begin() + busyChanges, ui.BusyChanges().end()),
        (std::vector<bool> { true, false }));
    EXPECT_FALSE(ui.ProgressOpen());
}

} // namespace
} // namespace vesko::test
