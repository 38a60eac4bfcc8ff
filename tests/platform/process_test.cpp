#include "platform/error.h"
#include "platform/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vesko;
using namespace vesko::test;

namespace
{

std::string Script(const TempDir& tmp, const std::string& name, const std::string& body)
{
    const std::string path = tmp / name;
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

// Presses Cancel once the program said it is ready for it.
class CancelWhenReady : public RecordingUi
{
public:
    bool ProgressPoll() override
    {
        RecordingUi::ProgressPoll();
        return !Output().empty() && Output().back() == "ready";
    }
};

} // namespace

TEST(RunProcess, OutputLinesArriveAndSuccessIsReported)
{
    TempDir tmp;
    const std::string program
        = Script(tmp, "ok", "echo one\necho two >&2\nprintf 'three\\r\\n'\nread x || echo eof\n");
    RecordingUi ui;
    const auto before = std::chrono::system_clock::now();
    ProcessOutcome outcome = RunProcess({ program }, ui);
    EXPECT_LE(before, outcome.startedAt);
    EXPECT_LE(outcome.startedAt, std::chrono::system_clock::now());
    EXPECT_TRUE(outcome.Succeeded());
    // Standard error is merged in order; standard input is at its end at once.
    EXPECT_EQ(ui.Output(), (std::vector<std::string> { "one", "two", "three", "eof" }));
    EXPECT_EQ(outcome.lastLines, ui.Output());
}

TEST(RunProcess, FailureKeepsTheExitStatusAndTheLastTenLines)
{
    TempDir tmp;
    const std::string program = Script(tmp, "fails",
        "i=1\nwhile [ $i -le 12 ]; do echo line $i; i=$((i+1)); done\n"
        "printf 'no newline'\nexit 2\n");
    RecordingUi ui;
    ProcessOutcome outcome = RunProcess({ program }, ui);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.termSignal, 0);
    EXPECT_EQ(ui.Output().size(), 13u);
    EXPECT_EQ(Flat(outcome.Describe()),
        "Exit status 2.|line 4|line 5|line 6|line 7|line 8|"
        "line 9|line 10|line 11|line 12|no newline");
}

TEST(RunProcess, ProgramKilledBySignal)
{
    TempDir tmp;
    RecordingUi ui;
    ProcessOutcome outcome = RunProcess({ Script(tmp, "dies", "kill -9 $$\n") }, ui);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.termSignal, SIGKILL);
    EXPECT_EQ(outcome.Describe(), "Stopped by signal 9.");
}

TEST(RunProcess, CancelStopsTheProgram)
{
    TempDir tmp;
    const std::string endless = Script(tmp, "endless", "while :; do sleep 0.02; done\n");
    RecordingUi ui;
    ui.CancelAtPoll(1);
    ProcessOutcome outcome = RunProcess({ endless }, ui);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.Describe(), "Cancelled.");

    // A program that shrugs off the polite request is killed after a grace time.
    const std::string stubborn
        = Script(tmp, "stubborn", "trap '' TERM\necho ready\nwhile :; do sleep 0.02; done\n");
    CancelWhenReady patient;
    outcome = RunProcess({ stubborn }, patient);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.termSignal, SIGKILL);
    EXPECT_EQ(Flat(outcome.Describe()), "Cancelled.|ready");
}

TEST(RunProcess, ArgumentsReachTheProgramUntouched)
{
    TempDir tmp;
    const std::string program
        = Script(tmp, "args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n");
    const std::vector<std::string> args { "with space", "quote\"d", "it's", "$(touch pwned)",
        "; touch pwned", "-r", "", "*.*" };
    std::vector<std::string> argv { program };
    argv.insert(argv.end(), args.begin(), args.end());
    RecordingUi ui;
    ASSERT_TRUE(RunProcess(argv, ui).Succeeded());
    std::vector<std::string> expected;
    for (const std::string& a : args)
        expected.push_back("[" + a + "]");
    EXPECT_EQ(ui.Output(), expected);
    EXPECT_NE(Shell("ls pwned " + tmp / "pwned"), 0);
    EXPECT_EQ(JoinCommandLine({ "/usr/bin/arj", "a", "-y" }), "/usr/bin/arj a -y");
}

TEST(RunProcess, ProgressRedrawnInPlaceGivesOneLine)
{
    TempDir tmp;
    const std::string program = Script(tmp, "progress",
        "printf 'Adding  a.bin     0%%\\b\\b\\b\\b 50%%\\b\\b\\b\\b100%%   \\n'\n"
        "printf 'Step 1\\rStep 2\\n'\n");
    RecordingUi ui;
    RunProcess({ program }, ui);
    EXPECT_EQ(ui.Output(), (std::vector<std::string> { "Adding  a.bin   100%", "Step 2" }));
}

TEST(RunProcess, ProgramThatCannotStartThrowsWithItsPath)
{
    TempDir tmp;
    RecordingUi ui;
    try {
        RunProcess({ tmp / "arj", "a" }, ui);
        FAIL() << "no Error thrown";
    } catch (const Error& e) {
        EXPECT_EQ(
            e.description(), "Cannot start \"" + tmp / "arj" + "\": No such file or directory");
    }
    WriteFile(tmp / "plain", "#!/bin/sh\n");
    ::chmod((tmp / "plain").c_str(), 0644);
    try {
        RunProcess({ tmp / "plain" }, ui);
        FAIL() << "no Error thrown";
    } catch (const Error& e) {
        EXPECT_EQ(e.description(), "Cannot start \"" + tmp / "plain" + "\": Permission denied");
    }
    EXPECT_TRUE(ui.Output().empty());
}
