// The roads on which an export stops before or in the archiver, with their boxes in order.
#include "export_fixture.h"

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

    // No volume is mounted on /media/nobody/GONE, nor is there a folder of that name. A missing
    // source is told for each, and with nothing copied the run fails.
    Apply({ "/media/nobody/GONE/a", "/media/nobody/GONE/b" }, temp, arc);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Invalid Drive|Source drive doesn't exist!", "beep",
            "box:Invalid Drive|Source drive doesn't exist!", "beep",
            AllOf(StartsWith("box:Export Error|Copy Error!||Nothing could be backed up; 2 "),
                HasSubstr("/media/nobody/GONE/b: Source drive doesn't exist!"))));
    EXPECT_FALSE(fs::exists(temp));

    // The temporary and archive drives are the run's: told once, before anything is made.
    Apply({ src, src }, "/media/nobody/GONE/temp/", arc);
    EXPECT_FALSE(Export());
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", "box:Invalid Drive|Destination drive doesn't exist!"));

    Apply({ src, src }, temp, "/media/nobody/GONE/archive/");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", "box:Invalid Drive|Archive drive doesn't exist!"));
    EXPECT_FALSE(fs::exists(temp));

    Apply({ src, src }, root / "missing parent/temp/", arc);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre(
            "beep", AllOf(StartsWith("box:Error Copying Files|"), HasSubstr("missing parent"))));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);

    // What the previous run left must not stand for this one: no source, no success.
    Apply({ "", "" }, temp, arc);
    form.SetText(Field::ExportStatus, "OK");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre(kCopyError));
    EXPECT_FALSE(fs::exists(temp));

    WriteFile(root / "plain file", "a file where a folder should be");
    Apply({ src }, temp, root / "plain file/archive/");
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", StartsWith("box:Export Error|")));
    EXPECT_THAT(ui.Steps(), ::testing::Not(Contains(StartsWith("Archiving"))));
    EXPECT_TRUE(fs::exists(temp + paths::RelativePath(src) + "/sub/f.txt"))
        << "the temporary tree stays as it was built";
    EXPECT_EQ(LastExport(), "");
}

TEST_F(ExportTest, ArchiverGivenItsArgumentsMissingOrFailing)
{
    const std::string arjFolder = root / "arj $(x) folder/", record = root / "arguments";
    Put(src + "/f.txt", "f\n", after);
    // Without spanning, no volume size (the spanned export writes volumes).
    WriteScript(arjFolder + "arj",
        "printf '%s\\n' \"$0\" \"$@\" >> '" + record + "'\nexec /usr/bin/arj \"$@\"");
    Apply({ src }, temp, arc, "week 12", arjFolder);
    ASSERT_TRUE(Export()) << LogText();
    // Then its test of the archive, following the volumes.
    const std::string program = arjFolder + "arj\n", archive = arc + "week 12.arj\n";
    EXPECT_EQ(ReadFile(record),
        program + "a\n-r\n-y\n-x" + temp + ".vesko-backup-run\n" + archive + temp + "*\n" + program
            + "t\n-v\n-y\n-i\n" + archive);
    EXPECT_THAT(ui.Steps(), Contains(StartsWith("Archiving: " + arjFolder + "arj a")));
    EXPECT_THAT(ui.Steps(), Contains("Verifying archive"));
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

    // Each failed run's tree is removed by the next run.
    WriteScript(arjFolder + "arj", "echo 'stand-in: disk full' >&2\nexit 2");
    Apply({ src }, temp, arc, "backup", arjFolder);
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            "box:Archive Failed|Failed to archive files.||Exit status 2.|stand-in: disk full",
            kArchiveError));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(fs::exists(temp));
    EXPECT_EQ(LastExport(), "") << "no failure records its start";
}

} // namespace
} // namespace vesko::test
