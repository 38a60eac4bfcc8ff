#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace vesko;

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

bool Mount(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
}

} // namespace

TEST(PathRules, DriveOfAPathIsTheMountFolderHoldingItAndExistsWhileMountedOrFilled)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting file systems in a private namespace needs root";
    // A mount namespace of this test's own, so that nothing is mounted for the rest of the
    // system: /media, /mnt and /run hidden under empty file systems, the table's drives there.
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    for (const char* folder :
        { "/media", "/mnt", "/run", "/media/usb0", "/media/usb0", "/media/ann/MY DISK",
            "/media/old/vol", "/media/old", "/run/media/ann/CARD", "/mnt/deep/vol", "/mnt/disk" })
        ASSERT_TRUE(Mount(folder)) << folder;
    for (const char* folder :
        { "/mnt/data/2026", "/mnt/bare", "/mnt/.hidden/x", "/mnt/dots/.d", "/mnt/disk/d" })
        std::filesystem::create_directories(folder);
    for (const auto& row : kDrives) {
        const char* stick = "/media/ann/STICK";
        ::umount(stick);
        std::filesystem::remove(stick);
        if (row.stick == 'm')
            ASSERT_TRUE(Mount(stick));
        else if (row.stick == 'e')
            std::filesystem::create_directory(stick);
        const std::string drive = paths::DriveOf(row.path);
        const std::vector<std::string> listed = paths::RemovableVolumes();
        EXPECT_EQ(drive + '\t' + "01"[FileSystem().DriveExists(drive)] + '\t'
                + "01"[std::count(listed.begin(), listed.end(), drive)],
            row.report)
            << row.name;
    }
    EXPECT_EQ(paths::RemovableVolumes(),
        (std::vector<std::string> { "/media/ann/MY DISK", "/media/old", "/media/usb0", "/mnt/data",
            "/mnt/deep", "/mnt/deep/vol", "/mnt/disk", "/mnt/dots", "/run/media/ann/CARD" }));
}
