// The roads on which an export once said "done" without a restorable archive of every
// file: each ends in its own outcome now, with the real archiver.
#include "export_fixture.h"
#include "history/run_history.h"
#include "platform/dates.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::EndsWith;

const char* const kIncomplete = "Backup Incomplete";
const char* const kCleanup = "Cleanup Temporary Directory";
const char* const kCleanupDone = "Zeltan's Vesko Backup";

// The write-only attributes of the kernel's sysfs cannot be read by anyone, root included.
const std::string kSysfs = "/sys/bus/cpu";

// A chain of folders below parent whose full path reaches at least length bytes, made level
// by level through descriptors (no path can name it beyond 4095 bytes), with a file "f" at
// the bottom.
void DeepChain(const std::string& parent, std::size_t length, TimePoint modified)
{
    MakeDirs(parent);
    const std::string level(200, 'd');
    std::string path = parent;
    int dir = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY);
    while (path.size() < length) {
        EXPECT_EQ(::mkdirat(dir, level.c_str(), 0755), 0) << std::strerror(errno);
        const int next = ::openat(dir, level.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(dir);
        dir = next;
        path += "/" + level;
    }
    const int file = ::openat(dir, "f", O_WRONLY | O_CREAT, 0644);
    EXPECT_EQ(::write(file, "deep\n", 5), 5);
    const auto seconds
        = std::chrono::duration_cast<std::chrono::seconds>(modified.time_since_epoch());
    const timespec times[2] = { { seconds.count(), 0 }, { seconds.count(), 0 } };
    ::futimens(file, times);
    ::close(file);
    ::close(dir);
}

class ExportRoads;

struct Road {
    std::string name;
    // Lays the road out; answers the source files the archive must hold.
    std::function<Strings(ExportRoads&)> build;
    RunOutcome outcome;
    Strings titles; // the boxes, in order
    // Said by the boxes (their text or details): the left-out files with their reasons, why
    // the run failed or was refused.
    Strings told;
};

void PrintTo(const Road& road, std::ostream* os)
{
    *os << road.name;
}

class ExportRoads : public ExportTest, public ::testing::WithParamInterface<Road> {
public:
    using ExportTest::after;
    using ExportTest::arc;
    using ExportTest::Put;
    using ExportTest::root;
    using ExportTest::src;
    using ExportTest::temp;
    using ExportTest::ui;

    void Sources(const Strings& sources, const std::string& name = "backup",
        const std::string& arjFolder = "/usr/bin/", bool span = false)
    {
        Apply(sources, temp, arc, name, arjFolder, span);
    }
    std::string Sparse(const std::string& path, std::uintmax_t size)
    {
        Put(path, "", after);
        fs::resize_file(path, size);
        SetMTime(path, after);
        return path;
    }
    std::string other = root / "other";
    std::string skip;
    std::function<void()> tearDown;

protected:
    void TearDown() override
    {
        if (tearDown)
            tearDown();
    }
};

Strings Entries(const std::string& folder)
{
    Strings names;
    if (fs::exists(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(ExportRoads, EndsInItsOwnOutcome)
{
    const Road& road = GetParam();
    const Strings archived = road.build(*this);
    if (!skip.empty())
        GTEST_SKIP() << skip;
    const bool arcExisted = fs::exists(arc);
    const Strings arcBefore = Entries(arc);
    const mode_t mask = ::umask(022); // the usual: files readable by all unless made private

    ui.Clear();
    const RunOutcome outcome = cmdExport_Click(host);
    ::umask(mask);

    EXPECT_EQ(outcome, road.outcome);
    Strings titles, said;
    for (const auto& box : ui.Boxes()) {
        titles.push_back(box.title);
        said.push_back(box.text + "\r" + box.details);
    }
    EXPECT_EQ(titles, road.titles);
    for (const std::string& text : road.told)
        EXPECT_THAT(said, Contains(HasSubstr(text))) << LogText();
    EXPECT_FALSE(ui.Busy());
    EXPECT_FALSE(ui.ProgressOpen());

    if (outcome == RunOutcome::Success || outcome == RunOutcome::Incomplete) {
        ExpectArchiveHolds(Archive(), archived);
        EXPECT_EQ(fs::status(Archive()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
        if (!arcExisted) {
            EXPECT_EQ(fs::status(arc).permissions() & fs::perms::all, fs::perms::owner_all);
        }
        // Only a complete archive records its date: the next "since last" run covers the
        // same days again.
        EXPECT_EQ(LastExport().empty(), outcome == RunOutcome::Incomplete);
    } else {
        EXPECT_EQ(LastExport(), "");
        EXPECT_EQ(Entries(arc), arcBefore) << "the archive folder as it was";
    }
    if (outcome == RunOutcome::Incomplete) {
        EXPECT_EQ(ui.Boxes()[0].icon, Icon::Exclamation);
        // The left-out files outlive the box in the run history; its details end saying so.
        for (const auto& box : ui.Boxes()) {
            if (box.title == kIncomplete) {
                EXPECT_THAT(box.details, EndsWith(history::kSeeHistoryLine));
            }
        }
    }
    if (outcome == RunOutcome::Success) {
        // The copy phase began before the archiver: "since last" starts from its day.
        TimePoint copyStart, archiverStart;
        ASSERT_TRUE(ParseStoredDate(
            store.GetSetting(kSettingsApplication, kSettingsSection, kLastExportCopyStartKey),
            copyStart));
        ASSERT_TRUE(ParseStoredDate(LastExport(), archiverStart));
        EXPECT_LE(copyStart, archiverStart);
    }
    if (outcome == RunOutcome::Refused) {
        EXPECT_FALSE(fs::exists(temp)) << "nothing written";
    }
}

const auto kAfter = LocalTime(2020, 6, 15, 0, 0, 1);

const Road kRoads[] = {
    { "UnreadableFilesInTheFirstOfTwoSources",
        [](ExportRoads& t) -> Strings {
            if (!fs::exists(kSysfs + "/drivers_probe")
                || !fs::exists(kSysfs + "/drivers_autoprobe"))
                t.skip = "no sysfs write-only attribute here";
            t.Sources({ kSysfs, t.src });
            // The readable attribute beside them and the second source are archived.
            return { kSysfs + "/drivers_autoprobe", t.Put(t.src + "/a.txt", "a\n", kAfter) };
        },
        RunOutcome::Incomplete, { kIncomplete, kCleanup, kCleanupDone },
        { kSysfs + "/drivers_probe: cannot be read: " } },
    { "TreeChangingDuringTheWalkAndAMissingSource",
        [](ExportRoads& t) -> Strings {
            const Strings kept = { t.Put(t.src + "/a.txt", "a\n", kAfter),
                t.Put(t.src + "/c.txt", "c\n", kAfter), t.Put(t.other + "/x", "x\n", kAfter) };
            t.Put(t.src + "/b.txt", "b\n", kAfter);
            t.Put(t.src + "/sub/d.txt", "d\n", kAfter);
            // Once the walk has listed the source: a file gone before it was looked at (nothing
            // lost), and a folder that became a file (which this run cannot read as a folder).
            t.ui.afterEachFile = [&t] {
                if (!fs::exists(t.src + "/b.txt"))
                    return;
                fs::remove(t.src + "/b.txt");
                fs::rename(t.src + "/sub", t.root / "moved");
                t.Put(t.src + "/sub", "now a file\n", kAfter);
            };
            t.Sources({ t.src, t.root / "no such folder", t.other });
            return kept;
        },
        RunOutcome::Incomplete, { "Invalid Source Folder", kIncomplete, kCleanup, kCleanupDone },
        { "/src/sub: folder cannot be read, everything below it left out: Not a directory",
            "/no such folder: Source folder doesn't exist." } },
    { "FolderPathBeyondTheSystemLimit",
        [](ExportRoads& t) -> Strings {
            DeepChain(t.src + "/deep", 4200, kAfter);
            t.Sources({ t.src, t.other });
            return { t.Put(t.src + "/a.txt", "a\n", kAfter), t.Put(t.other + "/x", "x\n", kAfter) };
        },
        RunOutcome::Incomplete, { kIncomplete, kCleanup, kCleanupDone },
        { "ddd/f: path too long for the archiver (" } },
    { "PathTooLongForTheArchiver",
        [](ExportRoads& t) -> Strings {
            // Its source path is short enough; its copy's, below the temporary folder, is not.
            DeepChain(t.src + "/deep", 480, kAfter);
            t.Sources({ t.src });
            t.ui.Answer(Answer::No);
            return { t.Put(t.src + "/z.txt", "z\n", kAfter) };
        },
        RunOutcome::Incomplete, { kIncomplete, kCleanup, "Cleanup Cancelled" },
        { "/f: path too long for the archiver (" } },
    { "FilesOf4GiBOrMoreTheTenFirstShown",
        [](ExportRoads& t) -> Strings {
            for (int i = 0; i < 12; ++i)
                t.Sparse(t.src + "/huge" + std::to_string(i + 10), (std::uintmax_t { 5 } << 30));
            t.Sources({ t.src });
            return { t.Put(t.src + "/small.txt", "small\n", kAfter) };
        },
        RunOutcome::Incomplete, { kIncomplete, kCleanup, kCleanupDone },
        { "12 files could not be backed up", "huge19: 4 GiB or larger", "\u2026 and 2 more",
            "huge21: 4 GiB or larger" } },
    { "NothingCopiedButSomethingLeftOut",
        [](ExportRoads& t) -> Strings {
            t.Sparse(t.src + "/huge", std::uintmax_t { 5 } << 30);
            t.Sources({ t.src });
            return {};
        },
        RunOutcome::Failed, { "Export Error" }, { "/src/huge: 4 GiB or larger" } },
    { "FullDiskFailsTheWholeRun",
        [](ExportRoads& t) -> Strings {
            // A tiny file system in a mount namespace of this process's own.
            const std::string small = t.root / "small";
            MakeDirs(small);
            if (::unshare(CLONE_NEWNS) != 0
                || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0)
                t.skip = std::string("no mount namespace: ") + std::strerror(errno);
            t.tearDown = [small] { ::umount2(small.c_str(), MNT_DETACH); };
            t.temp = small + "/temp/";
            t.Put(t.src + "/big", RandomBytes(1 << 20, 3), kAfter);
            t.Put(t.other + "/x", "x\n", kAfter);
            t.Sources({ t.src, t.other });
            return {};
        },
        RunOutcome::Failed, { "Error Add Files", "Export Error" },
        { "No space left on device", "Copy Error!" } },
    { "ArchiveFolderIsTheTempFolder",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/a.txt", "a\n", kAfter);
            t.arc = t.temp;
            t.Sources({ t.src });
            return {};
        },
        RunOutcome::Refused, { "Invalid Archive Folder" }, { "or lies inside it" } },
    { "ArchiveFolderInsideTheTempFolderThroughALink",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/a.txt", "a\n", kAfter);
            fs::create_directory_symlink(t.root / "work", t.root / "link");
            t.arc = t.root / "link/temp/archives/";
            t.Sources({ t.src });
            return {};
        },
        RunOutcome::Refused, { "Invalid Archive Folder" }, { "/link/temp/archives/" } },
    { "LeftOverVolumesWithoutTheFirst",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/a.txt", "a\n", kAfter);
            WriteFile(t.arc + "backup.a01", "old volume 1");
            WriteFile(t.arc + "backup.a02", "old volume 2");
            t.Sources({ t.src }, "backup", "/usr/bin/", true);
            return {};
        },
        RunOutcome::Refused, { "Archive Exists" },
        { "backup.a01\r", "backup.a02\r", "Remove or rename these files" } },
    { "ArchiverExitingWithoutWritingTheArchive",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/a.txt", "a\n", kAfter);
            WriteFile(t.arc + "ARJTEMP.$01", "someone else's");
            WriteScript(t.root / "arj/arj", "echo partial > '" + t.arc + "ARJTEMP.$00'");
            t.Sources({ t.src }, "backup", t.root / "arj/");
            return {};
        },
        RunOutcome::Failed, { "Archive Failed", "Export Error" },
        { "The archiver ended without writing the archive" } },
    { "ArchiveLackingACopiedFile",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/a.txt", "a\n", kAfter);
            t.Put(t.src + "/b.txt", "b\n", kAfter);
            // An archive that passes its own test but lost a file after it was written.
            WriteScript(t.root / "arj/arj",
                "/usr/bin/arj \"$@\" || exit\n[ \"$1\" != a ] || /usr/bin/arj d -y '" + t.arc
                    + "backup.arj' b.txt");
            t.Sources({ t.src }, "backup", t.root / "arj/");
            return {};
        },
        RunOutcome::Failed, { "Archive Failed", "Export Error" },
        { "/src/b.txt: not in the archive" } },
    { "CancelledArchiverLeavesNoPartialVolume",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/big", RandomBytes(20 << 20, 5), kAfter);
            WriteFile(t.arc + "notes.txt", "the person's own");
            t.ui.cancelWhen = [&t] { return fs::exists(t.arc + "backup.a01"); };
            t.Sources({ t.src }, "backup", "/usr/bin/", true);
            return {};
        },
        RunOutcome::Cancelled, { "Archive Failed", "Export Error" }, { "Cancelled." } },
    { "CompleteArchiveIsPrivate",
        [](ExportRoads& t) -> Strings {
            t.Put(t.src + "/old", "old\n", LocalTime(2020, 6, 14, 23, 59, 59));
            const Strings files = { t.Put(t.src + "/a.txt", "a\n", kAfter),
                t.Put(t.src + "/sub/b", RandomBytes(3 << 20, 9), kAfter) };
            t.Sources({ t.src }, "backup", "/usr/bin/", true);
            return files;
        },
        RunOutcome::Success, { "Vesko Backup", kCleanup, kCleanupDone },
        { "Backup completed successfully." } },
};

INSTANTIATE_TEST_SUITE_P(Roads, ExportRoads, ::testing::ValuesIn(kRoads),
    [](const ::testing::TestParamInfo<Road>& info) { return info.param.name; });

} // namespace
} // namespace vesko::test
