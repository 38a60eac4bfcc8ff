// What the archive holds after an export with the real archiver, and the cleanup offered
// after it.
#include "export_fixture.h"
#include "platform/dates.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ExportTest, ArchiveHoldsExactlyTheFilesModifiedAfterTheCutOff)
{
    const std::string other = root / "other source", outside = root / "outside";
    // The temporary folder inside a source must not be copied into itself.
    temp = other + "/backup temp/";
    const std::vector<std::string> changed = {
        Put(src + "/README", "no dot in this name\n", after),
        Put(src + "/notes.txt", "notes\n", LocalTime(2023, 1, 2, 3, 4, 5)),
        Put(src + "/sub dir/with space.doc", "spaces\n", after),
        Put(src + "/sub dir/$(touch pwned); `touch pwned` 'q' \"d\" &|<>", "shell\n", after),
        Put(src + "/-leading dash", "dash\n", after),
        Put(src + "/bad\xff\xfe name", "not UTF-8\n", after),
        Put(src + "/deep/a/b/c/Makefile", "all:\n", LocalTime(2021, 7, 8, 9, 10, 11)),
        Put(other + "/second.txt", "second source\n", after),
    };
    Put(src + "/old.txt", "old\n", before);
    Put(src + "/at cut-off.txt", "exactly at the cut-off\n", cutOff);
    Put(src + "/only old/x", "old\n", before);
    Put(src + "/deep/a/old", "old\n", before);
    // Links and pipes are neither followed nor blocking.
    Put(outside + "/target.txt", "outside the source\n", after);
    Put(outside + "/folder/inner.txt", "outside the source\n", after);
    fs::create_symlink(outside + "/target.txt", src + "/file link");
    fs::create_directory_symlink(outside + "/folder", src + "/folder link");
    fs::create_symlink(root / "nowhere", src + "/dangling");
    ASSERT_EQ(::mkfifo((src + "/pipe").c_str(), 0600), 0);
    // A gap in the list.
    Apply({ src, "", other }, temp, arc);

    const auto start = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    ASSERT_TRUE(Export()) << LogText();
    const auto end = std::chrono::system_clock::now();

    EXPECT_THAT(ui.Log(),
        ElementsAre("beep", "box:Vesko Backup|Backup completed successfully.", "beep",
            "box:Cleanup Temporary Directory|Proceed with cleanup?", "beep",
            "box:Zeltan's Vesko Backup|Cleanup operation completed."));
    const auto boxes = ui.Boxes();
    EXPECT_EQ(boxes[0].icon, Icon::Information);
    EXPECT_EQ(boxes[1].icon, Icon::Question);
    EXPECT_EQ(boxes[1].buttons, Buttons::YesNo);
    EXPECT_EQ(boxes[2].icon, Icon::None);
    EXPECT_EQ(ui.ProgressBegins(), 1);

    ExpectArchiveHolds(Archive(), changed);
    EXPECT_FALSE(fs::exists(temp)) << "the cleanup removes the temporary folder";
    EXPECT_FALSE(fs::exists("pwned"));

    // The moment the archiver was started.
    TimePoint recorded;
    ASSERT_TRUE(ParseStoredDate(LastExport(), recorded)) << LastExport();
    EXPECT_GE(recorded, start);
    EXPECT_LE(recorded, end);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
}

TEST_F(ExportTest, SpannedExportWithShellCharactersAndADotInTheNames)
{
    temp = root / "work/t $(touch pwned); `touch pwned` 'q' \"d\" -r/";
    arc = root / "arc ;rm -rf x & -y/";
    const std::string name = arc + "my back$up *.12";
    // Incompressible, so that 3.5 MB take three volumes of 1440 KB.
    const std::vector<std::string> changed = {
        Put(src + "/big.bin", RandomBytes(2'500'000, 7), after),
        Put(src + "/more/big2", RandomBytes(1'000'000, 8), after),
    };
    Apply({ src }, temp, arc, "my back$up *.12", "/usr/bin/", true);

    ASSERT_TRUE(Export()) << LogText();
    for (const char* volume : { ".arj", ".a01", ".a02" })
        EXPECT_TRUE(fs::exists(name + volume)) << volume;
    // Volumes of 1440 KB, the first one full.
    EXPECT_LE(fs::file_size(name + ".arj"), 1440u * 1024u);
    EXPECT_GE(fs::file_size(name + ".arj"), 1400u * 1024u);
    ExpectArchiveHolds(name + ".arj", changed);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(root / "work/pwned"));

    // The archive is named with its .arj as the existence check names it, so a name with a
    // dot is never silently updated.
    EXPECT_FALSE(Export());
    EXPECT_THAT(ui.Log(), ::testing::Contains(StartsWith("box:Archive Exists|")));
}

TEST_F(ExportTest, CleanupDeclinedKeepsTheTreeAndTheNextExportRefuses)
{
    const std::string file = Put(src + "/f.txt", "f\n", after);
    // Typed and stored without its closing '/': each refresh of the field adds it.
    Apply({ src }, root / "work/temp", arc);
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
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            "box:Temporary Folder Exists|The temporary destination folder already "
            "exists!||Files can't be copied to an existing folder.||Rename or delete the "
            "folder "
                + temp
                + " or change the temporary backup folder in the settings section to a "
                  "folder which doesn't already exist."));
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
    Apply({ src }, temp, arc);
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
    EXPECT_TRUE(fs::exists(copy)) << "the tree stays for the person to remove";
    ::umount2(copy.c_str(), MNT_DETACH);
}

} // namespace
} // namespace vesko::test
