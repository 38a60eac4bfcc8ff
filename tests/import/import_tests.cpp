// The import: its name rules, refusals and failure roads with a stand-in archiver where the
// real one's behaviour is not the point, and round trips of the program's own export with
// the real one.
#include "export/export_run.h"
#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/host.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/made_files.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <map>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A settings store of its own, the in-memory window, the recorded person and a stand-in
// archiver where the real one's behaviour is not the point.
class ImportTest : public ::testing::Test {
protected:
    using Field = MainForm::Field;

    // Writes the settings and loads them into the window, as a start-up does.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        for (const auto& [key, value] : settings)
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
        RefreshLabels(host);
        ui.Clear();
    }
    std::string Stored(const std::string& key)
    {
        return store.GetSetting(kSettingsApplication, kSettingsSection, key);
    }
    // Presses Import with these fields; the log is cleared first. Whatever the road, the
    // busy pointer and the progress window are off when it ends.
    bool Import(const std::string& importFolder, const std::string& name)
    {
        ui.Clear();
        form.SetText(Field::txtImportFolder, importFolder);
        form.SetText(Field::txtImportName, name);
        const bool imported = cmdImport_Click(host) == RunOutcome::Success;
        EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
        EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
        return imported;
    }

    // The stand-in archiver, the stored Import Name, and a folder for archives.
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
    // What the stand-in was given since the last call; empty when it never ran.
    std::string Args()
    {
        const std::string file = arjFolder + "args";
        const std::string args = fs::exists(file) ? ReadFile(file) : "";
        fs::remove(file);
        return args;
    }
    static std::string Args(const std::string& archive, const std::string& into)
    {
        return "x\n-v\n-y\n" + archive + "\n" + into + "\n";
    }

    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    MemoryForm form;
    RecordingUi ui;
    Host host { form, ui, store };
    std::string arjFolder = tmp / "fake arj/";
    std::string folder = tmp / "backup/";
};

const char* const kNotFound = "box:Archive Not Found|The archive file can't be found. Check to "
                              "make sure the file exists and the path is correct in the "
                              "settings section.";

TEST_F(ImportTest, NameRulesGiveTheArchivePathAndThePattern)
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

TEST_F(ImportTest, RefusalsAndTheFolderField)
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

TEST_F(ImportTest, FailuresRecordNothingAndSuccessRecordsTheStart)
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

    form.SetText(Field::txtArjFolder, tmp / "no-arj/");
    EXPECT_FALSE(Import(folder, "week12"));
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", AllOf(StartsWith("box:Import Error|"), HasSubstr("no-arj"))));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(Stored("LastImport"), "");

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
}

TEST_F(ImportTest, SpannedExportComesBackWholeAndDamagedFailsRecordingNothing)
{
    const std::string src = tmp / "source", arc = tmp / "archive/", temp = tmp / "work temp/";
    const std::map<std::string, std::string> files = {
        { "README", "no dot in this name\n" },
        { "with space/file name.txt", "spaces\n" },
        { "shell $(touch pwned); `id` 'q' \"d\"/a&b|c;d.txt", "shell characters\n" },
        { "big.bin", RandomBytes(3'500'000, 12) },
    };
    for (const auto& [name, bytes] : files) {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, LocalTime(2022, 3, 4, 5, 6, 7));
    }
    // The program's own export, with the real archiver.
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
        { "ExportArj", "week 12" }, { "ImportArj", "week 12" }, { "DisksSpan", "yes" },
        { "SourceDir0", src } });
    form.SetDateText("01-01-2021");
    ASSERT_EQ(cmdExport_Click(host), RunOutcome::Success) << ::testing::PrintToString(ui.Log());
    ASSERT_TRUE(fs::exists(arc + "week 12.a02")) << "expected several volumes";

    ASSERT_TRUE(Import(arc, "week 12")) << ::testing::PrintToString(ui.Log());
    // The archive holds the temporary tree, which mirrors the source by its relative path.
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src) + "/";
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(fs::exists(restored + name)) << name;
        EXPECT_TRUE(ReadFile(restored + name) == bytes) << name; // no 3 MB diff on failure
        EXPECT_EQ(MTime(restored + name), LocalTime(2022, 3, 4, 5, 6, 7)) << name;
    }
    EXPECT_FALSE(fs::exists(tmp / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_NE(Stored("LastImport"), "");
    EXPECT_FALSE(ui.Output().empty()); // the archiver's lines reached the progress window

    store.DeleteSetting(kSettingsApplication, kSettingsSection, "LastImport");
    {
        std::fstream f(arc + "week 12.arj", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100'000);
        f.write(std::string(64, '\x5a').data(), 64);
    }
    EXPECT_FALSE(Import(arc, "week 12"));
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", StartsWith("box:Import Failed|Archive restore failed.||")));
    EXPECT_EQ(Stored("LastImport"), "");
}

} // namespace
} // namespace vesko::test
