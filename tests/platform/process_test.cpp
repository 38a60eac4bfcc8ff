#include "platform/process.h"
#include "support/made_files.h"
#include "support/probes.h"
#include "support/recording_ui.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace vesko;
using namespace vesko::test;
using Strings = std::vector<std::string>;

namespace {

// Presses Cancel at the first look ('x'), or once the program said it is ready for it
// ('w'); or the window fails when the program says so ('f').
class Person : public RecordingUi {
public:
    char how = '-';
    bool ProgressPoll() override
    {
        RecordingUi::ProgressPoll();
        return how == 'x' || (how == 'w' && !Output().empty() && Output().back() == "ready");
    }
    void ProgressOutput(const std::string& line) override
    {
        RecordingUi::ProgressOutput(line);
        if (how == 'f' && line == "ready")
            throw std::runtime_error("the window failed");
    }
};

// The process id a program wrote to the file, once it has; 0 when it has not in 5 s.
pid_t PidIn(const std::string& file)
{
    for (int i = 0; i < 500; ++i, ::poll(nullptr, 0, 10))
        if (const std::string text = Exists(file) ? ReadFile(file) : ""; text.ends_with('\n'))
            return std::stoi(text);
    return 0;
}

// How a process that this one adopted ended, if it did within a second.
std::string EndOfAdopted(pid_t pid)
{
    int status = 0;
    for (int i = 0; i < 100; ++i, ::poll(nullptr, 0, 10))
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFSIGNALED(status) ? "killed by " + std::to_string(WTERMSIG(status)) : "exited";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return "still running after a second";
}

} // namespace

TEST(RunProcess, OutputLinesOutcomeCancelAndPrograms)
{
    // The caller's standard input holds text. how: '-' plainly; 'c' the caller's standard
    // input closed; 's' the caller ignores and blocks signals; 'r' it lets
    // the kernel reap its children; 'x' Cancel at once; 'w' Cancel once the
    // program is ready.
    const struct {
        const char* name;
        char how;
        const char* script;
        Strings lines;
        const char* outcome; // the first line of Describe(), and the signal
    } rows[] = {
        { "lines as a terminal shows them, arguments untouched", '-',
            "echo one; printf 'ab\\b\\bX\\n'; echo two >&2; printf 'three\\r\\n   \\n'\n"
            "printf 'Add  a  0%%\\b\\b\\b\\b 50%%\\b\\b\\b\\b100%%  \\nStep 1\\rStep 2\\n'\n"
            "printf '\\b\\babc\\nc\\a\\td\\n'; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"
            "read x || echo eof",
            { "one", "Xb", "two", "three", "Add  a100%", "Step 2", "abc", "c\td", "[with space]",
                "[quote\"d]", "[$(touch pwned)]", "[-r]", "[]", "[*.*]", "eof" },
            "Exit status 0. signal 0 ok" },
        { "exit status, the last ten lines, a long line cut", '-',
            "for i in $(seq 9); do echo line $i; done; head -c 5000 /dev/zero | tr '\\0' x; exit 2",
            { "line 1", "line 2", "line 3", "line 4", "line 5", "line 6", "line 7", "line 8",
                "line 9", std::string(4096, 'x'), std::string(904, 'x') },
            "Exit status 2. signal 0" },
        { "killed by a signal", '-', "echo bye; kill -9 $$", { "bye" },
            "Stopped by signal 9. signal 9" },
        { "the caller's standard input closed", 'c',
            "printf 'a\\rb\\bc\\nd\\n'; read x || echo eof", { "c", "d", "eof" },
            "Exit status 0. signal 0 ok" },
        { "starts with no standard signal blocked or ignored", 's',
            "grep -E '^Sig(Blk|Ign)' /proc/$$/status | cut -c 1-7,18-",
            { "SigBlk:0000000", "SigIgn:0000000" }, "Exit status 0. signal 0 ok" },
        { "reaped by someone else: a failure", 'r', "echo gone", { "gone" },
            "Exit status 255. signal 0" },
        { "Cancel stops it", 'x', "while :; do sleep 0.02; done", {}, "Cancelled. signal 15" },
        { "Cancel gives a program the time to end by itself", 'w',
            "exec 2>/dev/null; trap 'sleep 0.2; exit 5' TERM; echo ready; while :; do sleep 0.05; "
            "done",
            { "ready" }, "Cancelled. signal 0" },
        { "Cancel kills a program that ignores it", 'w',
            "trap '' TERM; sleep 0.1; echo ready; for i in $(seq 100); do sleep 0.05; done",
            { "ready" }, "Cancelled. signal 9" },
    };
    TempDir tmp;
    const auto descriptors = OpenDescriptors();
    WriteFile(tmp / "typed", "typed\n");
    WriteFile(tmp / "plain", "#!/bin/sh\n");
    const int savedIn = ::dup(0), typed = ::open((tmp / "typed").c_str(), O_RDONLY);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteScript(tmp / "program", row.script);
        ::dup2(typed, 0);
        if (row.how == 'c')
            ::close(0);
        ::sigprocmask(row.how == 's' ? SIG_BLOCK : SIG_UNBLOCK, &usr1, nullptr);
        ::signal(SIGINT, row.how == 's' ? SIG_IGN : SIG_DFL);
        ::signal(SIGCHLD, row.how == 'r' ? SIG_IGN : SIG_DFL);
        Person ui;
        ui.how = row.how;
        const ProcessOutcome outcome = RunProcess(
            { tmp / "program", "with space", "quote\"d", "$(touch pwned)", "-r", "", "*.*" }, ui);
        const std::string describe = Flat(outcome.Describe());
        EXPECT_EQ(describe.substr(0, describe.find('|')) + " signal "
                + std::to_string(outcome.termSignal) + (outcome.Succeeded() ? " ok" : ""),
            row.outcome);
        EXPECT_EQ(ui.Output(), row.lines);
        EXPECT_EQ(outcome.lastLines,
            Strings(row.lines.end() - std::min<std::ptrdiff_t>(10, std::ssize(row.lines)),
                row.lines.end()));
    }
    ::dup2(savedIn, 0);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGCHLD, SIG_DFL);
    Person idle;
    for (const auto& [program, reason] :
        { std::pair<std::string, std::string> { tmp / "arj", "No such file or directory" },
            { tmp / "plain", "Permission denied" }, { "", "No such file or directory" } })
        EXPECT_EQ(ErrorOf([&] {
            RunProcess({ program, "a" }, idle);
        }),
            "Cannot start \"" + program + "\": " + reason);
    ::close(savedIn);
    ::close(typed);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_FALSE(Exists("pwned") || Exists(tmp / "pwned"));
}

// A sleep the program leaves behind must be gone within a second of every way out: adopted
// by this test when its parent goes, it is waited for here. (A caller killed outright is the
// export road KilledWhileArchiving's.)
TEST(RunProcess, NothingItStartedOutlivesIt)
{
    const struct {
        const char* name;
        char how; // as for Person
        const char* script;
        const char* end;
    } rows[] = {
        { "the program ended: what it started is ended", '-', "sleep 30 & echo $! >\"$1\"",
            "killed by 9" },
        { "Cancel: the whole group is stopped", 'w', "sleep 30 & echo $! >\"$1\"; echo ready; wait",
            "killed by 15" },
        { "the window failed: the group is ended", 'f',
            "sleep 30 & echo $! >\"$1\"; echo ready; wait", "killed by 9" },
    };
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const TempDir tmp;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteScript(tmp / "program", row.script);
        const std::string pidFile = tmp / row.name;
        Person ui;
        ui.how = row.how;
        ErrorOf([&] { RunProcess({ tmp / "program", pidFile }, ui); });
        const pid_t sleep = PidIn(pidFile);
        ASSERT_GT(sleep, 0);
        EXPECT_EQ(EndOfAdopted(sleep), row.end);
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}
