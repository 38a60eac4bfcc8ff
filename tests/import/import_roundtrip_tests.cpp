// What an export wrote comes back byte for byte, with the real archiver.
#include "export/export_run.h"
#include "import_fixture.h"
#include "platform/path_rules.h"

#include <fstream>
#include <gmock/gmock.h>
#include <random>

namespace vesko::test {
namespace {

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random() & 0xff);
    return bytes;
}

class ImportRoundTrip : public ImportTest {
protected:
    // Runs the program's own export of the source tree into the archive folder.
    void Export(bool span)
    {
        StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
            { "ExportArj", "week 12" }, { "ImportArj", "week 12" },
            { "DisksSpan", span ? "yes" : "no" }, { "SourceDir0", src } });
        form.SetDateText("01-01-2021");
        ui.Answer(Answer::Yes);
        ASSERT_TRUE(cmdExport_Click(host)) << ::testing::PrintToString(ui.Log());
        ui.Clear();
    }

    // Where the import puts a file of the source tree: the archive holds the temporary
    // tree, which mirrors the source by its relative path.
    std::string Restored(const std::string& relative) const
    {
        return arc + paths::RelativePath(temp) + paths::RelativePath(src) + "/" + relative;
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
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(std::filesystem::exists(Restored(name))) << name;
        EXPECT_TRUE(ReadFile(Restored(name)) == bytes) << name; // no 3 MB diff on failure
        EXPECT_EQ(MTime(Restored(name)), LocalTime(2022, 3, 4, 5, 6, 7)) << name;
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

    const std::string archive = arc + "week 12.arj";
    {
        std::fstream f(archive, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100'000);
        f.write(std::string(64, '\x5a').data(), 64);
    }
    EXPECT_FALSE(cmdImport_Click(host));
    ASSERT_EQ(ui.Log().size(), 2u) << ::testing::PrintToString(ui.Log());
    EXPECT_TRUE(BeginsWith(ui.Log()[1], "box:Import Failed|Archive restore failed.||"));
    EXPECT_EQ(Stored("LastImport"), "");
}

} // namespace
} // namespace vesko::test
