// The program itself, run unattended as cron or a timer runs it: no display, a settings
// store of its own, the real archiver.
#include "history/run_history.h"
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "platform/run_lock.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/child_process.h"
#include "support/made_files.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gmock/gmock.h>
#include <map>
#include <sstream>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

class CommandLine : public ::testing::Test {
protected:
    // Writes the settings with the store's own code, into the store the program will read.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        ScopedEnv config("XDG_CONFIG_HOME", configHome);
        SettingsStore store;
        for (const auto& [key, value] : settings)
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    }

    std::string Stored(const std::string& key)
    {
        ScopedEnv config("XDG_CONFIG_HOME", configHome);
        return SettingsStore().GetSetting(kSettingsApplication, kSettingsSection, key);
    }

    // Runs the program with the arguments, without a display, on the temporary store.
    ChildRun Program(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = { "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
            "-u", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME=" + configHome, VESKO_PROGRAM_PATH };
        argv.insert(argv.end(), args.begin(), args.end());
        return RunChild(argv);
    }

    TempDir tmp;
    std::string configHome = tmp / "config";
    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "temp/";
};

TEST_F(CommandLine, ExportImportSinceLastAndTheirHistory)
{
    const auto put = [&](const std::string& name, const std::string& bytes, TimePoint when) {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, when);
    };
    put("Makefile", "all:\n", LocalTime(2022, 5, 6, 7, 8, 9));
    put("docs/read me.txt", "text\n", LocalTime(2022, 5, 6, 7, 8, 9));
    put("old.txt", "left out\n", LocalTime(1999, 5, 6));
    put("same day.txt", "in\n", LocalTime(2021, 6, 15, 9));
    put("day before.txt", "out\n", LocalTime(2021, 6, 14, 23));
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
        { "ExportArj", "nightly" }, { "ImportArj", "absent" }, { "DisksSpan", "no" },
        { "SourceDir0", src } });

    EXPECT_EQ(Program({ "export", "--since", "last" }).status, 2); // none recorded yet
    const ChildRun exported = Program({ "export", "--since", "01-01-2001" });
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_THAT(exported.err, HasSubstr("Vesko Backup: Backup completed successfully.\n"));
    EXPECT_THAT(exported.err, HasSubstr("Zeltan's Vesko Backup: Cleanup operation completed.\n"));
    EXPECT_FALSE(exported.out.empty()); // the archiver's own lines
    EXPECT_FALSE(fs::exists(temp)); // the cleanup question was answered Yes
    EXPECT_NE(Stored("LastExport"), "");

    // The stored Import Name is wrong; the given one replaces it for this run.
    const ChildRun refused = Program({ "import" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
        "Archive Not Found: The archive file can't be found. Check to make "
        "sure the file exists and the path is correct in the settings section.\n");

    const ChildRun imported = Program({ "import", "--name", "nightly" });
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.err, HasSubstr("Archive Import: "));
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src);
    EXPECT_EQ(ReadFile(restored + "/Makefile"), "all:\n");
    EXPECT_EQ(ReadFile(restored + "/docs/read me.txt"), "text\n");
    EXPECT_FALSE(fs::exists(restored + "/old.txt"));
    EXPECT_NE(Stored("LastImport"), "");

    // A file edited since the export is kept and named, unless --replace-newer is given.
    WriteFile(restored + "/Makefile", "edited\n");
    const ChildRun kept = Program({ "import", "--name", "nightly" });
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_THAT(kept.err, HasSubstr("Kept newer file: " + restored + "/Makefile\n"));
    EXPECT_EQ(ReadFile(restored + "/Makefile"), "edited\n");
    EXPECT_EQ(Program({ "import", "--name", "nightly", "--replace-newer" }).status, 0);
    EXPECT_EQ(ReadFile(restored + "/Makefile"), "all:\n");

    // --since last takes the whole day on which the last export began copying, though its
    // archiver started after midnight; --keep-temp keeps the tree. A file the archive
    // cannot hold is left out, one line of its own, and the run is incomplete.
    fs::remove(arc + "nightly.arj");
    StoreSettings({ { "LastExport", StoredDateText(LocalTime(2021, 6, 16, 0, 0, 5)) },
        { kLastExportCopyStartKey, StoredDateText(LocalTime(2021, 6, 15, 23, 59, 50)) } });
    put("huge", "", LocalTime(2022, 5, 6));
    fs::resize_file(src + "/huge", std::uintmax_t { 5 } << 30);
    const ChildRun run = Program({ "export", "--since", "last", "--keep-temp" });
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Backup Incomplete: The archive was written and verified, "));
    EXPECT_THAT(run.err, HasSubstr("\n" + src + "/huge: 4 GiB or larger"));
    EXPECT_THAT(run.err, HasSubstr(std::string("\n") + history::kSeeHistoryLine + "\n"));
    EXPECT_THAT(run.err, HasSubstr("Cleanup Cancelled: Cleanup operation cancelled.  Make "));
    const std::string mirror = temp + paths::RelativePath(src);
    EXPECT_TRUE(fs::exists(mirror + "/same day.txt"));
    EXPECT_FALSE(fs::exists(mirror + "/day before.txt"));
    EXPECT_EQ(Stored(kLastExportCopyStartKey), StoredDateText(LocalTime(2021, 6, 15, 23, 59, 50)))
        << "an incomplete run records nothing";

    const ChildRun listed = Program({ "history" });
    EXPECT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = Lines(listed.out);
    struct Row {
        const char* name;
        const char* pattern; // the run, its start, kind and outcome
    };
    const Row rows[] = {
        { "since last, left a file out",
            "^ +6  [-0-9]+ [:0-9]+  export  incomplete +3 .*/archive/nightly.arj$" },
        { "newer replaced", "^ +5  [-0-9]+ [:0-9]+  import  success +4 " },
        { "newer kept", "^ +4  [-0-9]+ [:0-9]+  import  success +3 " },
        { "import", "^ +3  [-0-9]+ [:0-9]+  import  success .*/archive/nightly.arj$" },
        { "import, no archive", "^ +2  [-0-9]+ [:0-9]+  import  refused " },
        { "first export", "^ +1  [-0-9]+ [:0-9]+  export  success " },
    };
    ASSERT_EQ(lines.size(), std::size(rows) + 1) << listed.out;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_THAT(lines[i + 1], ContainsRegex(rows[i].pattern));
    }

    const ChildRun imported3 = Program({ "history", "3" });
    EXPECT_EQ(imported3.status, 0);
    EXPECT_THAT(imported3.out, HasSubstr("Archive:         " + arc + "nightly.arj\n"));
    EXPECT_THAT(imported3.out, HasSubstr("Archiver status: 0\n"));
    EXPECT_THAT(Program({ "history", "4" }).out,
        HasSubstr("Left out:        1 file\n  " + restored
            + "/Makefile  (newer than the archive's copy, kept)\n"));
    const ChildRun incomplete = Program({ "history", "6" });
    EXPECT_EQ(incomplete.status, 0);
    for (const std::string& line :
        std::vector<std::string> { "Outcome:         incomplete", "Cut-off day:     06-15-2021",
            "Files copied:    3 (13 bytes)", "Volume:          " + arc + "nightly.arj (",
            "Archiver status: 0", "Archived:        3 files",
            "Left out:        1 file\n  " + src + "/huge  (4 GiB or larger",
            "  2021-06-15 09:00:00             3  same day.txt\n" })
        EXPECT_THAT(incomplete.out, HasSubstr("\n" + line)) << incomplete.out;
    // An export records each file by its path below its source.
    const std::string readMe = "docs/read me.txt  \\(5 bytes, modified 2022-05-06 07:08:09\\)\n";
    const ChildRun found = Program({ "history", "--find", "read me" });
    EXPECT_EQ(found.status, 0);
    EXPECT_THAT(found.out,
        ContainsRegex("^[-0-9]+ [:0-9]+  run 6  " + arc + "nightly.arj  " + readMe
            + "[-0-9]+ [:0-9]+  run 1  " + arc + "nightly.arj  " + readMe + "$"));
    EXPECT_EQ(Program({ "history", "--find", "READ ME" }).status, 1);
    EXPECT_EQ(Program({ "history", "7" }).status, 1);
}

TEST_F(CommandLine, OneRunAtATime)
{
    WriteFile(src + "/f.txt", "f\n");
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
        { "ExportArj", "nightly" }, { "SourceDir0", src } });

    // Another process holds the lock: refused, nothing made.
    {
        const auto lock = RunLock::TryTake(configHome + "/vesko-backup/settings.sqlite");
        ASSERT_TRUE(lock);
        const ChildRun refused = Program({ "export" });
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "Export Running: Another export or import is running.\n");
        EXPECT_FALSE(fs::exists(temp));
        EXPECT_THAT(
            Program({ "history" }).out, ContainsRegex("\n +1  [-0-9]+ [:0-9]+  export  refused "));
    }

    // Two runs that do not share a lock (two users, two stores) but one temporary folder,
    // started together: one makes the folder, the other is refused and adopts nothing.
    const std::string other = tmp / "other config";
    {
        ScopedEnv config("XDG_CONFIG_HOME", other);
        SettingsStore store;
        for (const auto& [key, value] : std::map<std::string, std::string> {
                 { "ArcFolder", tmp / "archive2/" }, { "ArjFolder", "/usr/bin/" },
                 { "DestinDir", temp }, { "ExportArj", "nightly" }, { "SourceDir0", src } })
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    }
    const auto run = [&](const std::string& home, const std::string& name) {
        return "(XDG_CONFIG_HOME='" + home + "' '" + VESKO_PROGRAM_PATH
            + "' export --keep-temp >/dev/null 2>" + name + ".err; echo $? >" + name + ")";
    };
    for (int round = 0; round < 5; ++round) {
        fs::remove_all(temp);
        fs::remove_all(arc);
        fs::remove_all(tmp / "archive2");
        Shell("cd '" + tmp.Path() + "' && { " + run(configHome, "a") + " & " + run(other, "b")
            + " & wait; }");
        const std::string a = ReadFile(tmp / "a"), b = ReadFile(tmp / "b");
        EXPECT_TRUE((a == "0\n" && b == "1\n") || (a == "1\n" && b == "0\n")) << a << b;
        EXPECT_THAT(ReadFile(tmp / (a == "1\n" ? "a.err" : "b.err")),
            HasSubstr("Temporary Folder Exists: "));
    }
}

// A run killed in the middle stays unfinished, and the next run is recorded beside it.
TEST_F(CommandLine, KilledRunStaysUnfinished)
{
    WriteFile(src + "/a.txt", "a\n");
    const std::string killer = tmp / "killer/";
    WriteScript(killer + "arj", "kill -9 $PPID");
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", killer }, { "DestinDir", temp },
        { "ExportArj", "nightly" }, { "SourceDir0", src } });
    EXPECT_EQ(Program({ "export" }).status, -1);
    // The killed run's tree is in the way; the next run removes it.
    StoreSettings({ { "ArjFolder", "/usr/bin/" } });
    EXPECT_EQ(Program({ "export" }).status, 0);

    const ChildRun listed = Program({ "history" });
    EXPECT_THAT(listed.out,
        ContainsRegex("\n +2  [-0-9]+ [:0-9]+  export  success .*\n +1  [-0-9]+ [:0-9]+  export  "
                      "unfinished "));
    EXPECT_THAT(Program({ "history", "1" }).out,
        HasSubstr("Ended:           never: killed, or still running\n"));
}

// A failed run leaves its tree; the next one removes it and goes on, with nobody to clean
// up. A tree the person kept is theirs: refused, named, and left alone.
TEST_F(CommandLine, NextRunRecoversFromAFailedOne)
{
    WriteFile(src + "/notes.txt", "notes\n");
    const struct {
        const char* name;
        std::string arjFolder;
        std::vector<std::string> args;
        int status;
        std::string err; // a part of standard error
        bool treeAfter;
    } rows[] = {
        { "archiver missing", tmp / "no arj/", {}, 1, "Archive Error: ", true },
        { "the next run", "/usr/bin/", {}, 0,
            "Removing the temporary folder " + temp + " that an earlier export left", false },
        { "a tree kept", "/usr/bin/", { "--keep-temp" }, 0, "Cleanup Cancelled: ", true },
        { "is the person's", "/usr/bin/", {}, 1,
            "Temporary Folder Exists: The temporary destination folder already exists!  Files "
            "can't be copied to an existing folder.  Rename or delete the folder "
                + temp + " or ",
            true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(arc + "nightly.arj");
        StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", row.arjFolder }, { "DestinDir", temp },
            { "ExportArj", "nightly" }, { "SourceDir0", src } });
        std::vector<std::string> args = { "export", "--since", "01-01-2001" };
        args.insert(args.end(), row.args.begin(), row.args.end());
        const ChildRun run = Program(args);
        EXPECT_EQ(run.status, row.status);
        EXPECT_THAT(run.err, HasSubstr(row.err));
        EXPECT_EQ(fs::exists(arc + "nightly.arj"), row.status == 0);
        EXPECT_EQ(fs::exists(temp), row.treeAfter);
    }
    EXPECT_EQ(ReadFile(temp + paths::RelativePath(src) + "/notes.txt"), "notes\n");
}

// Every refusal that comes before the run: nothing may be written, not even the store.
TEST_F(CommandLine, RefusalsStoreNothing)
{
    const std::string nothingSetUp = "Nothing Set Up: No settings are stored in " + configHome
        + "/vesko-backup/settings.sqlite.  Fill in the folders, the names and the source list "
          "on the Settings tab and press Apply.\n";
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err; // the whole of standard error, or its start for a usage error
    } rows[] = {
        { "unknown option", { "export", "--bogus" }, 2, "vesko-backup: unknown option" },
        { "unknown command", { "restore" }, 2, "vesko-backup: unknown command" },
        { "no such day", { "export", "--since", "13-01-2022" }, 2, "vesko-backup: --since" },
        { "value missing", { "import", "--name" }, 2, "vesko-backup: --name needs a value" },
        { "import's flag on export", { "export", "--replace-newer" }, 2,
            "vesko-backup: unknown option '--replace-newer' for export" },
        { "empty export name", { "export", "--name=" }, 2, "vesko-backup: --name needs a value" },
        { "unknown % in the name", { "export", "--name", "n-%F" }, 2,
            "vesko-backup: --name knows %Y %m %d %H %M and %%, not '%F' in 'n-%F'\n" },
        { "export set up by nobody", { "export", "--since", "last" }, 1, nothingSetUp },
        { "import set up by nobody", { "import", "--name", "x" }, 1, nothingSetUp },
        { "history without a text", { "history", "--find" }, 2, "vesko-backup: --find needs" },
        { "history, an empty text", { "history", "--find=" }, 2, "vesko-backup: --find needs" },
        { "history, two runs", { "history", "1", "2" }, 2, "vesko-backup: history takes one" },
        { "history, no run 0", { "history", "0" }, 2, "vesko-backup: not a run number '0'" },
        { "history, nothing yet", { "history" }, 1,
            "No export or import has been recorded yet.\n" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ChildRun run = Program(row.args);
        EXPECT_EQ(run.status, row.status);
        if (row.status == 2)
            EXPECT_THAT(run.err, AllOf(StartsWith(row.err), HasSubstr("\nUsage: vesko-backup")));
        else
            EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(run.out, "");
    }
    const ChildRun help = Program({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("export [--since MM-DD-YYYY | --since last] [--name NAME]"));
    const ChildRun version = Program({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vesko-backup ") + VESKO_VERSION + "\n");
    EXPECT_FALSE(fs::exists(configHome));
}

// The README's crontab line, as cron runs it: the command after the five time fields, cut at
// the first bare '%' with "\%" turned into '%', given to sh -c in a bare environment. The
// settings name the home folder with '~'; TZ moves the night, east or west of UTC.
TEST_F(CommandLine, ReadmeCrontabLineNamesEachNight)
{
    std::string line;
    {
        std::istringstream readme(ReadFile(VESKO_README_PATH));
        for (std::string l; std::getline(readme, l);)
            if (l.starts_with("    30 2 * * * "))
                line = l.substr(std::string("    30 2 * * * ").size());
    }
    ASSERT_THAT(line, HasSubstr("/usr/local/bin/vesko-backup export"));
    std::string command;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.compare(i, 2, "\\%") == 0)
            command += line[++i];
        else if (line[i] == '%')
            FAIL() << "a bare % ends the command for cron: " << line;
        else
            command += line[i];
    }
    command.replace(command.find("/usr/local/bin/vesko-backup"), 27, VESKO_PROGRAM_PATH);

    const std::string home = tmp / "home";
    configHome = home + "/.config";
    WriteFile(home + "/Documents/notes.txt", "notes\n");
    StoreSettings({ { "ArcFolder", "~/Backups/" }, { "ArjFolder", "/usr/bin/" },
        { "DestinDir", "~/vesko-temp" }, { "ExportArj", "stored" },
        { "SourceDir0", "~/Documents" } });
    const auto cron = [&](const std::string& tz) {
        return RunChild({ "/usr/bin/env", "-i", "HOME=" + home, "LOGNAME=nobody",
            "PATH=/usr/bin:/bin", "SHELL=/bin/sh", "TZ=" + tz, "/bin/sh", "-c", command });
    };
    // The day in a zone hours east of UTC, as the program's %Y-%m-%d should give it.
    const auto night = [](int hoursEast) {
        const auto day = std::chrono::floor<std::chrono::days>(
            std::chrono::system_clock::now() + std::chrono::hours(hoursEast));
        const std::chrono::year_month_day ymd { day };
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
            static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
        return "nightly-" + std::string(text) + ".arj";
    };

    // UTC-14 is 14 hours east, UTC+12 12 hours west: never the same day.
    const struct {
        const char* name;
        const char* tz;
        int hoursEast;
        int status;
        std::vector<int> nights; // the archives there afterwards, by hoursEast
    } rows[] = {
        { "a night", "UTC-14", 14, 0, { 14 } },
        { "the same day again", "UTC-14", 14, 1, { 14 } },
        { "the next day", "UTC+12", -12, 0, { 14, -12 } },
    };
    std::string firstNight;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // --since last: every night takes all from 2001 on, whatever the zone of the last.
        StoreSettings({ { "LastExport", "2001-01-01 00:00:00" },
            { kLastExportCopyStartKey, "2001-01-01 00:00:00" } });
        const std::string expected = night(row.hoursEast);
        const ChildRun run = cron(row.tz);
        if (night(row.hoursEast) != expected)
            GTEST_SKIP() << "the day changed during the run";
        EXPECT_EQ(run.status, row.status) << run.err;
        std::vector<std::string> nights;
        for (int hoursEast : row.nights)
            nights.push_back(night(hoursEast));
        std::sort(nights.begin(), nights.end());
        EXPECT_EQ(ListFilesBelow(home + "/Backups"), nights);
        if (row.status != 0) {
            EXPECT_THAT(run.err,
                AllOf(HasSubstr("Archive Exists: "), HasSubstr(home + "/Backups/" + expected)));
        }
        if (firstNight.empty())
            firstNight = ReadFile(home + "/Backups/" + expected);
        EXPECT_TRUE(ReadFile(home + "/Backups/" + night(14)) == firstNight); // never touched
    }
    EXPECT_FALSE(fs::exists(home + "/vesko-temp"));
    EXPECT_FALSE(fs::exists("~"));

    // A night restored from the Archive folder the settings give as "~/Backups/".
    const ChildRun restored = RunChild({ "/usr/bin/env", "-i", "HOME=" + home, VESKO_PROGRAM_PATH,
        "import", "--name", night(-12).substr(0, night(-12).size() - 4) });
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(ReadFile(home + "/Backups/" + paths::RelativePath(home) + "/vesko-temp/"
                  + paths::RelativePath(home) + "/Documents/notes.txt"),
        "notes\n");
}

} // namespace
} // namespace vesko::test
