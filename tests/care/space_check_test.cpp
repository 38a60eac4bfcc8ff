// The room checked before the copy, on a file system of known size: a copy that cannot fit is
// refused before anything is written (a file moved in with an old time counted, as the copy
// takes it), one that fits is copied, and an archive that may not fit
// is told, then ends the run as a full drive always does: failed, nothing left behind.
#include "care/space_check.h"
#include "core/requests.h"
#include "export/export_run.h"
#include "history/run_details.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/made_files.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;

struct Copy {
    std::string name;
    std::size_t bytes; // of the one changed file
    RunOutcome outcome;
    bool archiveOnSmall = false; // else the temporary folder is on the small drive
    std::vector<std::string> titles = {}; // the boxes, in order
    bool movedIn = false; // an old modification time, a status-change time of now
};

void PrintTo(const Copy& copy, std::ostream* os)
{
    *os << copy.name;
}

class SmallDrive : public ::testing::TestWithParam<Copy> {
public:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a file system of known size needs root";
        fs::create_directories(small);
        if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=2m") != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted here: " << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted) {
            EXPECT_EQ(::umount(small.c_str()), 0);
        }
    }

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    std::string small = root / "small", src = root / "src", arc = root / "archive/";
    bool mounted = false;
    RecordingUi ui;
};

TEST_P(SmallDrive, ComparesTheCopyWithTheRoom)
{
    const Copy& row = GetParam();
    WriteFile(src + "/file", RandomBytes(row.bytes, 3));
    if (row.movedIn)
        SetMTime(src + "/file", LocalTime(2020, 6, 14, 12, 0, 0));
    const std::string temp = row.archiveOnSmall ? root / "temp/" : small + "/temp/";
    if (row.archiveOnSmall)
        arc = small + "/archive/";
    const Settings settings { arc, "/usr/bin/", temp, "one", "", false, { src } };
    ApplySettings(store, settings);
    const ExportRequest request
        = MakeExportRequest(settings, row.movedIn ? "06-15-2020" : kEverythingDay);
    const std::uint64_t free = FreeBytes(small);

    EXPECT_EQ(RunExport(request, ui, store).outcome, row.outcome);

    const auto boxes = ui.Boxes();
    ASSERT_FALSE(boxes.empty());
    std::vector<std::string> titles;
    for (const auto& box : boxes)
        titles.push_back(box.title);
    EXPECT_EQ(titles, row.titles);
    if (row.archiveOnSmall) {
        // Told first, then the full drive ends the run as any failed archiver does.
        EXPECT_NE(boxes.front().text.find(history::SizeText(row.bytes)), std::string::npos);
        EXPECT_TRUE(ListFilesBelow(small).empty()) << "a part of the archive left behind";
    } else if (row.outcome == RunOutcome::Refused) {
        EXPECT_NE(boxes.front().text.find(history::SizeText(free)), std::string::npos)
            << boxes.front().text;
        EXPECT_NE(boxes.front().text.find(history::SizeText(row.bytes)), std::string::npos)
            << boxes.front().text;
        EXPECT_TRUE(ListFilesBelow(small).empty()) << "written before the refusal";
        EXPECT_FALSE(fs::exists(arc));
    } else {
        EXPECT_TRUE(fs::exists(arc + "one.arj"));
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, SmallDrive,
    ::testing::Values(
        Copy { "TooLarge", 3'000'000, RunOutcome::Refused, false, { "Not Enough Space" } },
        Copy { "MovedInWithAnOldTime", 3'000'000, RunOutcome::Refused, false,
            { "Not Enough Space" }, true },
        Copy { "Fits", 1'000'000, RunOutcome::Success, false,
            { "Vesko Backup", "Cleanup Temporary Directory", "Zeltan's Vesko Backup" } },
        Copy { "ArchiveMayNotFit", 3'000'000, RunOutcome::Failed, true,
            { "Archive May Not Fit", "Archive Failed", "Export Error" } }),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vesko::test
