// The cleanup offered after a written archive.
#include "export_fixture.h"
#include "platform/path_rules.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;

std::string TempExistsBox(const std::string& folder)
{
    return "box:Temporary Folder Exists|The temporary destination folder already "
           "exists!||Files can't be copied to an existing folder.||Rename or delete the folder "
        + folder
        + " or change the temporary backup folder in the settings section to a folder which "
          "doesn't already exist.";
}

TEST_F(ExportTest, CleanupDeclinedKeepsTheTreeAndTheNextExportRefuses)
{
    const std::string file = Put(src + "/f.txt", "f\n", after);
    // Stored without its closing '/': the reload after the export and the next press both
    // normalise it.
    Apply({ { src }, root / "work/temp", arc });
    ui.Answer(Answer::No);

    EXPECT_TRUE(Export()) << LogText();
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Vesko Backup|Backup completed successfully.", "beep",
            "box:Cleanup Temporary Directory|Proceed with cleanup?", "beep",
            "box:Cleanup Cancelled|Cleanup operation cancelled.||Make sure that "
            "the temporary directory is deleted before running another backup "
            "otherwise an error will occur."));
    EXPECT_TRUE(fs::exists(temp + paths::RelativePath(file)));
    EXPECT_EQ(fs::status(temp).permissions() & fs::perms::all, fs::perms::owner_all)
        << "copies of the person's files are private";
    EXPECT_NE(LastExport(), "");

    fs::remove(Archive());
    const std::size_t busyChanges = ui.BusyChanges().size();
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", TempExistsBox(temp)));
    EXPECT_EQ(ui.BusyChanges().size(), busyChanges) << "refused before the busy pointer";
    EXPECT_FALSE(fs::exists(Archive()));
}

TEST_F(ExportTest, FileThatCannotBeDeletedAtCleanup)
{
    // Root deletes any file whatever its permission bits; a file with another file mounted
    // on it cannot be deleted by anyone (EBUSY). A private mount namespace keeps the bind
    // mount to this process.
    if (::unshare(CLONE_NEWNS) != 0
        || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace: " << std::strerror(errno);
    const std::string file = Put(src + "/a/f1.txt", "1\n", after);
    Put(src + "/a/f2.txt", "2\n", after);
    WriteFile(root / "decoy", "mounted over the copy");
    Apply({ { src }, temp, arc });
    const std::string copy = temp + paths::RelativePath(file);
    bool mounted = false;
    ui.whileBoxOpen = [&](const std::string& title) {
        if (title == "Cleanup Temporary Directory")
            mounted
                = ::mount((root / "decoy").c_str(), copy.c_str(), nullptr, MS_BIND, nullptr) == 0;
    };

    EXPECT_TRUE(Export()) << LogText();
    ASSERT_TRUE(mounted) << std::strerror(errno);
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", StartsWith("box:Vesko Backup|"), "beep",
            "box:Cleanup Temporary Directory|Proceed with cleanup?", "beep",
            StartsWith("box:Error Files Cleanup|"), "beep",
            StartsWith("box:Error Folders Cleanup|"), "beep",
            "box:Zeltan's Vesko Backup|Cleanup operation completed."));
    EXPECT_TRUE(fs::exists(copy));
    ::umount2(copy.c_str(), MNT_DETACH);

    fs::remove(Archive());
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", TempExistsBox(temp)));
}

} // namespace
} // namespace vesko::test
