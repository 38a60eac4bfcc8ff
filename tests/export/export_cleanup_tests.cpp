// The cleanup offered after a written archive.
#include "export_fixture.h"
#include "platform/path_rules.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gmock/gmock.h>
#include <sched.h>
#include <sys/mount.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StartsWith;

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
    const std::string file = Put(src + "/f.txt", "f\n", After());
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

// A private mount namespace for this process, so that the bind mount below is seen by
// nobody else and goes with the process whatever happens.
bool PrivateMounts()
{
    return ::unshare(CLONE_NEWNS) == 0
        && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

TEST_F(ExportTest, FileThatCannotBeDeletedAtCleanup)
{
    // Root deletes any file whatever its permission bits; a file with another file mounted
    // on it cannot be deleted by anyone (EBUSY).
    if (!PrivateMounts())
        GTEST_SKIP() << "no mount namespace: " << std::strerror(errno);
    const std::string file = Put(src + "/a/f1.txt", "1\n", After());
    Put(src + "/a/f2.txt", "2\n", After());
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
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 10u) << LogText();
    EXPECT_EQ(log[3], "box:Cleanup Temporary Directory|Proceed with cleanup?");
    EXPECT_EQ(log[4], "beep");
    EXPECT_THAT(log[5], StartsWith("box:Error Files Cleanup|"));
    EXPECT_EQ(log[6], "beep");
    EXPECT_THAT(log[7], StartsWith("box:Error Folders Cleanup|"));
    EXPECT_EQ(log[9], "box:Zeltan's Vesko Backup|Cleanup operation completed.");
    EXPECT_TRUE(fs::exists(copy));
    ::umount2(copy.c_str(), MNT_DETACH);

    fs::remove(Archive());
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ElementsAre("beep", TempExistsBox(temp)));
}

} // namespace
} // namespace vesko::test
