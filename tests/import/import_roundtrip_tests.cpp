// What an export wrote comes back byte for byte, with the real archiver.
#include "export/export_run.h"
#include "import_fixture.h"
#include "platform/path_rules.h"

#include <filesystem>
#include <fstream>

namespace vesko::test {
namespace {

class ImportRoundTrip : public ImportTest {
protected:
    // Runs the program's own export of the source tree into the archive folder.
    void Export(bool span)
    {
        StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
            { "ExportArj", "week 12" }, { "ImportArj", "week 12" },
            { "DisksSpan", span ? "yes" : "no" }, { "SourceDir0", src } });
        form.SetDateText("01-01-2021");
        ASSERT_TRUE(cmdExport_Click(host)) << ::testing::PrintToString(ui.Log());
        ui.Clear();
    }

    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "work temp/";
};

TEST_F(ImportRoundTrip, SpannedExportComesBackWhole)
{
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
    Export(true);
    ASSERT_TRUE(std::filesystem::exists(arc + "week 12.a02")) << "expected several volumes";

    ASSERT_TRUE(cmdImport_Click(host)) << ::testing::PrintToString(ui.Log());
    // The archive holds the temporary tree, which mirrors the source by its relative path.
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src) + "/";
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(std::filesystem::exists(restored + name)) << name;
        EXPECT_TRUE(ReadFile(restored + name) == bytes) << name; // no 3 MB diff on failure
        EXPECT_EQ(MTime(restored + name), LocalTime(2022, 3, 4, 5, 6, 7)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(tmp / "pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_NE(Stored("LastImport"), "");
    EXPECT_FALSE(ui.Output().empty()); // the archiver's lines reached the progress window
}

TEST_F(ImportRoundTrip, DamagedArchiveFailsAndRecordsNothing)
{
    WriteFile(src + "/data.bin", RandomBytes(200'000, 7));
    SetMTime(src + "/data.bin", LocalTime(2022, 3, 4));
    Export(false);
    {
        std::fstream f(arc + "week 12.arj", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100'000);
        f.write(std::string(64, '\x5a').data(), 64);
    }
    EXPECT_FALSE(cmdImport_Click(host));
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", StartsWith("box:Import Failed|Archive restore failed.||")));
    EXPECT_EQ(Stored("LastImport"), "");
}

} // namespace
} // namespace vesko::test
