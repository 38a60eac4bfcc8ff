// The roads on which an export stops, with their boxes in order.
#include "export_fixture.h"
#include "platform/path_rules.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The mount table the drive checks read, for the scope.
class FedMountTable {
public:
    explicit FedMountTable(const std::string& path)
        : old_(paths::MountTablePath())
    {
        paths::SetMountTablePath(path);
    }
    ~FedMountTable() { paths::SetMountTablePath(old_); }

private:
    std::string old_;
};

TEST_F(ExportTest, MissingDrivesAreToldForEverySource)
{
    WriteFile(root / "mounts", "/dev/sdb1 /media/nobody/STICK vfat rw 0 0\n");
    FedMountTable table(root / "mounts");
    MakeDirs(src);

    Apply({ { "/media/nobody/GONE/a", "/media/nobody/GONE/b" }, temp, arc });
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Source drive doesn't exist!", "beep",
            "box:Invalid Drive|Source drive doesn't exist!", "box:Export Error|Copy Error!"));
    EXPECT_EQ(ui.Boxes()[2].icon, Icon::Exclamation);
    EXPECT_FALSE(fs::exists(temp));
    ExpectIndicatorsOff();

    Apply({ { src }, "/media/nobody/GONE/temp/", arc });
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Destination drive doesn't exist!",
            "box:Export Error|Copy Error!"));

    Apply({ { src }, temp, "/media/nobody/GONE/archive/" });
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Archive drive doesn't exist!",
            "box:Export Error|Copy Error!"));
    EXPECT_EQ(LastExport(), "");
}

TEST_F(ExportTest, AnExistingArchiveStopsEverySource)
{
    Put(src + "/f.txt", "f\n", After());
    WriteFile(Archive(), "an older archive");
    Apply({ { src, src }, temp, arc });

    EXPECT_FALSE(Export());
    const std::string exists = "box:Archive Exists|An archive of the same name already "
                               "exists!||Remove or rename the file and try again.";
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", exists, "beep", exists, "box:Export Error|Copy Error!"));
    EXPECT_FALSE(fs::exists(temp)) << "nothing is written before the checks pass";
    EXPECT_EQ(ReadFile(Archive()), "an older archive");
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, TemporaryFolderWhoseParentIsMissing)
{
    Put(src + "/f.txt", "f\n", After());
    temp = root / "missing parent/temp/";
    Apply({ { src, src }, temp, arc });

    EXPECT_FALSE(Export());
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 5u) << LogText();
    EXPECT_EQ(log[0], "beep");
    EXPECT_THAT(log[1], StartsWith("box:Error Copying Files|"));
    EXPECT_THAT(log[1], HasSubstr("missing parent"));
    EXPECT_EQ(log[2], "beep");
    EXPECT_EQ(log[3], log[1]);
    EXPECT_EQ(log[4], "box:Export Error|Copy Error!");
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, ArchiveFolderThatCannotBeMadeStopsBeforeTheArchiver)
{
    Put(src + "/f.txt", "f\n", After());
    WriteFile(root / "plain file", "a file where a folder should be");
    Apply({ { src }, temp, root / "plain file/archive/" });

    EXPECT_FALSE(Export());
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 3u) << LogText();
    EXPECT_THAT(log[1], StartsWith("box:Error Copying Files|"));
    EXPECT_EQ(log[2], "box:Export Error|Copy Error!");
    EXPECT_THAT(ui.Steps(), ::testing::Not(Contains(StartsWith("Archiving"))));
    EXPECT_TRUE(fs::exists(temp + paths::RelativePath(src) + "/f.txt"))
        << "the temporary tree stays as it was built";
}

TEST_F(ExportTest, SourceFailingInTheMiddleOfThree)
{
    const std::string first = root / "first", third = root / "third";
    const std::vector<std::string> changed = {
        Put(first + "/one.txt", "1\n", After()),
        Put(third + "/three.txt", "3\n", After()),
    };
    Apply({ { first, root / "no such folder", third }, temp, arc });

    EXPECT_TRUE(Export()) << LogText();
    const auto log = ui.Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "beep");
    EXPECT_EQ(log[1], "box:Invalid Source Folder|Source folder doesn't exist.");
    EXPECT_EQ(log[3], "box:Vesko Backup|Backup completed successfully.");
    ExpectArchiveHolds(Archive(), changed);
}

TEST_F(ExportTest, MissingArchiver)
{
    const std::string kept = Put(src + "/f.txt", "f\n", After());
    Apply({ { src }, temp, arc, "backup", root / "no archiver/" });

    EXPECT_FALSE(Export());
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 3u) << LogText();
    EXPECT_EQ(log[0], "beep");
    EXPECT_THAT(log[1], StartsWith("box:Archive Error|"));
    EXPECT_THAT(log[1], HasSubstr(root / "no archiver/arj"));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_EQ(log[2], "box:Export Error|Archive Error!");
    EXPECT_EQ(form.Text(MainForm::Field::ExportStatus), "");
    EXPECT_EQ(LastExport(), "");
    EXPECT_TRUE(fs::exists(temp)) << "the temporary tree stays";
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, ArchiverThatFails)
{
    const std::string arjFolder = root / "stand-in/";
    WriteStandIn(arjFolder, "echo 'stand-in: disk full' >&2\nexit 2");
    Put(src + "/f.txt", "f\n", After());
    Apply({ { src }, temp, arc, "backup", arjFolder });

    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            "box:Archive Failed|Failed to archive files.||Exit status "
            "2.|stand-in: disk full",
            "box:Export Error|Archive Error!"));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Exclamation);
    EXPECT_EQ(LastExport(), "");
    EXPECT_TRUE(fs::exists(temp));
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, CancelStopsTheArchiverAndCountsAsAFailure)
{
    const std::string arjFolder = root / "stand-in/";
    WriteStandIn(arjFolder, "exec sleep 60");
    Put(src + "/f.txt", "f\n", After());
    Apply({ { src }, temp, arc, "backup", arjFolder });
    ui.cancelWhen
        = [this] { return !ui.Steps().empty() && ui.Steps().back().rfind("Archiving", 0) == 0; };

    EXPECT_FALSE(Export());
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 3u) << LogText();
    EXPECT_EQ(log[1], "box:Archive Failed|Failed to archive files.||Cancelled.");
    EXPECT_EQ(log[2], "box:Export Error|Archive Error!");
    EXPECT_EQ(LastExport(), "");
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, EmptySourceListEndsWithCopyError)
{
    // What the previous run left must not send the archiver over a folder never made.
    form.SetText(MainForm::Field::ExportStatus, "OK");
    Apply({ { "", "" }, temp, arc });
    form.SetText(MainForm::Field::ExportStatus, "OK");

    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("box:Export Error|Copy Error!"));
    EXPECT_FALSE(fs::exists(temp));
    ExpectIndicatorsOff();
}

TEST_F(ExportTest, UnreadableFileIsToldByTheCopy)
{
    // Root reads every file whatever its permission bits; a write-only attribute of the
    // kernel's sysfs cannot be opened for reading by anyone.
    const std::string sysfs = "/sys/bus/cpu";
    if (!fs::exists(sysfs + "/drivers_probe") || ::access((sysfs + "/uevent").c_str(), F_OK) != 0)
        GTEST_SKIP() << "no sysfs write-only attribute here";
    Put(src + "/f.txt", "f\n", After());
    form.SetDateText("01-01-2000");
    Apply({ { src, sysfs }, temp, arc });

    EXPECT_FALSE(Export());
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 3u) << LogText();
    EXPECT_EQ(log[0], "beep");
    EXPECT_THAT(log[1], StartsWith("box:Error Add Files|"));
    EXPECT_THAT(log[1], HasSubstr("drivers_probe"));
    EXPECT_EQ(log[2], "box:Export Error|Copy Error!");
    EXPECT_EQ(LastExport(), "");
    ExpectIndicatorsOff();
}

} // namespace
} // namespace vesko::test
