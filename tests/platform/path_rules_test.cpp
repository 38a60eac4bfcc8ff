#include "platform/filesystem.h"
#include "platform/path_rules.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace vesko;
using namespace vesko::test;

TEST(PathRules, DriveOfAPath)
{
    const std::pair<const char*, const char*> cases[] = { { "/media/anna/STICK/photos/",
                                                              "/media/anna/STICK" },
        { "/media/anna/STICK", "/media/anna/STICK" }, { "/media/anna", "/" },
        { "/run/media/bo/Disk 2/a/b", "/run/media/bo/Disk 2" }, { "/run/media/bo", "/" },
        { "/mnt/backup/2026/", "/mnt/backup" }, { "/mnt/", "/" }, { "/mntx/backup", "/" },
        { "/home/anna/", "/" }, { "/", "/" }, { "home/anna", "" }, { "~/x", "" }, { "", "" } };
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(paths::DriveOf(path), drive) << path;
    EXPECT_EQ(paths::RelativePath("/home/anna/docs/"), "home/anna/docs/");
    EXPECT_EQ(paths::RelativePath("/"), "");
}

TEST(PathRules, RemovableDriveExistsOnlyWhileMountedThere)
{
    TempDir tmp;
    WriteFile(tmp / "mounts",
        "/dev/sda1 / ext4 rw,relatime 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw,nosuid 0 0\n"
        "/dev/sdc1 /mnt/backup ext4 rw 0 0\n"
        "/dev/sdc2 /mnt/backup/inner ext4 rw 0 0\n"
        "/dev/sdd1 /run/media/bo/Tab\\011and\\134slash ext4 rw 0 0\n");
    const std::string old = paths::MountTablePath();
    paths::SetMountTablePath(tmp / "mounts");
    FileSystem fs;
    EXPECT_TRUE(fs.DriveExists(paths::DriveOf("/media/anna/USB STICK/photos/")));
    EXPECT_TRUE(fs.DriveExists(paths::DriveOf("/mnt/backup/x")));
    EXPECT_TRUE(fs.DriveExists("/run/media/bo/Tab\tand\\slash"));
    EXPECT_FALSE(fs.DriveExists(paths::DriveOf("/media/anna/USB\\040STICK/")));
    EXPECT_FALSE(fs.DriveExists(paths::DriveOf("/media/anna/OTHER/")));
    EXPECT_FALSE(fs.DriveExists(paths::DriveOf("/mnt/backu/")));
    EXPECT_TRUE(fs.DriveExists(paths::DriveOf("/home/anna/")));
    EXPECT_FALSE(fs.DriveExists(paths::DriveOf("relative/")));
    EXPECT_EQ(paths::RemovableVolumes(),
        (std::vector<std::string> {
            "/media/anna/USB STICK", "/mnt/backup", "/run/media/bo/Tab\tand\\slash" }));

    // An unreadable table means no removable drive.
    paths::SetMountTablePath(tmp / "missing");
    EXPECT_FALSE(fs.DriveExists("/mnt/backup"));
    EXPECT_TRUE(fs.DriveExists("/"));
    EXPECT_TRUE(paths::RemovableVolumes().empty());
    paths::SetMountTablePath(old);
}
