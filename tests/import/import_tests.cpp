// The import, road by road, each in a folder of its own: refused before the archiver, an
// archive from anyone (damaged, unsafe, spanned), an archiver that fails or misbehaves, and
// what already lies in the import folder; the real archiver unless a stand-in is the point.
#include "import/import_run.h"
#include "import/interrupted_imports.h"
#include "platform/path_rules.h"
#include "platform/run_lock.h"
#include "settings/stored_settings.h"
#include "storage/run_records.h"
#include "storage/settings_store.h"
#include "storage/staging_records.h"
#include "support/archive_bytes.h"
#include "support/made_files.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

// An archive the real archiver makes of these files.
void Archived(const std::string& area, const std::string& archive, const Files& files,
    const std::string& switches = "")
{
    ASSERT_EQ(ArchivedByArj(area, archive, files, switches), 0);
}

class ImportTest : public ::testing::Test {
public:
    void SetUp() override { SaveSetting(store, "ImportArj", "stored-name"); }
    std::string LastImport() { return StoredSetting(store, "LastImport"); }
    // A box's text on one line, a staging folder by its name's start.
    static std::string Shown(const std::string& text)
    {
        return std::regex_replace(
            Flat(text), std::regex("vesko-import-\\w{6}/"), "vesko-import-XXXXXX/");
    }
    // Beeps and boxes in order, each box as its icon ("i?!x"), title and text.
    Lines Log() const
    {
        Lines log = ui.Log();
        for (std::string& line : log)
            line = Shown(line);
        return log;
    }
    // Every file and folder below root with its bytes and time, to show nothing changed.
    static Files Snapshot(const std::string& root)
    {
        Files tree;
        for (const auto& e : fs::recursive_directory_iterator(root))
            tree[e.path()] = e.is_symlink() ? "link"
                : e.is_directory()          ? "folder"
                                            : ReadFile(e.path()) + "@"
                    + std::to_string(MTime(e.path()).time_since_epoch().count());
        return tree;
    }

    // Makes what the road imports below area, answers the name typed; may change the folder
    // typed, which is dir.
    using Prepare = std::function<std::string(const std::string& area, std::string& dir)>;
    struct Road {
        std::string name;
        Prepare prepare;
        Lines log; // {dir}: the import folder
        Files files = {}; // below the folder afterwards, when restored
        std::string arj = "/usr/bin/"; // the archiver's folder, or a stand-in's script
        std::vector<Answer> answers = {};
        bool cancel = false; // the person cancels the progress window
        bool recorded = true; // in the history: not when refused before the store is looked at
    };
    // Imports one road in a folder of its own, whatever is around it must not change.
    // The fixture of the road being run, for the few roads that change the store or hold the
    // lock while they are laid out: the table of roads is made before any fixture exists.
    static ImportTest& Current() { return *current_; }

    void Run(const Road& road)
    {
        SCOPED_TRACE(road.name);
        current_ = this;
        const std::string area = tmp / road.name;
        std::string dir = area + "/x/y/z/";
        MakeDirs(dir);
        std::string arjFolder = road.arj;
        if (!road.arj.starts_with('/')) {
            WriteScript(area + "/stand in/arj", road.arj);
            arjFolder = area + "/stand in/";
        }
        const std::string name = road.prepare(area, dir);
        const Files before = Snapshot(area);
        if (road.cancel)
            ui.cancelWhen = [] { return true; };
        for (Answer a : road.answers)
            ui.Answer(a);
        ui.Clear();
        vesko::Settings settings;
        settings.archiverFolder = arjFolder;
        const std::size_t runsBefore = history::ListRuns(store).size();
        const int progressBegins = ui.ProgressBegins();
        const RunReport report = RunImport(MakeImportRequest(settings, dir, name), ui, store);
        held.reset();
        const RunOutcome outcome = report.outcome;

        if (!paths::EndsWithSeparator(dir))
            dir += '/';
        Lines log = road.log;
        for (std::string& line : log)
            for (std::size_t at; (at = line.find("{dir}")) != std::string::npos;)
                line.replace(at, 5, dir);
        EXPECT_EQ(Log(), log);
        if (!ui.Boxes().empty()) {
            EXPECT_FALSE(ui.Boxes().back().underWay) << "the last box over a run still going";
        }
        const bool restored = log.back().starts_with("iArchive Import|Archive restored");
        EXPECT_EQ(outcome == RunOutcome::Success, restored);
        if (restored) {
            EXPECT_EQ(ui.ProgressBegins(), progressBegins + 1) << "one progress window";
        }
        const auto runs = history::ListRuns(store);
        ASSERT_EQ(runs.size(), runsBefore + (road.recorded ? 1 : 0)) << "runs recorded";
        const std::string said = log.back().substr(log.back().find('|') + 1);
        if (road.recorded) {
            EXPECT_EQ(runs.front().report.outcome, outcome);
            EXPECT_EQ(Shown(runs.front().report.message), restored ? "" : said)
                << "the message recorded";
        }
        EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
        EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
        EXPECT_TRUE(history::StagingFolders(store).empty()) << "a staging folder still recorded";
        for (const auto& [path, what] : Snapshot(area))
            EXPECT_FALSE(what == "folder" && path.find("/.vesko-import-") != std::string::npos
                && !before.contains(path))
                << path;
        if (!restored) {
            EXPECT_EQ(Snapshot(area), before);
            EXPECT_EQ(LastImport(), "");
            return;
        }
        EXPECT_NE(LastImport(), "");
        store.DeleteSetting(kSettingsApplication, kSettingsSection, "LastImport");
        EXPECT_EQ(ui.Steps().front(), "Reading the archive's headers: " + report.archive);
        EXPECT_TRUE(ui.Steps().back().starts_with("Extracting: " + arjFolder)) << ui.Steps().back();
        for (const ArchiveVolume& v : report.volumes)
            EXPECT_EQ(v.size, fs::file_size(v.path)) << v.path;
        for (const auto& [path, bytes] : road.files)
            EXPECT_EQ(ReadFile(dir + path), bytes) << path;
    }

    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    RecordingUi ui;
    std::unique_ptr<RunLock> held; // another run's lock, for the length of one road
    static inline ImportTest* current_ = nullptr;
};

// Every road of the import, each a test of its own named by what it tries.
std::vector<ImportTest::Road> AllRoads()
{
    using Prepare = ImportTest::Prepare;
    const Files week = { { "note.txt", "archived note\n" }, { "old.txt", "archived old\n" },
        { "sub/new.txt", "archived new\n" } };
    const auto tiny = [=](std::string archive, std::string typed) -> Prepare {
        return [=](const std::string& area, std::string& dir) {
            Archived(area, dir + archive, { { "n.txt", "restored\n" } });
            return typed;
        };
    };
    // The archive of `week` and what lies in the folder beside it.
    const auto weekAnd = [=](std::function<void(const std::string&, std::string&)> lay) -> Prepare {
        return [=](const std::string& area, std::string& dir) {
            Archived(area, dir + "week.arj", week);
            lay(area, dir);
            return "week";
        };
    };
    const auto edited = [](const std::string& path, TimePoint when) {
        WriteFile(path, "edited\n");
        SetMTime(path, when);
    };
    const TimePoint later = LocalTime(2023, 1, 1), earlier = LocalTime(2021, 1, 1);
    // A spanned archive of a file whose good copy lies in the folder, its volumes then altered.
    const auto spanned = [=](std::function<void(const std::string&, const std::string&)> alter) {
        return [=](const std::string& area, std::string& dir) {
            Archived(area, dir + "span.arj", { { "big.bin", RandomBytes(1 << 20, 7) } }, "-v300K");
            WriteFile(dir + "big.bin", "the good copy that lay here before\n");
            alter(area, dir);
            return "span";
        };
    };
    // Volumes of these bytes: c.arj, c.a01, ...
    const auto crafted = [](Lines volumes) -> Prepare {
        return [=](const std::string&, std::string& dir) {
            for (std::size_t n = 0; n < volumes.size(); ++n)
                WriteFile(dir + (n ? "c.a0" + std::to_string(n) : "c.arj"), volumes[n]);
            return "c";
        };
    };
    const auto entries = [=](std::vector<CraftedEntry> e) { return crafted({ Crafted(e) }); };
    const auto failed = [](const std::string& why) {
        return Lines { "beep",
            "!Import Failed|Archive restore failed.||" + why
                + "||Nothing in the import folder was changed." };
    };
    const auto unsafe = [](const std::string& said) {
        return Lines { "beep",
            "!Unsafe Archive|The archive's entry \"" + said
                + ".||The archive was refused; nothing was written." };
    };
    const auto restored = [](const std::string& files, const std::string& question = "") {
        Lines log = { "beep",
            "iArchive Import|Archive restored successfully.||" + files + " restored into {dir}." };
        if (!question.empty())
            log.insert(log.begin(),
                "?Archive Import|" + question
                    + " in the import folder are newer than the archive's copies (first: "
                      "{dir}note.txt). Replace them with the older copies?");
        return log;
    };
    const Lines notFound = { "beep",
        "!Archive Not Found|The archive file can't be found. Check to make sure the file exists "
        "and the path is correct in the settings section." };
    const std::string n = "n.txt", one = "printf abc > n.txt";
    const std::string main = Header(Basic({ "c.arj", 2, 0, 0 }));
    // 510 bytes, the most the archiver stores.
    const std::string longest
        = std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(108, 'c');
    return {
        { "NoName", tiny("n.arj", ""), { "beep", "iEntry Required|Please enter a file name." } },
        { "NameCompleted", tiny("w.arj", "w"), restored("1 file (9 bytes)"),
            { { n, "restored\n" } } },
        { "NameHoldingTheExtension", tiny("old.arjx", "old.arjx"), restored("1 file (9 bytes)") },
        { "ExtensionFoundByItsCase", tiny("W.ARJ", "W.ARJ"), notFound },
        { "AWildcard", tiny("w1.arj", "w?"),
            { "beep",
                "!Invalid Name|The archive name can't hold * or ?: the archiver would extract "
                "every archive that matches it." } },
        { "NoFolderTheRoot",
            [](const std::string&, std::string& dir) {
                dir.clear();
                return "vesko-import-test-no-such-archive";
            },
            notFound },
        { "ArchiverFolderWithoutItsEndingSlash", tiny("t.arj", "t"), restored("1 file (9 bytes)"),
            {}, "/usr/bin" },
        { "FoldersOfThePersonNamedLikeStagingFolders",
            [=](const std::string& area, std::string& dir) {
                // No import of this store made them: they are the person's, whatever their names.
                WriteFile(dir + ".vesko-import-notes/todo.txt", "todo\n");
                WriteFile(dir + ".vesko-import-Ab12Cd/files/n.txt", "half\n");
                WriteFile(dir + ".vesko-import-mine", "mine\n");
                return tiny("t.arj", "t")(area, dir);
            },
            restored("1 file (9 bytes)"),
            { { n, "restored\n" }, { ".vesko-import-notes/todo.txt", "todo\n" },
                { ".vesko-import-Ab12Cd/files/n.txt", "half\n" },
                { ".vesko-import-mine", "mine\n" } } },
        { "AnotherRunHoldsTheLock",
            [=](const std::string& area, std::string& dir) {
                ImportTest::Current().held = RunLock::TryTake(ImportTest::Current().store.Path());
                return tiny("t.arj", "t")(area, dir);
            },
            { "beep",
                "!Import Running|An export or another import is running. Try the import again "
                "when it has ended." } },
        { "NewerKept", weekAnd([=](const std::string&, std::string& dir) {
             edited(dir + "note.txt", later), edited(dir + "old.txt", earlier);
         }),
            { restored("", "1 files")[0], "beep",
                "iArchive Import|Archive restored successfully.||2 files (26 bytes) restored into "
                "{dir}.|1 newer file in the folder kept." },
            { { "note.txt", "edited\n" }, { "old.txt", "archived old\n" },
                { "sub/new.txt", "archived new\n" } } },
        { "NewerReplaced", weekAnd([=](const std::string&, std::string& dir) {
             edited(dir + "old.txt", later), edited(dir + "note.txt", later);
         }),
            restored("3 files (40 bytes)", "2 files"), week, "/usr/bin/", { Answer::Yes } },
        { "FolderEntered", weekAnd([=](const std::string&, std::string& dir) {
             // Of the archive's own time: not newer.
             edited(dir + "note.txt", LocalTime(2022, 3, 4)), edited(dir + "sub/new.txt", earlier);
             WriteFile(dir + "sub/m", "m\n");
         }),
            restored("3 files (40 bytes)"),
            { { "note.txt", "archived note\n" }, { "sub/m", "m\n" },
                { "sub/new.txt", "archived new\n" } } },
        { "FolderWhereAFileGoes",
            weekAnd([](const std::string&, std::string& dir) { MakeDirs(dir + "old.txt"); }),
            failed("\"{dir}old.txt\" is in the way: the archive holds a file there.") },
        { "FileWhereAFolderGoes",
            weekAnd([](const std::string&, std::string& dir) { WriteFile(dir + "sub", ""); }),
            failed("\"{dir}sub\" is in the way: the archive holds a folder there.") },
        { "MissingMiddleVolume", spanned([](const std::string&, const std::string& dir) {
             fs::remove(dir + "span.a01");
         }),
            failed("The archive goes on in the volume \"{dir}span.a01\", which is missing.") },
        { "VolumesOfTwoRuns", spanned([](const std::string& area, const std::string& dir) {
             // A later run's second volume, of a later copy: it passes its CRC.
             ASSERT_EQ(
                 ArchivedByArj(area + "/later", area + "/later/span.arj",
                     { { "big.bin", RandomBytes(1 << 20, 8) } }, "-v300K", LocalTime(2022, 3, 11)),
                 0);
             fs::copy_file(
                 area + "/later/span.a01", dir + "span.a01", fs::copy_options::overwrite_existing);
         }),
            failed("The volume \"{dir}span.a01\" does not belong to the archive \"{dir}span.arj\": "
                   "its part of \"big.bin\" comes from a copy of another date.") },
        { "EntryNamedLikeTheArchive",
            [=](const std::string& area, std::string& dir) {
                Archived(area, dir + "w.arj", { { "w.arj", "not the archive\n" } });
                return "w";
            },
            unsafe("w.arj\" would land on the archive's own volume \"{dir}w.arj\"") },
        // Under a time limit: the archiver would never finish it.
        { "TopLevelDotName", entries({ { ".profile" } }),
            unsafe(".profile\" cannot be extracted: the archiver hangs on a top-level name that "
                   "begins with \".\""),
            {}, "exec timeout 5 /usr/bin/arj \"$@\"" },
        { "ArchiverFails", entries({ { n } }), failed("Exit status 2.|its output"), {},
            "echo 'its output'; exit 2" },
        { "ArchiverKilled", entries({ { n } }), failed("Stopped by signal 9."), {}, "kill -9 $$" },
        { "ArchiverMissing", entries({ { n } }),
            { "beep", "xImport Error|Cannot start \"/no/such/arj\": No such file or directory" },
            {}, "/no/such/" },
        { "FileCutShort", entries({ { n } }),
            failed("\"n.txt\" came out with 2 bytes instead of 3."), {}, "printf ab > n.txt" },
        { "FileNotNamed", entries({ { n } }),
            failed("The archiver wrote \"more\", which the archive does not name."), {},
            one + "; : > more" },
        { "FileNotWritten", entries({ { n } }),
            failed("\"n.txt\" is missing after the extraction."), {}, "true" },
        { "FolderForAFile", entries({ { n } }),
            failed("\"n.txt\" came out as something else than a file."), {}, "mkdir n.txt" },
        { "FileForAFolder", entries({ { "d", 3, 0, 0 } }),
            failed("\"d\" came out as something else than a folder."), {}, ": > d" },
        { "FolderFileOverTwoVolumesTheLongestHeader",
            crafted({ Crafted({ { "d", 3, 0, 0 }, { "./d/n.txt", 0, 4, 2 } }, 4),
                Crafted({ { "./d/n.txt", 0, 8, 1, std::string(2555, 'c'), 2 } }) }),
            restored("1 file (3 bytes)"), { { "d/n.txt", "abc" } },
            "mkdir d && printf abc > d/n.txt" },
        { "TheLongestStoredName",
            [=](const std::string& area, std::string& dir) {
                Archived(area, dir + "l.arj", { { longest, "restored\n" } });
                return "l";
            },
            restored("1 file (9 bytes)"), { { longest, "restored\n" } } },
        { "TheLongestExtendedHeader",
            crafted(
                { main + Header(Basic({ n }), { std::string(2600, 'e') }) + "xxx" + kArchiveEnd }),
            restored("1 file (3 bytes)"), { { n, "abc" } }, one },
        { "Cancelled", entries({ { n } }),
            { "beep",
                "iImport Cancelled|Archive restore cancelled.||Nothing in the import folder was "
                "changed." },
            {}, "sleep 9", {}, true },
        { "NoNameNothingSetUp",
            [=](const std::string& area, std::string& dir) {
                ImportTest::Current().store.DeleteSetting(
                    kSettingsApplication, kSettingsSection, "ImportArj");
                return tiny("n.arj", "")(area, dir);
            },
            { "beep", "iEntry Required|Please enter a file name." }, {}, "/usr/bin/", {}, false,
            false },
    };
}

void PrintTo(const ImportTest::Road& road, std::ostream* os)
{
    *os << road.name;
}

class ImportRoads : public ImportTest, public ::testing::WithParamInterface<ImportTest::Road> { };

// Refused or failed, nothing around the import folder changes; restored, newer files stay
// unless the person says otherwise.
TEST_P(ImportRoads, EndsAsItShould)
{
    Run(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Roads, ImportRoads, ::testing::ValuesIn(AllRoads()),
    [](const ::testing::TestParamInfo<ImportTest::Road>& info) { return info.param.name; });

// A record whose staging folder is gone is forgotten, but not while the folder above it is gone
// too: its drive may only be away, and what it left there still this program's to clear.
TEST_F(ImportTest, AStagingRecordWaitsForADriveThatIsAway)
{
    const std::string away = "/media/nobody/GONE/.vesko-import-Ab12Cd";
    for (const std::string& path : { away, tmp / ".vesko-import-Ef34Gh" })
        history::RecordStagingFolder(store, { path, 1, 2, "token" });
    EXPECT_TRUE(RecoverInterruptedImports(ui, store).empty());
    const std::vector<StagingRecord> left = history::StagingFolders(store);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, away);
    EXPECT_EQ(Log(), Lines {});
}

// A file that cannot be moved aside stops the placement half-way: what was already moved
// goes back, and the folder is as it was.
TEST_F(ImportTest, AFailedPlacementPutsEverythingBack)
{
    const std::string mine = tmp / "r/x/y/z/n.txt";
    WriteFile(mine, "mine\n");
    SetMTime(mine, LocalTime(2021, 1, 1));
    if (Shell("chattr +i '" + mine + "' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and a file system that keeps the immutable flag (chattr +i)";
    Run({ "r",
        [this](const std::string& area, std::string& dir) {
            Archived(
                area, dir + "r.arj", { { "a.txt", "archived a\n" }, { "n.txt", "archived n\n" } });
            return "r";
        },
        { "beep",
            "!Import Failed|Archive restore failed.||Cannot move \"{dir}n.txt\" to "
            "\"{dir}.vesko-import-XXXXXX/replaced/n.txt\": Operation not permitted||Nothing in the "
            "import folder was changed." } });
    Shell("chattr -i '" + mine + "'");
}

// An import killed between two moves of its placement, and the next import: with no name
// of its own, or importing again into that folder. It finishes the placement, or rolls it back
// when an archive's copy has gone meanwhile; every file is in exactly one place afterwards.
struct Kill {
    std::string name;
    long moves; // moves of the killed placement: two for each of kFiles replaced files
    bool copyGone = false; // the staging folder's copy of the last file deleted meanwhile
    std::string next = ""; // the name the next import is given
};

class KilledPlacement : public ImportTest, public ::testing::WithParamInterface<Kill> { };

constexpr int kFiles = 600;

TEST_P(KilledPlacement, IsFinishedOrRolledBackByTheNextImport)
{
    const Kill& kill = GetParam();
    const std::string dir = tmp / "k/", archive = dir + "w.arj";
    Files archived, before, after;
    for (int i = 0; i < kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.txt", i);
        archived[name] = "archived " + std::to_string(i) + "\n";
        before[name] = "before " + std::to_string(i) + "\n";
        WriteFile(dir + name, before[name]);
        SetMTime(dir + name, LocalTime(2020, 1, 1));
    }
    Archived(tmp / "a", archive, archived);
    vesko::Settings settings;
    settings.archiverFolder = "/usr/bin/";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("VESKO_TEST_KILL_AFTER_MOVES", std::to_string(kill.moves).c_str(), 1);
        RunImport(MakeImportRequest(settings, dir, "w"), ui, store);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    std::string staging;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().starts_with(".vesko-import-"))
            staging = e.path().filename();
    ASSERT_NE(staging, "") << "the killed run's staging folder";
    if (kill.copyGone)
        fs::remove(dir + staging + "/files/f599.txt");

    const RunReport report = RunImport(MakeImportRequest(settings, dir, kill.next), ui, store);
    const std::string stopped = "Interrupted Import|An import of \"" + archive + "\" into " + dir
        + " was stopped while it put the files in place.||";
    const std::string said = kill.copyGone
        ? "!" + stopped + "It could not be finished: The archive's copy of \"f599.txt\" is "
            + "missing from \"" + dir
            + ".vesko-import-XXXXXX/files/\".||It was rolled back: the folder "
            + "holds the files it held before that import."
        : "i" + stopped + "Its placement was finished: 600 files from the archive are in place.";
    Lines log = { "beep", said };
    if (!kill.next.empty())
        log.insert(log.end(),
            { "beep",
                "iArchive Import|Archive restored successfully.||600 files (7,690 bytes) restored "
                "into "
                    + dir + "." });
    EXPECT_EQ(Log(), log);
    const auto runs = history::ListRuns(store);
    // Recorded when it is done, inside the next import's run.
    const RunReport& recovery = runs.front().report;
    ASSERT_EQ(runs.size(), kill.next.empty() ? 2u : 3u);
    EXPECT_EQ(recovery.outcome, kill.copyGone ? RunOutcome::Failed : RunOutcome::Success);
    EXPECT_EQ("-i?!x"[int(kill.copyGone ? Icon::Exclamation : Icon::Information)]
            + std::string("Interrupted Import|") + Shown(recovery.message),
        said);
    EXPECT_EQ(report.outcome, kill.next.empty() ? recovery.outcome : RunOutcome::Success);
    EXPECT_EQ(runs.back().report.outcome, RunOutcome::Unfinished) << "the killed run";

    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path() != archive)
            after[e.path().string().substr(dir.size())]
                = e.is_directory() ? "folder" : ReadFile(e.path());
    EXPECT_EQ(after, kill.copyGone && kill.next.empty() ? before : archived);
}

INSTANTIATE_TEST_SUITE_P(Points, KilledPlacement,
    ::testing::Values(Kill { "after_the_first_file_moved_aside", 1 },
        Kill { "halfway_a_file_moved_aside", kFiles - 1 },
        Kill { "before_the_last_file_placed", 2 * kFiles - 1, false, "w" },
        Kill { "after_the_last_move", 2 * kFiles },
        Kill { "halfway_then_a_copy_gone", kFiles, true }),
    [](const ::testing::TestParamInfo<Kill>& info) { return info.param.name; });

} // namespace
} // namespace vesko::test
