// Every road of an export, end to end: a real tree, the real store and the real archiver, the
// person faked. Each road ends in its own outcome with its own boxes, and only a complete
// archive of every changed file counts as done.
#include "export/export_run.h"
#include "export/temp_marker.h"
#include "foldertree/remove_tree.h"
#include "format/working_names.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "settings/stored_settings.h"
#include "storage/database.h"
#include "storage/run_records.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/made_files.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <optional>
#include <regex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

const char* const kDone = "Vesko Backup";
const char* const kIncomplete = "Backup Incomplete";
const char* const kCleanup = "Cleanup Temporary Directory";
const char* const kCleanupDone = "Zeltan's Vesko Backup";
const char* const kDrive = "Invalid Drive";
const char* const kTempExists = "Temporary Folder Exists";
// The closing box of a failed copy or archive step comes without a beep of its own.
const char* const kQuietError = "(no beep) Export Error";
// The boxes of an export that archived everything and removed its tree.
const Strings kFinished = { kDone, kCleanup, kCleanupDone };
const auto kBefore = LocalTime(2020, 6, 14, 23, 59, 59);
const auto kAfter = LocalTime(2020, 6, 15, 0, 0, 1);
// The write-only attributes of the kernel's sysfs cannot be read by anyone, root included.
const std::string kSysfs = "/sys/bus/cpu";

// Levels of 200-byte folder names below parent, made one by one (no path names the bottom
// beyond 4095 bytes), with a file "f" at the bottom.
void DeepChain(const std::string& parent, int levels)
{
    const std::string level(200, 'd');
    MakeDirs(parent);
    EXPECT_EQ(
        Shell("bash -c 'cd " + parent + " && for i in $(seq " + std::to_string(levels)
            + "); do mkdir " + level + " && cd -P " + level + " || exit; done; echo deep > f'"),
        0);
}

class ExportRoads;
using R = ExportRoads&;

struct Road {
    std::string name;
    std::function<Strings(R)> build; // lays the road out; answers what the archive must hold
    RunOutcome outcome;
    Strings titles; // the boxes, in order
    // Said by the boxes (a text, CR, its details): left-out files and their reasons, why the
    // run failed or was refused.
    Strings told = {};
    std::function<void(R)> check = {}; // what else the road leaves
    bool archiveKept = false; // a verified archive stays although the run failed
};

void PrintTo(const Road& road, std::ostream* os)
{
    *os << road.name;
}

class ExportRoads : public ::testing::TestWithParam<Road> {
public:
    ExportRoads() { MakeDirs(root / "work"); }

    // Stores the settings, as Apply does; the export is asked for with them as edited, gaps
    // in the list included.
    void Sources(const Strings& sources)
    {
        settings = { arc, arj, temp, name, "", span, sources };
        ApplySettings(store, settings);
    }
    RunOutcome Export()
    {
        ExportRequest request = MakeExportRequest(settings, day);
        if (cutOff)
            request.cutOff = *cutOff;
        return RunExport(request, ui, store).outcome;
    }
    // The files put so far count as unchanged: the cut-off becomes this instant rather than
    // the day's start, since every file put here is new to the file system today. The file
    // system stamps times from a coarser clock, which may lag behind this one.
    void CutOffNow()
    {
        cutOff = std::chrono::system_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    // One changed file in one source, with one setting changed first.
    Strings OneWith(std::string& setting, const std::string& value)
    {
        setting = value;
        return One();
    }
    Strings One()
    {
        Sources({ src });
        return { Put(src + "/a.txt", "a\n") };
    }
    std::string Put(const std::string& path, const std::string& bytes, TimePoint modified = kAfter)
    {
        WriteFile(path, bytes);
        SetMTime(path, modified);
        return path;
    }
    std::string Mirror(const std::string& file) const { return temp + paths::RelativePath(file); }
    // A file below source whose copy in the temporary folder takes exactly length bytes.
    std::string CopyOfLength(const std::string& source, std::size_t length) const
    {
        std::string path = source;
        while (length - Mirror(path).size() > 256)
            path += "/" + std::string(200, 'l');
        return path + "/" + std::string(length - Mirror(path).size() - 1, 'm');
    }
    std::string Archive() const { return arc + name + ".arj"; }
    // The archive holds exactly these source files, byte for byte and with their
    // modification times (whole seconds, as the archive keeps them), by their copies' full
    // paths without the leading '/'.
    void ExpectArchiveHolds(const Strings& files)
    {
        const std::string into = root / "extracted";
        MakeDirs(into);
        // In the folder itself: given one, the archiver aborts on the longest names.
        ASSERT_EQ(
            RunChild({ "/usr/bin/env", "-C", into, "/usr/bin/arj", "x", "-v", "-y", Archive() })
                .status,
            0);
        Strings expected;
        for (const std::string& file : files)
            expected.push_back(paths::RelativePath(Mirror(file)));
        // Beside the copies, each archive describes its run, for a restore from it alone.
        expected.push_back(paths::RelativePath(temp) + kRunManifestName);
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(ListFilesBelow(into), expected);
        for (const std::string& file : files) {
            const std::string copy = into + Mirror(file);
            EXPECT_TRUE(ReadFile(copy) == ReadFile(file)) << file; // no megabytes in the message
            EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(MTime(copy)),
                std::chrono::floor<std::chrono::seconds>(MTime(file)));
        }
    }
    Strings ArchiveFolder() { return fs::exists(arc) ? ListFilesBelow(arc) : Strings {}; }
    // An export whose archiver fails: its tree stays, marked and recorded, as a killed run's
    // would.
    void LeaveTree()
    {
        WriteScript(root / "failing/arj", "exit 2");
        One();
        settings.archiverFolder = root / "failing/";
        EXPECT_EQ(Export(), RunOutcome::Failed);
        settings.archiverFolder = arj;
        EXPECT_TRUE(fs::exists(temp + ".vesko-backup-run"));
    }
    // Whether an archiver writing into the archive folder is still running.
    bool ArchiverRunning()
    {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string pid = entry.path().filename();
            if (pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::ifstream cmdline(entry.path() / "cmdline");
            const std::string text { std::istreambuf_iterator<char>(cmdline), {} };
            if (text.find(arc) != std::string::npos)
                return true;
        }
        return false;
    }

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    vesko::Settings settings;
    std::string day = "06-15-2020";
    std::optional<TimePoint> cutOff;
    RecordingUi ui;
    std::string src = root / "src", other = root / "other", temp = root / "work/temp/";
    std::string arc = root / "archive/", arj = "/usr/bin/", name = "backup";
    bool span = false;
    std::string skip;
    std::unique_ptr<export_steps::TempMarker> held; // as a run still going holds it
    std::optional<ScopedEnv> home;
    // A second settings store exporting at the same time.
    SettingsStore otherStore { root / "other-config/settings.sqlite" };
    RecordingUi otherUi;
    RunReport otherReport { RunKind::Export };
    std::jthread otherRun;
};

TEST_P(ExportRoads, EndsInItsOwnOutcome)
{
    const Road& road = GetParam();
    const Strings archived = road.build(*this);
    if (!skip.empty())
        GTEST_SKIP() << skip;
    const bool arcExisted = fs::exists(arc), tempExisted = fs::exists(temp);
    const Strings arcBefore = ArchiveFolder();
    const std::size_t busyChanges = ui.BusyChanges().size();
    const int progressBegins = ui.ProgressBegins();
    const mode_t mask = ::umask(022); // the usual: files readable by all unless made private
    ui.Clear();
    const auto started = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());

    const RunOutcome outcome = Export();
    ::umask(mask);

    EXPECT_EQ(outcome, road.outcome);
    Strings titles, said;
    bool beeped = false;
    for (const auto& event : ui.Events()) {
        if (event.kind == RecordingUi::Event::Kind::Box) {
            titles.push_back((beeped ? "" : "(no beep) ") + event.title);
            said.push_back(event.text + "\r" + event.details);
        }
        beeped = event.kind == RecordingUi::Event::Kind::Beep;
    }
    EXPECT_EQ(titles, road.titles);
    for (const std::string& text : road.told)
        EXPECT_THAT(said, Contains(HasSubstr(text))) << ::testing::PrintToString(ui.Log());
    EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
    if (!ui.Boxes().empty()) {
        EXPECT_FALSE(ui.Boxes().back().underWay) << "the last box over a run still going";
    }
    EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";

    const bool done = outcome == RunOutcome::Success || outcome == RunOutcome::Incomplete;
    if (done && !archived.empty()) {
        ExpectArchiveHolds(archived);
        EXPECT_EQ(fs::status(Archive()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_TRUE(
            arcExisted || (fs::status(arc).permissions() & fs::perms::all) == fs::perms::owner_all);
        EXPECT_EQ(ui.ProgressBegins(), progressBegins + 1);
        EXPECT_GT(ui.BusyChanges().size(), busyChanges) << "no busy pointer";
    } else if (!road.archiveKept) {
        EXPECT_EQ(ArchiveFolder(), arcBefore) << "the archive folder as it was";
    }
    // Only a complete archive records its date, and the start of the copy before it: the
    // next "since last" run covers the same days again.
    TimePoint copyStart, archiverStart;
    const bool recorded = ParseStoredDate(StoredSetting(store, "LastExport"), archiverStart);
    EXPECT_EQ(recorded, outcome == RunOutcome::Success && !archived.empty());
    if (recorded) {
        ASSERT_TRUE(ParseStoredDate(StoredSetting(store, kLastExportCopyStartKey), copyStart));
        EXPECT_LE(started, copyStart);
        EXPECT_LE(copyStart, archiverStart);
        EXPECT_LE(archiverStart, std::chrono::system_clock::now());
    }
    // The left-out files outlive the box in the run history; its details end saying so.
    if (outcome == RunOutcome::Incomplete) {
        EXPECT_THAT(said, Contains(::testing::EndsWith(history::kSeeHistoryLine)));
    }
    if (outcome == RunOutcome::Refused) {
        EXPECT_EQ(fs::exists(temp), tempExisted) << "nothing written";
        EXPECT_EQ(ui.BusyChanges().size(), busyChanges) << "refused before the busy pointer";
    }
    if (road.check)
        road.check(*this);
}

using enum RunOutcome;

const Road kRoads[] = {
    { "ChangedFilesOnlyWithOddNamesLinksAndPipes",
        [](R t) {
            const std::string outside = t.root / "outside";
            // The temporary folder inside a source, or given as a source, is not copied.
            t.temp = t.other + "/backup temp/";
            t.arc = t.other + "/backup temp2/"; // beside it, not in it
            t.Put(t.src + "/old.txt", "old\n", kBefore);
            t.Put(t.src + "/at cut-off.txt", "exactly at the cut-off\n", LocalTime(2020, 6, 15));
            t.Put(t.src + "/deep/a/old", "old\n", kBefore);
            t.CutOffNow();
            const Strings changed = { t.Put(t.src + "/README", "no dot in this name\n"),
                t.Put(t.src + "/notes.txt", "notes\n", LocalTime(2023, 1, 2, 3, 4, 5)),
                t.Put(t.src + "/sub dir/with space.doc", "spaces\n"),
                t.Put(t.src + "/sub dir/$(touch pwned); `touch pwned` 'q' \"d\" &|<>", "sh\n"),
                t.Put(t.src + "/bad\xff\xfe name", "not UTF-8\n"),
                t.Put(t.src + "/.config/.rc", "hidden files too\n"),
                t.Put(t.src + "/deep/a/b/c/Makefile", "all:\n", LocalTime(2021, 7, 8, 9, 10, 11)),
                t.Put(t.other + "/second.txt", "second source\n") };
            // Links and pipes are neither followed nor blocking.
            t.Put(outside + "/target.txt", "outside the source\n");
            t.Put(outside + "/folder/inner.txt", "outside the source\n");
            fs::create_symlink(outside + "/target.txt", t.src + "/file link");
            fs::create_directory_symlink(outside + "/folder", t.src + "/folder link");
            fs::create_symlink(t.root / "nowhere", t.src + "/dangling");
            EXPECT_EQ(::mkfifo((t.src + "/pipe").c_str(), 0600), 0);
            t.Sources({ t.src, "", t.other, t.temp });
            return changed;
        },
        Success, kFinished,
        { "Backup completed successfully.", "Proceed with cleanup?",
            "Cleanup operation completed." },
        [](R t) {
            EXPECT_FALSE(fs::exists(t.temp));
            EXPECT_FALSE(fs::exists("pwned"));
            EXPECT_EQ(t.ui.Boxes()[1].buttons, Buttons::YesNo);
        } },
    { "SpannedWithShellCharactersAndADotInTheName",
        [](R t) {
            t.temp = t.root / "work/t $(touch pwned); `touch pwned` 'q' \"d\" -r/";
            t.arc = t.root / "arc ;rm -rf x & -y/";
            t.Put(t.src + "/old", "old\n", kBefore);
            t.CutOffNow();
            // Incompressible, so that 3.5 MB take three volumes of 1440 KB.
            const Strings changed = { t.Put(t.src + "/big.bin", RandomBytes(2'500'000, 7)),
                t.Put(t.src + "/more/big2", RandomBytes(1'000'000, 8)) };
            t.name = "backup.12";
            t.span = true;
            t.Sources({ t.src });
            return changed;
        },
        Success, kFinished, {},
        [](R t) {
            for (const char* volume : { ".a01", ".a02" })
                EXPECT_TRUE(fs::exists(t.arc + "backup.12" + volume)) << volume;
            EXPECT_GE(fs::file_size(t.Archive()), 1400u * 1024u) << "the first volume full";
            EXPECT_LE(fs::file_size(t.Archive()), 1440u * 1024u);
            EXPECT_FALSE(fs::exists("pwned") || fs::exists(t.root / "work/pwned"));
            // Named with its .arj as the existence check names it: never silently updated.
            EXPECT_EQ(t.Export(), Refused);
        } },
    { "ArchiverGivenItsArgumentsOneByOne",
        [](R t) {
            WriteScript(t.root / "arj $(x)/arj",
                "printf '%s\\n' \"$0\" \"$@\" >> '" + (t.root / "args")
                    + "'\nexec /usr/bin/arj \"$@\"");
            const Strings files = t.OneWith(t.arj, t.root / "arj $(x)/");
            // The folders as typed, without their closing '/'.
            for (std::string* f :
                { &t.settings.archiveFolder, &t.settings.archiverFolder, &t.settings.tempFolder })
                f->pop_back();
            return files;
        },
        Success, kFinished, {},
        [](R t) {
            // Without spanning no volume size; then the test of the archive, across volumes,
            // under the run's own working name, before it takes the archive's.
            const std::string arj = t.root / "arj $(x)/arj\n";
            const std::string archive = t.arc + "backup.vesko-partial-N.arj\n";
            EXPECT_EQ(std::regex_replace(ReadFile(t.root / "args"),
                          std::regex("partial-[0-9a-f]{8}\\.arj"), "partial-N.arj"),
                arj + "a\n-r\n-y\n-x" + t.temp + ".vesko-backup-run\n" + archive + t.temp + "*\n"
                    + arj + "t\n-v\n-y\n-i\n" + archive);
            EXPECT_THAT(t.ui.Steps(), Contains("Verifying archive"));
        } },
    { "FileOfTheMarkersNameWithOtherTextIsRefused",
        [](R t) {
            WriteFile(t.temp + ".vesko-backup-run", "Vesko-backup export run");
            return t.One();
        },
        Refused, { kTempExists },
        { "The temporary destination folder already exists!\r\rFiles can't be copied to an "
          "existing folder.\r\rRename or delete the folder " },
        [](R t) { EXPECT_THAT(t.ui.Boxes()[0].text, HasSubstr(t.temp + " or change the")); } },
    { "NothingChangedAfterTheCutOff",
        [](R t) {
            t.Put(t.src + "/sub/f.txt", "f\n");
            t.Sources({ t.src });
            t.day = "06-16-2020";
            t.CutOffNow();
            return Strings {};
        },
        Success, { "Nothing to Archive" },
        { "No file was modified on or after 06-16-2020.\r\rNo archive was written." },
        [](R t) { EXPECT_FALSE(fs::exists(t.temp)); } },
    { "NoSourceInTheList",
        [](R t) {
            t.Sources({ "" });
            return Strings {};
        },
        Failed, { kQuietError }, { "Copy Error!" }, [](R t) { EXPECT_FALSE(fs::exists(t.temp)); } },
    { "SourcesOnAMissingDrive",
        [](R t) {
            // No volume is mounted on /media/nobody/GONE, nor is there a folder of that name.
            t.Sources({ "/media/nobody/GONE/a", "/media/nobody/GONE/b" });
            return Strings {};
        },
        Failed, { kDrive, kDrive, "Export Error" },
        { "Source drive doesn't exist!", "Copy Error!\r\rNothing could be backed up; 2 folders",
            "/media/nobody/GONE/b: Source drive doesn't exist!" },
        [](R t) { EXPECT_FALSE(fs::exists(t.temp)); } },
    { "ArchiveFolderOnAMissingDrive",
        [](R t) { return t.OneWith(t.arc, "/media/nobody/GONE/archive/"); }, Refused, { kDrive },
        { "Archive drive doesn't exist!" } },
    { "ArchiverFailing",
        [](R t) {
            WriteScript(t.root / "arj/arj", "echo 'stand-in: disk full' >&2\nexit 2");
            return t.OneWith(t.arj, t.root / "arj/");
        },
        Failed, { "Archive Failed", kQuietError },
        { "Failed to archive files.\r\rExit status 2.\rstand-in: disk full" },
        [](R t) { EXPECT_TRUE(fs::exists(t.temp)); } },
    { "ArchiverExitingWithoutWritingTheArchive",
        [](R t) {
            WriteFile(t.arc + "ARJTEMP.$01", "someone else's");
            WriteScript(t.root / "arj/arj", "echo partial > '" + t.arc + "ARJTEMP.$00'");
            return t.OneWith(t.arj, t.root / "arj/");
        },
        Failed, { "Archive Failed", kQuietError },
        { "The archiver ended without writing the archive" } },
    { "ArchiveLackingACopiedFile",
        [](R t) {
            for (const char* name : { "b1", "b2", "b3", "b4", "b5" })
                t.Put(t.src + "/" + name, "b\n");
            // An archive that passes its own test but lost files after it was written: as many
            // as the box names.
            WriteScript(t.root / "arj/arj",
                "/usr/bin/arj \"$@\" || exit\n[ \"$1\" != a ] || /usr/bin/arj d -y \"$5\" 'b*'");
            return t.OneWith(t.arj, t.root / "arj/");
        },
        Failed, { "Archive Failed", kQuietError },
        { "The archive does not hold 5 files of those copied:\r", "/src/b5: not in the archive" },
        [](R t) {
            EXPECT_THAT(t.ui.Boxes()[0].text, Not(HasSubstr("more")));
            const auto run = history::ReadRun(t.store, history::ListRuns(t.store).front().id);
            EXPECT_EQ(run->report.volumes.size() + run->archivedCount, 0u)
                << "the removed archive's volumes and files";
        } },
    { "CancelledArchiverLeavesNoPartialVolume",
        [](R t) {
            t.Put(t.src + "/big", RandomBytes(20 << 20, 5));
            WriteFile(t.arc + "notes.txt", "the person's own");
            t.ui.cancelWhen = [&t] {
                return std::ranges::any_of(
                    t.ArchiveFolder(), [](const std::string& f) { return f.ends_with(".a01"); });
            };
            t.span = true;
            t.Sources({ t.src });
            return Strings {};
        },
        Cancelled, { "Archive Failed", kQuietError }, { "Cancelled." } },
    { "CancelledDuringTheCopy",
        [](R t) {
            for (int i = 0; i < 400; ++i)
                t.Put(t.src + "/d" + std::to_string(i % 20) + "/f" + std::to_string(i), "f\n");
            t.ui.cancelWhen = [&t] { return t.ui.CopiedCount() >= 100; };
            t.Sources({ t.src });
            return Strings {};
        },
        Cancelled, { "Export Cancelled" },
        { "Export cancelled. The files copied so far were removed; no archive was written." },
        [](R t) {
            EXPECT_FALSE(fs::exists(t.temp)) << "what this run copied is gone";
            EXPECT_LT(t.ui.CopiedCount(), 150u) << "the walk stopped at once";
            EXPECT_THAT(t.ui.Steps(), Not(Contains(::testing::StartsWith("Archiving:"))))
                << "no archiver started";
            EXPECT_EQ(history::ListRuns(t.store).front().report.outcome, Cancelled);
        } },
    { "LeftOverVolumesWithoutTheFirst",
        [](R t) {
            WriteFile(t.arc + "backup.a01", "old volume 1");
            WriteFile(t.arc + "backup.a02", "old volume 2");
            return t.One();
        },
        Refused, { "Archive Exists" },
        { "backup.a01\r", "backup.a02\r", "Remove or rename these files" } },
    { "UnreadableFilesInTheFirstOfTwoSources",
        [](R t) {
            if (!fs::exists(kSysfs + "/drivers_probe")
                || !fs::exists(kSysfs + "/drivers_autoprobe"))
                t.skip = "no sysfs write-only attribute here";
            t.Sources({ kSysfs, t.src });
            // The readable attribute beside them and the second source are archived.
            return Strings { kSysfs + "/drivers_autoprobe", t.Put(t.src + "/a.txt", "a\n") };
        },
        Incomplete, { kIncomplete, kCleanup, kCleanupDone },
        { kSysfs + "/drivers_probe: cannot be read: " } },
    { "TreeChangingDuringTheWalkAndAMissingSource",
        [](R t) {
            const Strings kept = { t.Put(t.src + "/a.txt", "a\n"), t.Put(t.src + "/c.txt", "c\n"),
                t.Put(t.other + "/x", "x\n") };
            t.Put(t.src + "/b.txt", "b\n");
            t.Put(t.src + "/sub/d.txt", "d\n");
            // Once the walk has listed the source: a file gone before it was looked at (nothing
            // lost), and a folder that became a file (which this run cannot read as a folder).
            t.ui.cancelWhen = [&t] {
                if (fs::exists(t.src + "/b.txt")) {
                    fs::remove(t.src + "/b.txt");
                    fs::rename(t.src + "/sub", t.root / "moved");
                    t.Put(t.src + "/sub", "now a file\n");
                }
                return false;
            };
            t.Sources({ t.src, t.root / "no such folder", t.other });
            return kept;
        },
        Incomplete, { "Invalid Source Folder", kIncomplete, kCleanup, kCleanupDone },
        { "but 2 folders could not be backed up",
            "/src/sub: folder cannot be read, everything below it left out: Not a directory",
            "/no such folder: Source folder doesn't exist." } },
    { "PathsTooLongForTheArchiver",
        [](R t) {
            // Beyond what a path can name; and short enough at the source, not as a copy.
            DeepChain(t.src + "/deep", 21);
            DeepChain(t.other + "/deep", 3);
            t.ui.Answer(Answer::No);
            t.Sources({ t.src, t.other });
            t.Put(t.CopyOfLength(t.src, 512), "a byte too long\n");
            return Strings { t.Put(t.src + "/a.txt", "a\n"), t.Put(t.other + "/x", "x\n"),
                t.Put(t.CopyOfLength(t.src, 511), "the longest\n") };
        },
        Incomplete, { kIncomplete, kCleanup, "Cleanup Cancelled" },
        { "3 files could not be backed up", "ddd/f: path too long for the archiver (",
            "mmm: path too long for the archiver (512 bytes in the temporary folder, at most 511)",
            "Cleanup operation cancelled.\r\rMake sure that the temporary directory is deleted "
            "before running another backup otherwise an error will occur." },
        [](R t) {
            EXPECT_EQ(fs::status(t.temp).permissions() & fs::perms::all, fs::perms::owner_all)
                << "the kept copies of the person's files are private";
        } },
    { "FilesOf4GiBOrMoreTheTenFirstShown",
        [](R t) {
            for (int i = 0; i < 12; ++i)
                fs::resize_file(t.Put(t.src + "/huge" + std::to_string(i + 10), ""), 5ull << 30);
            return t.One();
        },
        Incomplete, { kIncomplete, kCleanup, kCleanupDone },
        { "12 files could not be backed up", "huge19: 4 GiB or larger", "\u2026 and 2 more",
            "huge21: 4 GiB or larger", "can hold\r/" },
        [](R t) { EXPECT_THAT(t.ui.Boxes()[0].text, Not(HasSubstr("huge2"))); } },
    { "ForgedMarkerInAFolderOfThePersons",
        [](R t) {
            t.temp = t.root / "documents/";
            t.Put(t.temp + "letter.txt", "the person's\n");
            WriteFile(t.temp + ".vesko-backup-run",
                "vesko-backup export run\nrun 1\ntoken 0123456789abcdef0123456789abcdef\n");
            return t.One();
        },
        Refused, { kTempExists }, {}, [](R t) { EXPECT_TRUE(fs::exists(t.temp + "letter.txt")); } },
    { "MarkerOfAnEarlierRunRestoredIntoAnotherFolder",
        [](R t) {
            t.LeaveTree();
            const std::string documents = t.root / "documents/";
            t.Put(documents + "letter.txt", "the person's\n");
            fs::copy_file(t.temp + ".vesko-backup-run", documents + ".vesko-backup-run");
            t.temp = documents;
            return t.One();
        },
        Refused, { kTempExists }, {}, [](R t) { EXPECT_TRUE(fs::exists(t.temp + "letter.txt")); } },
    { "TreeLeftByAnEarlierRunThatIsNowTheHomeFolder",
        [](R t) {
            t.LeaveTree();
            t.home.emplace("HOME", t.temp);
            return Strings {};
        },
        Refused, { kTempExists }, {},
        [](R t) { EXPECT_TRUE(fs::exists(t.Mirror(t.src + "/a.txt"))); } },
    { "TreeLeftByAnEarlierRunThatIsNowASource",
        [](R t) {
            t.LeaveTree();
            t.Sources({ t.src, t.temp });
            return Strings {};
        },
        Refused, { kTempExists }, {},
        [](R t) { EXPECT_TRUE(fs::exists(t.Mirror(t.src + "/a.txt"))); } },
    { "TreeOfARunKilledDuringItsCleanup",
        [](R t) {
            t.LeaveTree();
            // Killed once the files were gone and before the folders went.
            RemoveTreeFiles(t.ui, t.temp);
            return Strings { t.src + "/a.txt" };
        },
        Success, kFinished, {},
        [](R t) {
            EXPECT_THAT(t.ui.Steps(), Contains(HasSubstr("that an earlier export left")));
        } },
    { "ArchiveNameLeadingIntoTheTemporaryFolder",
        [](R t) { return t.OneWith(t.name, "../work/temp/night"); }, Refused,
        { "Invalid Archive Folder" }, { "/work/temp/night.arj is the temporary folder" } },
    { "TemporaryFolderBelowAFolderNamedWithADot",
        [](R t) { return t.OneWith(t.temp, "/.vesko-dot-road/temp/"); }, Refused,
        { "Invalid Temporary Folder" }, { "/.vesko-dot-road/temp/ lies below a folder" },
        [](R) { EXPECT_FALSE(fs::exists("/.vesko-dot-road")); } },
    { "ArchiveFolderInsideASourceOverThreeExports",
        [](R t) {
            t.arc = t.src + "/Backups/";
            const std::string file = t.Put(t.src + "/data.bin", RandomBytes(200'000, 3));
            for (const char* name : { "night1", "night2", "night3" }) {
                t.name = name;
                t.Sources({ t.src });
                if (t.name != "night3") {
                    EXPECT_EQ(t.Export(), Success);
                }
            }
            return Strings { file };
        },
        Success, kFinished, { "1 entry not taken" },
        [](R t) {
            // Within the few bytes by which the run's own description differs each night.
            const auto size = [&t](const char* name) { return fs::file_size(t.arc + name); };
            EXPECT_NEAR(double(size("night3.arj")), double(size("night1.arj")), 64.0)
                << "no archive in the next";
            EXPECT_EQ(std::ranges::count_if(
                          t.ui.Steps(), [](auto& s) { return s.starts_with("Not backing up"); }),
                2)
                << "said once a run, the first having made the folder";
            const auto run = history::ReadRun(t.store, history::ListRuns(t.store).front().id);
            ASSERT_EQ(run->report.notTaken.size(), 1u);
            EXPECT_EQ(run->report.notTaken[0].reason, "the archive folder");
        } },
    { "SourceThatIsALinkToAFolder",
        [](R t) {
            t.Put(t.src + "/a.txt", "a\n");
            fs::create_symlink(t.root / "nowhere", t.src + "/dangling");
            fs::create_directory_symlink(t.src, t.root / "linked");
            t.Sources({ t.root / "linked" });
            return Strings { t.root / "linked/a.txt" };
        },
        Success, kFinished, { "1 entry not taken" } },
    { "LinksFifosAndSocketsInASource",
        [](R t) {
            const Strings files = t.One();
            fs::create_symlink(t.root / "nowhere", t.src + "/link");
            EXPECT_EQ(::mkfifo((t.src + "/pipe").c_str(), 0600), 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            const std::string socketPath = t.src + "/socket";
            socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
            return files;
        },
        Success, kFinished, { "3 entries not taken" },
        [](R t) {
            const auto run = history::ReadRun(t.store, history::ListRuns(t.store).front().id);
            Strings kinds;
            for (const LeftOutFile& entry : run->report.notTaken)
                kinds.push_back(entry.path.substr(t.src.size()) + " " + entry.reason);
            EXPECT_EQ(kinds, (Strings { "/link symbolic link", "/pipe FIFO", "/socket socket" }));
            EXPECT_THAT(history::DetailLines(*run),
                Contains(std::pair<std::string, std::string>(
                    "Not taken:", "3 (links, special files, own folders)")));
        } },
    { "TwoStoresWritingTheSameNameAtOnce",
        [](R t) {
            const Strings files = t.One();
            // The other store's archiver starts once this run's archive has its name: the
            // name was free when both runs began.
            WriteScript(t.root / "late/arj",
                "[ \"$1\" != a ] || for i in $(seq 400); do [ -e '" + t.Archive()
                    + "' ] && break; sleep 0.05; done\nexec /usr/bin/arj \"$@\"");
            vesko::Settings other = t.settings;
            other.tempFolder = t.root / "work/other temp/";
            other.archiverFolder = t.root / "late/";
            ApplySettings(t.otherStore, other);
            t.Put(t.other + "/b.txt", "the other store's\n");
            other.sources = { t.other };
            t.otherRun = std::jthread([&t, other] {
                t.otherReport = RunExport(MakeExportRequest(other, t.day), t.otherUi, t.otherStore);
            });
            return files;
        },
        Success, kFinished, {},
        [](R t) {
            t.otherRun.join();
            EXPECT_EQ(t.otherReport.outcome, Failed);
            EXPECT_THAT(t.otherReport.message, HasSubstr("name was taken"));
            EXPECT_THAT(t.otherReport.message, HasSubstr("kept as " + t.otherReport.archive));
            EXPECT_TRUE(fs::exists(t.otherReport.archive)) << "the other verified archive kept";
            EXPECT_NE(t.otherReport.archive, t.Archive());
        } },
    { "KilledWhileArchiving",
        [](R t) {
            WriteFile(t.arc + "ARJTEMP.$01", "someone else's");
            const std::string file = t.Put(t.src + "/big", RandomBytes(20 << 20, 5));
            t.Sources({ t.src });
            const pid_t child = ::fork();
            if (child == 0) {
                // Once the archiver has written anything; a file renamed meanwhile is no error.
                t.ui.cancelWhen = [&t] {
                    std::error_code error;
                    const auto files = std::distance(fs::directory_iterator(t.arc, error), {});
                    if (!error && files > 1)
                        ::raise(SIGKILL);
                    return false;
                };
                t.Export();
                ::_exit(3);
            }
            int status = 0;
            EXPECT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status)) << "killed while the archiver ran";
            for (int i = 0; i < 50 && t.ArchiverRunning(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_FALSE(t.ArchiverRunning()) << "the archiver outlived the run";
            EXPECT_GT(t.ArchiveFolder().size(), 1u) << "a partial archive left";
            return Strings { file };
        },
        Success, kFinished, {},
        [](R t) {
            EXPECT_EQ(t.ArchiveFolder(), (Strings { "ARJTEMP.$01", "backup.arj" }));
            EXPECT_THAT(t.ui.Steps(), Contains(HasSubstr("that an earlier export left")));
        } },
    { "StoreRefusingTheDateOfTheExport",
        [](R t) {
            const Strings files = t.One();
            storage::Database::OpenForWrite(t.store.Path())
                .Exec("CREATE TRIGGER refuse BEFORE INSERT ON settings WHEN NEW.key = "
                      "'LastExport' BEGIN SELECT RAISE(ABORT, 'refused by the test'); END");
            return files;
        },
        Failed, { "Archive Error", kQuietError }, { "refused by the test", "Archive Error!" },
        [](R t) {
            EXPECT_TRUE(fs::exists(t.Archive())) << "the verified archive kept";
            EXPECT_EQ(history::ListRuns(t.store).front().report.archive, t.Archive());
        },
        true },
    { "TemporaryFolderWhoseParentIsMissing",
        [](R t) { return t.OneWith(t.temp, t.root / "missing/temp/"); }, Failed,
        { "Error Copying Files", kQuietError }, { "Copy Error!" } },
    { "ArchiveFolderThatCannotBeMade",
        [](R t) {
            t.Put(t.root / "plain", "a file\n");
            return t.OneWith(t.arc, t.root / "plain/archive/");
        },
        Failed, { "Error Copying Files" }, {} },
};

INSTANTIATE_TEST_SUITE_P(Roads, ExportRoads, ::testing::ValuesIn(kRoads),
    [](const ::testing::TestParamInfo<Road>& info) { return info.param.name; });

} // namespace
} // namespace vesko::test
