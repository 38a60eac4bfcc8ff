#include "schedule/systemctl.h"

#include "core/silent_ui.h"
#include "platform/error.h"
#include "platform/process.h"

#include <chrono>
#include <QStandardPaths>
#include <set>

namespace vesko::schedule {

namespace {

// Nobody watches systemctl run: its output lines are collected, and it is stopped once it has
// taken longer than a manager that answers ever takes.
class UnattendedUi : public SilentUi {
public:
    explicit UnattendedUi(std::string& output)
        : output_(output)
    {
    }

    // systemctl's answers are plain lines of names and values.
    void ProgressOutput(const std::string& line) override { output_ += line + '\n'; }
    bool ProgressPoll() override { return std::chrono::steady_clock::now() > giveUpAt_; }

private:
    std::string& output_;
    std::chrono::steady_clock::time_point giveUpAt_
        = std::chrono::steady_clock::now() + std::chrono::seconds(10);
};

} // namespace

SystemctlOutcome RunSystemctl(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv
        = { QStandardPaths::findExecutable(QStringLiteral("systemctl")).toStdString(), "--user" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SystemctlOutcome outcome;
    try {
        UnattendedUi ui(outcome.output);
        const ProcessOutcome run = RunProcess(argv, ui);
        outcome.succeeded = run.Succeeded();
        outcome.failure = "systemctl --user " + JoinCommandLine(arguments) + ": " + run.Describe();
    } catch (const Error& e) {
        outcome.failure = e.description();
    }
    return outcome;
}

bool UserInstanceReachable()
{
    // Any state but "offline" (or no answer) means a manager answered; "degraded" only says
    // that some unit of the person's failed.
    static const std::set<std::string> answers
        = { "initializing", "starting", "running", "degraded", "maintenance", "stopping" };
    return answers.count(RunSystemctl({ "is-system-running" }).FirstLine()) != 0;
}

} // namespace vesko::schedule
