#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vesko;

namespace {

enum class Stick { Mounted, Absent, Empty };

struct DriveCase {
    const char* name;
    Stick stick; // the state of /media/ann/STICK for this row
    const char* path;
    const char* drive;
    bool exists;
    bool listed; // in the folder dialog's drive list
};

const DriveCase kDriveCases[] = {
    { "stick mounted one level below /media", Stick::Absent, "/media/usb0/photos/", "/media/usb0",
        true, true },
    { "stick mounted at /media/<user>/<name>", Stick::Mounted, "/media/ann/STICK/photos/",
        "/media/ann/STICK", true, true },
    { "empty volume still mounted", Stick::Mounted, "/media/ann/STICK", "/media/ann/STICK", true,
        true },
    { "unplugged stick, folder gone", Stick::Absent, "/media/ann/STICK/photos/", "/media/ann/STICK",
        false, false },
    { "unplugged stick, empty folder left", Stick::Empty, "/media/ann/STICK/photos/",
        "/media/ann/STICK", false, false },
    { "mount folder named with a blank", Stick::Absent, "/media/ann/MY DISK/a",
        "/media/ann/MY DISK", true, true },
    { "plain folder on the root disk", Stick::Absent, "/mnt/data/2026/", "/mnt/data", true, true },
    { "plain folder that is empty", Stick::Absent, "/mnt/bare/x", "/mnt/bare", false, false },
    { "home folder", Stick::Absent, "/home/ann/", "/", true, false },
    { "relative path", Stick::Absent, "home/ann", "", false, false },
};

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

void MountTmpfs(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    Check(::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0, folder.c_str());
}

// In a mount namespace of its own, so that nothing is mounted for the rest of the system:
// hides /media and /mnt under empty file systems, lays out the drives of the table there and
// writes one line per row: the drive, whether it exists, whether the drive list has it.
void WriteDriveReport(int out)
{
    Check(::unshare(CLONE_NEWNS) == 0, "unshare");
    Check(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0, "make private");
    MountTmpfs("/media");
    MountTmpfs("/mnt");
    MountTmpfs("/media/usb0");
    MountTmpfs("/media/ann/MY DISK");
    std::filesystem::create_directories("/mnt/data/2026");
    std::filesystem::create_directories("/mnt/bare");
    std::ostringstream report;
    const FileSystem fs;
    for (const DriveCase& row : kDriveCases) {
        const std::string stick = "/media/ann/STICK";
        ::umount(stick.c_str());
        std::filesystem::remove(stick);
        if (row.stick == Stick::Mounted)
            MountTmpfs(stick);
        else if (row.stick == Stick::Empty)
            std::filesystem::create_directories(stick);
        const std::string drive = paths::DriveOf(row.path);
        const std::vector<std::string> listed = paths::RemovableVolumes();
        report << drive << '\t' << fs.DriveExists(drive) << '\t'
               << (std::find(listed.begin(), listed.end(), drive) != listed.end()) << '\n';
    }
    const std::string text = report.str();
    Check(::write(out, text.data(), text.size()) == static_cast<ssize_t>(text.size()), "report");
}

} // namespace

TEST(PathRules, DriveOfAPathIsTheMountFolderHoldingItAndExistsWhileMountedOrFilled)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting file systems in a private namespace needs root";
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        int status = 0;
        try {
            WriteDriveReport(pipeEnds[1]);
        } catch (const std::exception& e) {
            const std::string text = std::string("failed: ") + e.what();
            status = ::write(pipeEnds[1], text.data(), text.size()) < 0 ? 2 : 1;
        }
        ::_exit(status);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;

    std::istringstream lines(report);
    for (const DriveCase& row : kDriveCases) {
        SCOPED_TRACE(row.name);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line,
            std::string(row.drive) + '\t' + (row.exists ? "1" : "0") + '\t'
                + (row.listed ? "1" : "0"));
    }
    EXPECT_EQ(paths::RelativePath("/home/anna/docs/"), "home/anna/docs/");
    EXPECT_EQ(paths::RelativePath("/"), "");
}
