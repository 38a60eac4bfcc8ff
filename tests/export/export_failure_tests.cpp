// The roads on which an export stops, with their boxes in order.
#include "export_fixture.h"

#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Contains;

const char* const kCopyError = "box:Export Error|Copy Error!";
const char* const kArchiveError = "box:Export Error|Archive Error!";

TEST_F(ExportTest, RoadsThatStopBeforeTheArchiver)
{
    // Nothing modified after the cut-off: no archive, and the empty folders made are gone.
    Put(src + "/sub/f.txt", "f\n", after);
    form.SetDateText("06-16-2020");
    Apply({ src }, temp, arc);
    EXPECT_TRUE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            "box:Nothing to Archive|No file was modified on or after 06-16-2020.||No archive "
            "was written."));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Information);
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_FALSE(fs::exists(Archive()));
    form.SetDateText("06-15-2020");

    // No volume is mounted on /media/nobody/GONE, nor is there a folder of that name.
    Apply({ "/media/nobody/GONE/a", "/media/nobody/GONE/b" }, temp, arc);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Source drive doesn't exist!", "beep",
            "box:Invalid Drive|Source drive doesn't exist!", kCopyError));
    EXPECT_EQ(ui.Boxes()[2].icon, Icon::Exclamation);
    EXPECT_FALSE(fs::exists(temp));

    Apply({ src }, "/media/nobody/GONE/temp/", arc);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Destination drive doesn't exist!", kCopyError));

    Apply({ src }, temp, "/media/nobody/GONE/archive/");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Archive drive doesn't exist!", kCopyError));

    // An existing archive is told for every source, and nothing is written.
    WriteFile(Archive(), "an older archive");
    Apply({ src, src }, temp, arc);
    EXPECT_FALSE(Export());
    const std::string exists = "box:Archive Exists|An archive of the same name already "
                               "exists!||Remove or rename the file "
        + Archive() + " and try again.";
    EXPECT_THAT(ui.Log(), ElementsAre("beep", exists, "beep", exists, kCopyError));
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(ReadFile(Archive()), "an older archive");
    fs::remove(Archive());

    Apply({ src, src }, root / "missing parent/temp/", arc);
    EXPECT_FALSE(Export());
    const auto box = AllOf(StartsWith("box:Error Copying Files|"), HasSubstr("missing parent"));
    EXPECT_THAT(ui.Log(), ElementsAre("beep", box, "beep", box, kCopyError));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);

    // What the previous run left must not send the archiver over a folder never made.
    Apply({ "", "" }, temp, arc);
    form.SetText(Field::ExportStatus, "OK");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre(kCopyError));
    EXPECT_FALSE(fs::exists(temp));

    WriteFile(root / "plain file", "a file where a folder should be");
    Apply({ src }, temp, root / "plain file/archive/");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", StartsWith("box:Error Copying Files|"), kCopyError));
    EXPECT_THAT(ui.Steps(), ::testing::Not(Contains(StartsWith("Archiving"))));
    EXPECT_TRUE(fs::exists(temp + paths::RelativePath(src) + "/sub/f.txt"))
        << "the temporary tree stays as it was built";
    EXPECT_EQ(LastExport(), "");
}

TEST_F(ExportTest, ArchiverGivenItsArgumentsMissingFailingOrCancelled)
{
    const std::string arjFolder = root / "arj $(x) folder/", record = root / "arguments";
    Put(src + "/f.txt", "f\n", after);
    // Without spanning, no volume size (the spanned export writes volumes).
    WriteScript(arjFolder + "arj", "printf '%s\\n' \"$0\" \"$@\" > '" + record + "'");
    Apply({ src }, temp, arc, "week 12", arjFolder);
    ASSERT_TRUE(Export()) << LogText();
    EXPECT_EQ(
        ReadFile(record), arjFolder + "arj\na\n-r\n-y\n" + arc + "week 12.arj\n" + temp + "*\n");
    EXPECT_THAT(ui.Steps(), Contains(StartsWith("Archiving: " + arjFolder + "arj a")));
    store.DeleteSetting(kSettingsApplication, kSettingsSection, "LastExport");

    Apply({ src }, temp, arc, "backup", root / "no archiver/");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            AllOf(StartsWith("box:Archive Error|"), HasSubstr(root / "no archiver/arj")),
            kArchiveError));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_TRUE(fs::exists(temp)) << "the temporary tree stays";

    fs::remove_all(temp);
    WriteScript(arjFolder + "arj", "echo 'stand-in: disk full' >&2\nexit 2");
    Apply({ src }, temp, arc, "backup", arjFolder);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            "box:Archive Failed|Failed to archive files.||Exit status 2.|stand-in: disk full",
            kArchiveError));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(fs::exists(temp));

    // Cancel stops the archiver and counts as a failure.
    fs::remove_all(temp);
    WriteScript(arjFolder + "arj", "exec sleep 60");
    ui.cancelWhen
        = [this] { return !ui.Steps().empty() && ui.Steps().back().rfind("Archiving", 0) == 0; };
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre(
            "beep", "box:Archive Failed|Failed to archive files.||Cancelled.", kArchiveError));
    EXPECT_EQ(LastExport(), "") << "no failure records its start";
}

TEST_F(ExportTest, UnreadableFileIsToldByTheCopy)
{
    // Root reads every file whatever its permission bits; a write-only attribute of the
    // kernel's sysfs cannot be opened for reading by anyone.
    const std::string sysfs = "/sys/bus/cpu";
    if (!fs::exists(sysfs + "/drivers_probe") || ::access((sysfs + "/uevent").c_str(), F_OK) != 0)
        GTEST_SKIP() << "no sysfs write-only attribute here";
    Put(src + "/f.txt", "f\n", after);
    form.SetDateText("01-01-2000");
    Apply({ src, sysfs }, temp, arc);

    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", AllOf(StartsWith("box:Error Add Files|"), HasSubstr("drivers_probe")),
            kCopyError));
    EXPECT_EQ(LastExport(), "");
}

} // namespace
} // namespace vesko::test
