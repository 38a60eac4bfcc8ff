// The nightly schedule below a temporary XDG_CONFIG_HOME: its unit files as systemd's own
// checker reads them, its crontab line as cron and the shell run it. Where no systemd user
// instance answers, as in a container, the schedule for real is left untried.
#include "cli/name_pattern.h"
#include "schedule/nightly_schedule.h"
#include "schedule/systemctl.h"
#include "support/made_files.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <regex>

namespace vesko::test {
namespace {

using namespace vesko::schedule;

const struct Row {
    const char* name;
    const char* time;
    const char* exportName;
    const char* programFolder;
    bool checkAfter = false; // the archive checked after the night
} kRows[] = {
    { "a plain name", "02:30", "Nightly", "bin" },
    { "spaces and a percent sign", "23:05", "Photos 100% safe", "my programs" },
    { "quotes, a backslash and a dollar sign, checked after", "00:00", "Ann's \"best\" \\ $HOME",
        "bin", true },
    { "a backslash before a percent sign, checked after", "07:09", "C:\\%TEMP%", "50% $off", true },
};

// The words as systemd expands them when it runs the line: in the arguments (not the
// program's path) "$$" is one '$', and any other '$' begins a variable, whose value would
// stand in the name's place.
std::string Expanded(const std::string& words)
{
    std::string out = words.substr(0, words.find(']'));
    for (std::size_t i = out.size(); i < words.size(); ++i)
        if (words[i] != '$')
            out += words[i];
        else if (i + 1 < words.size() && words[i + 1] == '$')
            out += words[i++];
        else
            out += "<a variable>";
    return out;
}

// The words a program was called with, given one "[word]" a line, on one line, the
// pattern after --name expanded as the export does on 9 December 2024.
std::string CalledWith(const std::string& lines)
{
    const std::string words = std::regex_replace(lines, std::regex("\n"), "");
    std::smatch pattern;
    std::string name, error;
    if (!std::regex_search(words, pattern, std::regex("--name\\]\\[(.*)\\]$")))
        return words;
    cli::ExpandNamePattern(pattern.str(1), LocalTime(2024, 12, 9), name, error);
    return words.substr(0, pattern.position(1)) + name + error + "]";
}

// A setting of one unit in the checker's account of the units it read.
std::string Shown(const std::string& dump, const std::string& unit, const std::string& setting)
{
    const std::size_t start = dump.find("-> Unit " + unit + ":");
    const std::string part = dump.substr(std::min(start, dump.size()),
        dump.find("-> Unit ", start + 1) - std::min(start, dump.size()));
    std::smatch value;
    return std::regex_search(part, value, std::regex(setting + ": (.*)")) ? value.str(1) : "";
}

// What cron hands the shell: "\%" becomes '%', a backslash before anything else stays with
// it, and a '%' alone would end the command.
std::string CronCommand(const std::string& line)
{
    std::string command;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            command += line[++i] == '%' ? std::string("%") : line.substr(i - 1, 2);
        else
            command += line[i] == '%' ? "false a bare %" : std::string(1, line[i]);
    }
    return command;
}

// A temporary configuration, state and runtime folder; the empty runtime folder and no
// session bus keep any systemd user instance of the machine out of reach.
class NightlySchedule : public ::testing::Test {
protected:
    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    ScopedEnv state { "XDG_STATE_HOME", tmp / "state" };
    ScopedEnv runtime { "XDG_RUNTIME_DIR", tmp / "run" };
    ScopedEnv bus { "DBUS_SESSION_BUS_ADDRESS", "" };
    const std::string service = tmp / "config/systemd/user/vesko-backup-export.service";
    const std::string timer = tmp / "config/systemd/user/vesko-backup-export.timer";

    void SetUp() override
    {
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        MakeDirs(tmp / "run");
    }
    // A program that lists how it was called, and what it is to be called with.
    std::pair<std::string, std::string> Program(const Row& row)
    {
        const std::string path = tmp / row.programFolder + "/vesko-backup";
        WriteScript(path, "printf '[%s]\\n' \"$0\" \"$@\"");
        return { path,
            "[" + path + "][export][--since][last]" + (row.checkAfter ? "[--check-after]" : "")
                + "[--name][" + row.exportName + "-2024-12-09]" };
    }
};

} // namespace

TEST_F(NightlySchedule, UnitFilesPassSystemdsCheckAndCallTheExport)
{
    if (Shell("command -v systemd-analyze") != 0)
        GTEST_SKIP() << "systemd-analyze is not installed (Debian package systemd)";
    const std::string verify = "systemd-analyze --user verify '" + service + "' '" + timer + "'";
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const auto [program, expected] = Program(row);
        WriteUnitFiles(row.time, row.exportName, program, row.checkAfter);
        std::string verified, dump, words;
        EXPECT_EQ(Shell(verify, &verified), 0);
        EXPECT_EQ(verified, "");
        // At debug level the checker tells each unit as it read it on its standard output,
        // ExecStart quoted for a shell, before the expansion of variables that makes "$$"
        // one '$'.
        Shell("{ SYSTEMD_LOG_LEVEL=debug " + verify + " 2>/dev/null; }", &dump);
        Shell("printf '[%s]\\n' " + Shown(dump, kServiceUnit, "Command Line"), &words);
        EXPECT_EQ(CalledWith(Expanded(words)), expected);
        EXPECT_EQ(Shown(dump, kTimerUnit, "OnCalendar"), std::string("*-*-* ") + row.time + ":00");
        const ScheduleStatus status = Status();
        EXPECT_EQ(std::tie(status.reachable, status.on, status.time),
            std::make_tuple(false, true, std::string(row.time)));
        Disable();
        EXPECT_FALSE(Exists(service) || Exists(timer) || Status().on);
    }
}

TEST_F(NightlySchedule, WithoutAUserInstanceEnableWritesNothingAndGivesTheCrontabLine)
{
    ASSERT_FALSE(UserInstanceReachable());
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const auto [program, expected] = Program(row);
        const EnableOutcome outcome = Enable(row.time, row.exportName, program, row.checkAfter);
        EXPECT_FALSE(outcome.scheduled || Exists(tmp / "config"));
        std::smatch lines;
        ASSERT_TRUE(std::regex_search(outcome.fallback, lines,
            std::regex("every night at ([0-9:]+) [\\s\\S]*\n    (mkdir -p [^\n]*)\n"
                       "[\\s\\S]*\n    ([0-9]+) ([0-9]+) \\* \\* \\* ([^\n]*)\n$")));
        EXPECT_EQ(lines.str(1) + " " + lines.str(4) + ":" + lines.str(3),
            std::string(row.time) + " " + std::to_string(std::stoi(row.time)) + ":"
                + std::to_string(std::stoi(row.time + 3)));
        EXPECT_EQ(Shell(lines.str(2)) + Shell(CronCommand(lines.str(5))), 0);
        EXPECT_EQ(CalledWith(ReadFile(tmp / "state/vesko-backup/nightly.log")), expected);
        std::remove((tmp / "state/vesko-backup/nightly.log").c_str());
    }
}

// Without an absolute XDG_CONFIG_HOME, unset or relative, the files go below the home folder.
TEST_F(NightlySchedule, UnitFilesGoBelowTheHomeFolderWithoutAnAbsoluteConfigFolder)
{
    const ScopedEnv home("HOME", tmp / "home");
    for (const char* config : { "", "relative/config" }) {
        SCOPED_TRACE(config);
        if (*config)
            ::setenv("XDG_CONFIG_HOME", config, 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        WriteUnitFiles("02:30", "N", Program(kRows[0]).first);
        EXPECT_TRUE(Exists(tmp / "home/.config/systemd/user/vesko-backup-export.timer"));
        Disable();
    }
}

TEST_F(NightlySchedule, RefusesBadValuesAndAnothersFiles)
{
    const std::string program = Program(kRows[0]).first;
    const std::string notOurs = " was not written by Vesko Backup, so it is left as it is. Move "
                                "it away first to let Vesko Backup schedule the nightly export.";
    const struct {
        const char* name;
        const char* foreign; // a file of that name, not the program's, made first
        const char* time; // Enable at that time, WriteUnitFiles when foreign, else Disable
        const char* exportName;
        std::string error;
    } rows[] = {
        { "a time past 23:59", "", "24:00", "N",
            "\"24:00\" is not a time of day as HH:MM, 00:00 to 23:59." },
        { "a line break in the name", "", "02:30", "a\nb",
            "The Export Name cannot hold a line break or another control character: a\nb" },
        { "another's timer, on writing", "timer", "02:30", "N", "The file " + timer + notOurs },
        { "another's service, on turning off", "service", "", "", "The file " + service + notOurs },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string foreign = tmp / "config/systemd/user/vesko-backup-export." + row.foreign;
        if (*row.foreign)
            WriteFile(foreign, "[Unit]\n");
        EXPECT_EQ(ErrorOf([&] {
            if (!*row.time)
                Disable();
            else if (*row.foreign)
                WriteUnitFiles(row.time, row.exportName, program);
            else
                Enable(row.time, row.exportName, program);
        }),
            row.error);
        EXPECT_EQ(Exists(service) + Exists(timer), *row.foreign ? 1 : 0);
        EXPECT_EQ(*row.foreign ? ReadFile(foreign) : "", *row.foreign ? "[Unit]\n" : "");
        std::remove(foreign.c_str());
    }
}

// The session's own user instance, where there is one: the files go to the folder it
// reads, so a schedule the person set up there is left alone.
TEST(NightlyScheduleForReal, EnableStatusDisable)
{
    if (!UserInstanceReachable())
        GTEST_SKIP() << "no systemd user instance answers here (as in a container), so the "
                        "timer cannot be enabled for real";
    if (Exists(UnitFolder() + "/" + kServiceUnit) || Exists(UnitFolder() + "/" + kTimerUnit))
        GTEST_SKIP() << "a nightly schedule is set up in " << UnitFolder() << "; left alone";
    EXPECT_TRUE(Enable("03:17", "Vesko test", "/bin/true").scheduled);
    const ScheduleStatus on = Status();
    EXPECT_EQ(std::tie(on.reachable, on.on, on.time), std::make_tuple(true, true, "03:17"));
    EXPECT_NE(on.nextRun.find("03:17:00"), std::string::npos) << on.nextRun;
    Disable();
    EXPECT_FALSE(Status().on || Exists(UnitFolder() + "/" + kTimerUnit));
}

} // namespace vesko::test
