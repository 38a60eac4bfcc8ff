#include "platform/filesystem.h"
#include "platform/path_rules.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace vesko;
using namespace vesko::test;

namespace
{

// Feeds a mount table for the scope.
class FedMountTable
{
public:
    explicit FedMountTable(const std::string& lines)
        : old_(paths::MountTablePath())
    {
        WriteFile(tmp_ / "mounts", lines);
        paths::SetMountTablePath(tmp_ / "mounts");
    }
    ~FedMountTable() { paths::SetMountTablePath(old_); }

private:
    TempDir tmp_;
    std::string old_;
};

} // namespace

TEST(PathRules, DriveOfAPath)
{
    using paths::DriveOf;
    EXPECT_EQ(DriveOf("/media/anna/STICK/photos/"), "/media/anna/STICK");
    EXPECT_EQ(DriveOf("/media/anna/STICK"), "/media/anna/STICK");
    EXPECT_EQ(DriveOf("/media/anna"), "/");
    EXPECT_EQ(DriveOf("/run/media/bo/Disk 2/a/b"), "/run/media/bo/Disk 2");
    EXPECT_EQ(DriveOf("/run/media/bo"), "/");
    EXPECT_EQ(DriveOf("/mnt/backup/2026/"), "/mnt/backup");
    EXPECT_EQ(DriveOf("/mnt/"), "/");
    EXPECT_EQ(DriveOf("/mntx/backup"), "/");
    EXPECT_EQ(DriveOf("/home/anna/"), "/");
    EXPECT_EQ(DriveOf("/"), "/");
    EXPECT_EQ(DriveOf("home/anna"), "");
    EXPECT_EQ(DriveOf("~/x"), "");
    EXPECT_EQ(DriveOf(""), "");

    EXPECT_EQ(paths::RelativePath("/home/anna/docs/"), "home/anna/docs/");
    EXPECT_EQ(paths::RelativePath("/"), "");
}

TEST(PathRules, RemovableDriveExistsOnlyWhileMountedThere)
{
    FedMountTable table("/dev/sda1 / ext4 rw,relatime 0 0\n"
                        "proc /proc proc rw 0 0\n"
                        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw,nosuid 0 0\n"
                        "/dev/sdc1 /mnt/backup ext4 rw 0 0\n"
                        "/dev/sdc2 /mnt/backup/inner ext4 rw 0 0\n"
                        "/dev/sdd1 /run/media/bo/Tab\\011and\\134slash ext4 rw 0 0\n");
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
}

TEST(PathRules, UnreadableMountTableMeansNoRemovableDrive)
{
    TempDir tmp;
    const std::string old = paths::MountTablePath();
    paths::SetMountTablePath(tmp / "missing");
    FileSystem fs;
    EXPECT_FALSE(fs.DriveExists("/mnt/backup"));
    EXPECT_TRUE(fs.DriveExists("/"));
    EXPECT_TRUE(paths::RemovableVolumes().empty());
    paths::SetMountTablePath(old);
}
