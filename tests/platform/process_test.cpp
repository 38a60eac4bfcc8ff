#include "platform/process.h"
#include "support/probes.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vesko;
using namespace vesko::test;
using Strings = std::vector<std::string>;

namespace {

std::string Script(
    const TempDir& tmp, const std::string& name, const std::string& body, mode_t mode = 0755)
{
    WriteFile(tmp / name, "#!/bin/sh\n" + body);
    ::chmod((tmp / name).c_str(), mode);
    return tmp / name;
}

// Presses Cancel once the program said it is ready for it.
class CancelWhenReady : public RecordingUi {
public:
    bool ProgressPoll() override
    {
        RecordingUi::ProgressPoll();
        return !Output().empty() && Output().back() == "ready";
    }
};

} // namespace

TEST(RunProcess, OutputArrivesLineByLineAndArgumentsUntouched)
{
    TempDir tmp;
    const std::string program = Script(tmp, "ok",
        "echo one\necho two >&2\nprintf 'three\\r\\n'\n"
        "printf 'Adding  a.bin     0%%\\b\\b\\b\\b 50%%\\b\\b\\b\\b100%%   \\n'\n"
        "printf 'Step 1\\rStep 2\\n'\n"
        "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\nread x || echo eof\n");
    const Strings args { "with space", "quote\"d", "it's", "$(touch pwned)", "; touch pwned", "-r",
        "", "*.*" };
    Strings argv { program };
    argv.insert(argv.end(), args.begin(), args.end());
    RecordingUi ui;
    const ProcessOutcome outcome = RunProcess(argv, ui);
    EXPECT_TRUE(outcome.Succeeded());
    // Standard error is merged in order, a line redrawn in place gives one line, and standard
    // input is at its end at once.
    Strings expected { "one", "two", "three", "Adding  a.bin   100%", "Step 2" };
    for (const std::string& a : args)
        expected.push_back("[" + a + "]");
    expected.push_back("eof");
    EXPECT_EQ(ui.Output(), expected);
    EXPECT_FALSE(Exists("pwned") || Exists(tmp / "pwned"));
}

TEST(RunProcess, FailureKeepsTheExitStatusOrSignalAndTheLastTenLines)
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

    outcome = RunProcess({ Script(tmp, "dies", "kill -9 $$\n") }, ui);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.termSignal, SIGKILL);
    EXPECT_EQ(outcome.Describe(), "Stopped by signal 9.");
}

TEST(RunProcess, CancelStopsTheProgram)
{
    TempDir tmp;
    RecordingUi ui;
    ui.CancelAtPoll(1);
    ProcessOutcome outcome
        = RunProcess({ Script(tmp, "endless", "while :; do sleep 0.02; done\n") }, ui);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.Describe(), "Cancelled.");

    // A program that shrugs off the polite request is killed after a grace time.
    CancelWhenReady patient;
    outcome = RunProcess(
        { Script(tmp, "stubborn", "trap '' TERM\necho ready\nwhile :; do sleep 0.02; done\n") },
        patient);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.termSignal, SIGKILL);
    EXPECT_EQ(Flat(outcome.Describe()), "Cancelled.|ready");
}

TEST(RunProcess, ProgramThatCannotStartThrowsWithItsPath)
{
    TempDir tmp;
    RecordingUi ui;
    EXPECT_EQ(ErrorOf([&] {
        RunProcess({ tmp / "arj", "a" }, ui);
    }),
        "Cannot start \"" + tmp / "arj" + "\": No such file or directory");
    const std::string plain = Script(tmp, "plain", "", 0644);
    EXPECT_EQ(ErrorOf([&] { RunProcess({ plain }, ui); }),
        "Cannot start \"" + plain + "\": Permission denied");
    EXPECT_TRUE(ui.Output().empty());
}
