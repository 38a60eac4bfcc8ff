// The command line: the arguments as read, then the program itself, run unattended as cron
// or a timer runs it: no display, a settings store of its own, the real archiver.
#include "cli/cli_options.h"
#include "cli/name_pattern.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "platform/run_lock.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/made_files.h"
#include "support/notice_bus.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using Lines = std::vector<std::string>;

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    return { std::istream_iterator<std::string>(in), {} };
}

TEST(CommandLineOptions, ReadEachArgument)
{
    const auto read = [](const std::string& line) {
        cli::CliOptions o;
        std::string error;
        if (!cli::ParseCommandLine(Words(line), o, error))
            return "error: " + error;
        std::ostringstream s;
        s << int(o.command) << (o.since ? " since " + *o.since : "") << (o.keepTemp ? " keep" : "")
          << (o.name ? " name " + *o.name : "") << (o.folder ? " folder " + *o.folder : "")
          << (o.run ? " run " + std::to_string(*o.run) : "") << (o.find ? " find " + *o.find : "")
          << (o.all ? " all" : "") << (o.replaceNewer ? " replace" : "")
          << (o.fullEvery ? " full-every " + std::to_string(*o.fullEvery) : "")
          << (o.keepChains ? " keep-chains " + std::to_string(*o.keepChains) : "")
          << (o.checkAfter ? " check-after" : "");
        for (const std::int64_t run : o.runs)
            s << " check " << run;
        return s.str();
    };
    // Commands: 0 the window, 1 help, 2 version, 3 export, 4 import, 5 history, 6 check.
    const std::pair<std::string, std::string> rows[] = {
        { "", "0" },
        { "-h", "1" },
        { "--version", "2" },
        { "--version x", "error: '--version' takes no arguments" },
        { "export --since 02-29-2024 --keep-temp --name=%Y%m%d%H%M%%",
            "3 since 02-29-2024 keep name %Y%m%d%H%M%%" },
        { "export --since=last", "3 since last" },
        { "export --since", "error: --since needs a value" },
        { "export --keep-temp=yes", "error: --keep-temp takes no value" },
        { "export --name=", "error: --name needs a value" },
        { "export --name n-%F", "error: --name knows %Y %m %d %H %M and %%, not '%F' in 'n-%F'" },
        { "export --name n%", "error: --name knows %Y %m %d %H %M and %%, not '%' in 'n%'" },
        { "export --replace-newer", "error: unknown option '--replace-newer' for export" },
        { "export now", "error: unexpected argument 'now' for export" },
        { "export --bogus --help", "error: unknown option '--bogus' for export" },
        { "export -h --bogus", "1" },
        { "import --name= --folder /f --replace-newer", "4 name  folder /f replace" },
        { "import --name %F", "4 name %F" },
        { "import --since last", "error: unknown option '--since' for import" },
        { "import --replace-newer=1", "error: --replace-newer takes no value" },
        // Paths are bytes, not always UTF-8.
        { "import --folder /f\xff\xfe --name=\xc3(", "4 name \xc3( folder /f\xff\xfe" },
        { "history", "5" },
        { "history --all", "5 all" },
        { "history --all=1", "error: unknown option '--all=1' for history" },
        { "history 123456789012345678", "5 run 123456789012345678" },
        { "history 1234567890123456789",
            "error: not a run number '1234567890123456789' for history" },
        { "history 0", "error: not a run number '0' for history" },
        { "history 1x", "error: not a run number '1x' for history" },
        { "history --find x", "5 find x" },
        { "history --find=x", "5 find x" },
        { "history --find", "error: --find needs a value" },
        { "history --find=", "error: --find needs a text to look for" },
        { "history 1 2", "error: history takes one of RUN, --find TEXT and --all" },
        { "history --all --find x", "error: history takes one of RUN, --find TEXT and --all" },
        { "history -x", "error: unknown option '-x' for history" },
        { "history 1 --help", "1 run 1" },
        { "export --since last --full-every 30 --keep-chains=2",
            "3 since last full-every 30 keep-chains 2" },
        { "export --full-every 0",
            "error: --full-every wants a whole number from 1 to 36500, not '0'" },
        { "export --keep-chains 2x",
            "error: --keep-chains wants a whole number from 1 to 36500, not '2x'" },
        { "import --keep-chains 2", "error: unknown option '--keep-chains' for import" },
        { "export --since last --check-after", "3 since last check-after" },
        { "export --check-after=1", "error: --check-after takes no value" },
        { "import --check-after", "error: unknown option '--check-after' for import" },
        { "check", "6" },
        { "check 3 12", "6 check 3 check 12" },
        { "check --all", "6 all" },
        { "check 3 --all", "error: check takes RUN... or --all" },
        { "check 0", "error: not a run number '0' for check" },
        { "restore --as-of 02-30-2024",
            "error: --as-of wants a day as MM-DD-YYYY, not '02-30-2024'" },
        { "restore --to", "error: --to needs a value" },
        { "backup", "error: unknown command 'backup'" },
        { "--bogus", "error: unknown option '--bogus'" },
    };
    for (const auto& [line, read_] : rows)
        EXPECT_EQ(read(line), read_) << line;
    for (const std::string day : { "02-29-2023", "13-01-2022", "00-01-2022", "1a-01-2022",
             "01-0:-2022", "01-01-202/", "01/01-2022", "01-01/2022", "1-01-2022", "12-31-2262" })
        EXPECT_EQ(read("export --since " + day),
            "error: --since wants a day as MM-DD-YYYY or 'last', not '" + day + "'");

    std::string name, error;
    EXPECT_TRUE(
        cli::ExpandNamePattern("n-%Y-%m-%d_%H%M%%", LocalTime(2026, 1, 2, 3, 4), name, error));
    EXPECT_EQ(name, "n-2026-01-02_0304%");
}

class CommandLine : public ::testing::Test {
protected:
    // Writes the settings with the store's own code, into the store the program will read.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        test::StoreSettings(settings, storePath);
    }
    // Runs the program with the arguments, without a display, on the temporary store, and
    // without a session bus unless env names one.
    ChildRun Program(const std::vector<std::string>& args, std::vector<std::string> env = {})
    {
        env.insert(env.begin(),
            { "XDG_RUNTIME_DIR=" + tmp / "no bus", "XDG_CONFIG_HOME=" + configHome,
                "HOME=" + tmp.Path() });
        return RunProgram(env, args);
    }
    // A run that brings the store and folders to where a row starts.
    void Ran(const std::string& args, int status)
    {
        EXPECT_EQ(Program(Words(args)).status, status) << args;
    }
    void Put(const std::string& name, const std::string& bytes, TimePoint when)
    {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, when);
    }

    // Sources and settings, and nothing else: no archive, no history, no tree, no lock. The
    // first store is kept and copied for the rows after it, as the store syncs every setting.
    void FreshStart()
    {
        lock.reset();
        for (const auto& entry : fs::directory_iterator(tmp.Path()))
            if (entry.path() != tmp / "start")
                fs::remove_all(entry.path());
        Put("Makefile", "all:\n", LocalTime(2022, 5, 6, 7, 8, 9));
        Put("docs/read me.txt", "text\n", LocalTime(2022, 5, 6, 7, 8, 9));
        // Every file put here is new to the file system today, whatever its modification
        // time: each export takes them all (the copy phase's tests draw the line itself).
        Put("old.txt", "left out\n", LocalTime(1999, 5, 6));
        Put("same day.txt", "in\n", LocalTime(2021, 6, 15, 9));
        Put("day before.txt", "out\n", LocalTime(2021, 6, 14, 23));
        if (fs::exists(tmp / "start")) {
            fs::copy(tmp / "start", configHome, fs::copy_options::recursive);
            return;
        }
        // The Archive folder as "~/archive/": the home folder of whoever runs it.
        StoreSettings({ { "ArcFolder", "~/archive/" }, { "ArjFolder", "/usr/bin/" },
            { "DestinDir", temp }, { "ExportArj", "nightly" }, { "ImportArj", "absent" },
            { "DisksSpan", "no" }, { "SourceDir0", src } });
        fs::copy(configHome, tmp / "start", fs::copy_options::recursive);
    }
    void KillingArchiver()
    {
        WriteScript(tmp / "killer/arj", "kill -9 $PPID");
        StoreSettings({ { "ArjFolder", tmp / "killer/" } });
    }
    // Killed in the middle: the run stays unfinished, its tree in the way of the next.
    void KilledExport()
    {
        KillingArchiver();
        Ran("export --since 01-01-2001", -1);
        StoreSettings({ { "ArjFolder", "/usr/bin/" } });
    }
    void NightlyArchive() { Ran("export --since 01-01-2001 --name nightly%%", 0); }
    // Three archives, the first checked, the second's bytes as harmed.
    void ThreeArchivesFirstChecked(const std::function<void(const std::string&)>& harm)
    {
        NightlyArchive();
        Ran("export --since 01-01-2001 --name second", 0);
        Ran("check 1", 0);
        Ran("export --since 01-01-2001 --name third", 0);
        harm(arc + "second.arj");
    }
    static void FlipMiddleByte(const std::string& path)
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const std::streamoff middle = static_cast<std::streamoff>(fs::file_size(path) / 2);
        file.seekg(middle);
        const char byte = static_cast<char>(file.get() ^ 0x01);
        file.seekp(middle);
        file.put(byte);
    }
    // The archive restored, then its Makefile edited there: newer than the archive's copy.
    void RestoredThenEdited()
    {
        NightlyArchive();
        Ran("import --name nightly%", 0);
        WriteFile(restored + "Makefile", "edited\n");
    }
    // The whole day on which the last export began copying, though its archiver started after
    // midnight, and a file the archive cannot hold.
    void SinceLastWithHugeFile()
    {
        StoreSettings({ { "LastExport", StoredDateText(LocalTime(2021, 6, 16, 0, 0, 5)) },
            { kLastExportCopyStartKey, StoredDateText(LocalTime(2021, 6, 15, 23, 59, 50)) } });
        Put("huge", "", LocalTime(2022, 5, 6));
        fs::resize_file(src + "/huge", std::uintmax_t { 5 } << 30);
    }
    // The last export began copying today, and a file arrives in the source by the command,
    // keeping a modification time from long before: {away} and {src} in it are the folders.
    void ArrivedWithOldTime(std::string command)
    {
        StoreSettings(
            { { kLastExportCopyStartKey, StoredDateText(std::chrono::system_clock::now()) } });
        const std::string away = tmp / "away";
        WriteFile(away + "/taxes.pdf", "tax\n");
        SetMTime(away + "/taxes.pdf", LocalTime(2020, 11, 20, 9, 30));
        ASSERT_EQ(Shell("cd " + away + " && arj a -y taxes.arj taxes.pdf >/dev/null"), 0);
        for (const auto& [word, folder] : { std::pair { "{away}", away }, { "{src}", src } })
            for (auto at = command.find(word); at != std::string::npos; at = command.find(word))
                command.replace(at, std::string(word).size(), folder);
        ASSERT_EQ(Shell(command), 0) << command;
        // Its modification time alone would leave it out.
        EXPECT_EQ(MTime(src + "/taxes.pdf"), LocalTime(2020, 11, 20, 9, 30));
    }

    TempDir tmp;
    std::string configHome = tmp / "config";
    std::string storePath = configHome + "/vesko-backup/settings.sqlite"; // where it looks
    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "temp/";
    std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src) + "/";
    std::string mirror = temp + paths::RelativePath(src) + "/";
    std::unique_ptr<RunLock> lock;
};

TEST_F(CommandLine, AStoreThatIsNotADatabaseStopsTheRunAndIsKept)
{
    // A store that cannot be read: the run would go on half set up.
    WriteFile(storePath, "somebody's file");
    const ChildRun run = Program({ "export" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
        "Refresh Labels Error: Settings store \"" + storePath + "\": file is not a database\n");
    EXPECT_EQ(ReadFile(storePath), "somebody's file");
}

// Each run from a fresh start, brought by the row to what it needs, by what it prints,
// returns and leaves.
TEST_F(CommandLine, RunsEachFromItsOwnStart)
{
    const struct {
        const char* name;
        std::function<void()> before;
        std::string args;
        int status;
        Lines says; // each in what it printed
        std::map<std::string, std::string> files = {}; // afterwards; "-": none there
        Lines never = {}; // none in what it printed
    } rows[] = {
        { "since last, none recorded: everything", {}, "export --since last", 0,
            { "vesko-backup: --since last: no successful export recorded yet, so everything is "
              "backed up\n",
                "\nArchived 5 files, 26 bytes, in " + arc + "nightly.arj\n" },
            { { temp, "-" } } },
        { "since last, a file moved in", [&] { ArrivedWithOldTime("mv {away}/taxes.pdf {src}/"); },
            "export --since last --keep-temp", 0, {}, { { mirror + "taxes.pdf", "tax\n" } } },
        { "since last, a file copied with cp -p",
            [&] { ArrivedWithOldTime("cp -p {away}/taxes.pdf {src}/"); },
            "export --since last --keep-temp", 0, {}, { { mirror + "taxes.pdf", "tax\n" } } },
        { "since last, a file extracted with arj x",
            [&] { ArrivedWithOldTime("cd {src} && arj x -y {away}/taxes.arj >/dev/null"); },
            "export --since last --keep-temp", 0, {}, { { mirror + "taxes.pdf", "tax\n" } } },
        { "killed", [&] { KillingArchiver(); }, "export --since 01-01-2001", -1, {},
            { { mirror + "Makefile", "all:\n" } } },
        { "nothing set up: the store it read named", [&] { fs::remove(storePath); },
            "export --since 01-01-2001", 1,
            { "Nothing Set Up: No settings are stored in " + storePath + ".  Fill in" } },
        { "another run holds the lock", [&] { lock = RunLock::TryTake(storePath); }, "import", 1,
            { "Import Running: An export or another import is running. Try the import again when "
              "it has ended.\n" } },
        { "archiver missing",
            [&] {
                StoreSettings({ { "ArjFolder", tmp / "no arj/" } });
            },
            "export --since 01-01-2001", 1,
            { "Archiver Not Found: The archiver " + tmp / "no arj/arj" + " was not found" },
            { { arc + "nightly.arj", "-" }, { mirror + "Makefile", "-" } } },
        { "the next run removes the tree", [&] { KilledExport(); },
            "export --since 01-01-2001 --name nightly%%", 0,
            { "Removing the temporary folder " + temp + " that an earlier export left",
                "\nVesko Backup: Backup completed successfully.  5 files (26 bytes) archived in "
                    + arc + "nightly%.arj.\n",
                "\nZeltan's Vesko Backup: Cleanup operation completed.\n", "Makefile" },
            { { temp, "-" } } },
        { "import", [&] { NightlyArchive(); }, "import --name nightly%", 0,
            { "\nArchive Import: Archive restored successfully.  5 files (26 bytes) restored into "
                + arc + ".\n" },
            { { restored + "Makefile", "all:\n" }, { restored + "old.txt", "left out\n" } } },
        { "newer kept", [&] { RestoredThenEdited(); }, "import --name nightly%", 0,
            { "\nKept newer file: " + restored + "Makefile\n" },
            { { restored + "Makefile", "edited\n" } } },
        { "newer replaced", [&] { RestoredThenEdited(); }, "import --name nightly% --replace-newer",
            0, {}, { { restored + "Makefile", "all:\n" } } },
        { "another folder",
            [&] {
                NightlyArchive();
                fs::copy(arc + "nightly%.arj", tmp / "other.arj");
            },
            "import --name other --folder " + tmp.Path(), 0, {},
            { { tmp.Path() + "/" + restored.substr(arc.size()) + "Makefile", "all:\n" } } },
        { "since last, a file left out", [&] { SinceLastWithHugeFile(); },
            "export --since last --keep-temp", 3,
            { "Backup Incomplete: The archive was written and verified, ",
                "\n" + src + "/huge: 4 GiB or larger", std::string(history::kSeeHistoryLine) + "\n",
                "Cleanup Cancelled: Cleanup operation cancelled.  Make " },
            { { mirror + "same day.txt", "in\n" }, { mirror + "day before.txt", "out\n" } } },
        { "an incomplete run",
            [&] {
                SinceLastWithHugeFile();
                Ran("export --since last --keep-temp", 3);
            },
            "history 1", 0,
            { "\nOutcome:         incomplete\n", "\nCut-off day:     06-15-2021\n",
                "\nFiles copied:    5 (26 bytes)\n", "\nVolume:          " + arc + "nightly.arj (",
                "\nArchiver status: 0\n", "\nArchived:        5 files\n",
                "\nLeft out:        1 file\n  " + src + "/huge  (4 GiB or larger",
                "\n  2021-06-15 09:00:00             3  same day.txt\n" } },
        // Runs 1 and 2 made and restored the archive.
        { "a newer file kept",
            [&] {
                RestoredThenEdited();
                Ran("import --name nightly%", 0);
            },
            "history 3", 0,
            { "\nFiles restored:  4 (21 bytes)\n",
                "\nLeft out:        1 file\n  " + restored
                    + "Makefile  (newer than the archive's copy, kept)\n" } },
        { "the killed run", [&] { KilledExport(); }, "history 1", 0,
            { "\nEnded:           never: killed, or still running\n" } },
        { "check after: the oldest unchecked archive",
            [&] { ThreeArchivesFirstChecked([](const std::string&) {}); },
            "export --since 01-01-2001 --name fourth --check-after", 0,
            { "\nArchived 5 files, 26 bytes, in " + arc + "fourth.arj\n",
                "\nRun 2  holds  " + arc + "second.arj\n" },
            {}, { "Run 1 ", "Run 3 ", "Run 4 " } },
        { "check after: a flipped byte fails the night",
            [&] { ThreeArchivesFirstChecked(FlipMiddleByte); },
            "export --since 01-01-2001 --name fourth --check-after", 1,
            { "\nArchived 5 files, 26 bytes, in " + arc + "fourth.arj\n",
                "\nArchive damaged: " + arc + "second.arj (" },
            {}, { "third.arj" } },
        { "check after: a failed export, every archive checked",
            [&] {
                NightlyArchive();
                Ran("check", 0);
                StoreSettings({ { "ArjFolder", tmp / "no arj/" } });
            },
            "export --since 01-01-2001 --name second --check-after", 1,
            { "Archiver Not Found: ", "Every kept archive has been checked.\n" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FreshStart();
        if (row.before)
            row.before();
        const ChildRun run = Program(Words(row.args));
        EXPECT_EQ(run.status, row.status) << run.err;
        for (const std::string& part : row.says)
            EXPECT_THAT(run.out + run.err, HasSubstr(part));
        // Nobody is there to answer.
        EXPECT_THAT(run.err, Not(HasSubstr("Proceed with cleanup?")));
        for (const auto& [path, bytes] : row.files)
            EXPECT_EQ(fs::exists(path) ? ReadFile(path) : "-", bytes) << path;
        for (const std::string& part : row.never)
            EXPECT_THAT(run.out + run.err, Not(HasSubstr(part)));
    }
}

// A night that fails tells the desktop once, in a critical notice; with no bus the same
// night ends the same way, told nowhere else.
TEST_F(CommandLine, AFailedNightSendsOneNoticeWhereThereIsABus)
{
    if (Shell("command -v dbus-daemon") != 0)
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
    const TempDir desktop;
    const RecordingNoticeBus noticeBus(desktop.Path(), VESKO_NOTIFICATION_RECORDER);
    ASSERT_EQ(ReadFile(desktop / "calls"), "ready\n");
    const struct {
        const char* name;
        std::vector<std::string> env;
        const char* notice; // a pattern for the recorder's line; "" for none
    } rows[] = {
        { "a bus", { "DBUS_SESSION_BUS_ADDRESS=" + noticeBus.address },
            "Vesko Backup\\|0\\|vesko-backup\\|Backup failed\\|The export of [A-Z][a-z]{2} "
            "[0-9]{1,2} [A-Z][a-z]{2} [0-9]{2}:[0-9]{2} failed: [^|]+\\|.*\\|uchar 2\\|-1\n" },
        { "no bus", {}, "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FreshStart();
        // An archiver that fails as on a full disk.
        WriteScript(tmp / "failing arj/arj", "echo 'stand-in: disk full' >&2\nexit 2");
        StoreSettings({ { "ArjFolder", tmp / "failing arj/" } });
        const std::string before = ReadFile(desktop / "calls");
        const ChildRun run = Program(Words("export --since 01-01-2001"), row.env);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_THAT(run.err, HasSubstr("Archive Failed: "));
        const std::string after = ReadFile(desktop / "calls");
        ASSERT_EQ(after.substr(0, before.size()), before);
        EXPECT_THAT(after.substr(before.size()), ::testing::MatchesRegex(row.notice));
    }
}

} // namespace
} // namespace vesko::test
