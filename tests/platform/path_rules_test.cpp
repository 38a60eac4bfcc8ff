#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/path_rules.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

using namespace vesko;
using namespace vesko::test;

namespace {

// The stick /media/ann/STICK is mounted ('m'), absent ('-') or an empty folder ('e') for the
// row; the report gives the drive, whether it exists, whether the drive list has it.
const struct {
    const char* name;
    char stick;
    const char* path;
    const char* report;
} kDrives[] = {
    { "stick one level below /media", '-', "/media/usb0/photos/", "/media/usb0\t1\t1" },
    { "name only beginning like a mount", '-', "/media/usb01/a", "/media/usb01/a\t0\t0" },
    { "volume directly below /media, gone", '-', "/media/gone", "/media/gone\t0\t0" },
    { "stick at /media/<user>/<name>", 'm', "/media/ann/STICK/photos/", "/media/ann/STICK\t1\t1" },
    { "empty volume still mounted", 'm', "/media/ann/STICK", "/media/ann/STICK\t1\t1" },
    { "unplugged stick, folder gone", '-', "/media/ann/STICK/photos/", "/media/ann/STICK\t0\t0" },
    { "unplugged stick, empty folder left", 'e', "/media/ann/STICK/photos/",
        "/media/ann/STICK\t0\t0" },
    { "mount folder named with a blank", '-', "/media/ann/MY DISK/a", "/media/ann/MY DISK\t1\t1" },
    { "volume hidden by a later mount", '-', "/media/old/vol/x", "/media/old/vol\t1\t0" },
    { "card below /run/media", '-', "/run/media/ann/CARD/x", "/run/media/ann/CARD\t1\t1" },
    { "user folder of /run/media", '-', "/run/media/ann", "/run/media/ann\t1\t0" },
    { "elsewhere in /run", '-', "/run/user/0", "/\t1\t0" },
    { "plain folder on the root disk", '-', "/mnt/data/2026/", "/mnt/data\t1\t1" },
    { "plain folder that is empty", '-', "/mnt/bare/x", "/mnt/bare\t0\t0" },
    { "plain folder holding a dot file", '-', "/mnt/dots", "/mnt/dots\t1\t1" },
    { "volume mounted deeper than usual", '-', "/mnt/deep/vol/x", "/mnt/deep/vol\t1\t1" },
    { "home folder", '-', "/home/ann/", "/\t1\t0" },
    { "relative path", '-', "home/ann", "\t0\t0" },
};

void Mount(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0)
        throw std::system_error(errno, std::generic_category(), folder);
}

// In a mount namespace of its own, so that nothing is mounted for the rest of the system:
// hides /media, /mnt and /run under empty file systems, lays out the drives of the table
// there and writes a line per row (drive, exists, listed), then the whole drive list.
void WriteDriveReport(const std::string& report)
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
        throw std::system_error(errno, std::generic_category(), "unshare");
    for (const char* folder :
        { "/media", "/mnt", "/run", "/media/usb0", "/media/usb0", "/media/ann/MY DISK",
            "/media/old/vol", "/media/old", "/run/media/ann/CARD", "/mnt/deep/vol", "/mnt/disk" })
        Mount(folder);
    for (const char* folder : { "/mnt/data/2026", "/mnt/bare", "/mnt/.hidden/x" })
        std::filesystem::create_directories(folder);
    WriteFile("/mnt/dots/.profile", "");
    WriteFile("/mnt/disk/file", "");
    std::ofstream out(report);
    for (const auto& row : kDrives) {
        const std::string stick = "/media/ann/STICK";
        ::umount(stick.c_str());
        std::filesystem::remove(stick);
        if (row.stick == 'm')
            Mount(stick);
        else if (row.stick == 'e')
            std::filesystem::create_directories(stick);
        const std::string drive = paths::DriveOf(row.path);
        const std::vector<std::string> listed = paths::RemovableVolumes();
        out << drive << '\t' << FileSystem().DriveExists(drive) << '\t'
            << (std::find(listed.begin(), listed.end(), drive) != listed.end()) << '\n';
    }
    for (const std::string& volume : paths::RemovableVolumes())
        out << volume << ';';
}

} // namespace

TEST(PathRules, DriveOfAPathIsTheMountFolderHoldingItAndExistsWhileMountedOrFilled)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting file systems in a private namespace needs root";
    TempDir tmp;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            WriteDriveReport(tmp / "report");
            ::_exit(0);
        } catch (const std::exception& e) {
            WriteFile(tmp / "report", std::string("failed: ") + e.what());
            ::_exit(1);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::istringstream lines(ReadFile(tmp / "report"));
    ASSERT_EQ(status, 0) << lines.str();
    std::string line;
    for (const auto& row : kDrives) {
        std::getline(lines, line);
        EXPECT_EQ(line, row.report) << row.name;
    }
    std::getline(lines, line);
    EXPECT_EQ(line,
        "/media/ann/MY "
        "DISK;/media/old;/media/usb0;/mnt/data;/mnt/deep;/mnt/deep/vol;/mnt/disk;/mnt/dots;"
        "/run/media/ann/CARD;");
}

TEST(PathRules, PathEndingsAndTheHomeFolder)
{
    EXPECT_EQ(paths::RelativePath("//home/anna/docs/"), "home/anna/docs/");
    EXPECT_EQ(paths::RelativePath("/"), "");
    EXPECT_TRUE(paths::EndsWithSeparator("/a/"));
    EXPECT_FALSE(paths::EndsWithSeparator("/a") || paths::EndsWithSeparator(""));

    const std::string db = ::getpwuid(::getuid())->pw_dir; // for an unset or empty HOME
    const struct {
        const char* home; // nullptr: unset
        const char* typed;
        std::string expanded;
    } rows[] = { { "/home/ann", "~", "/home/ann" }, { "/home/ann//", "~/docs/", "/home/ann/docs/" },
        { "/", "~/x", "/x" }, { "/", "~", "/" }, { "/home/ann", "~ann/x", "~ann/x" },
        { "/home/ann", "a/~/b", "a/~/b" }, { "/home/ann", "", "" }, { "", "~/x", db + "/x" },
        { nullptr, "~", db } };
    for (const auto& row : rows) {
        ScopedEnv home("HOME", row.home ? row.home : "");
        if (!row.home)
            ::unsetenv("HOME");
        EXPECT_EQ(paths::ExpandHome(row.typed), row.expanded) << row.typed;
    }
}
