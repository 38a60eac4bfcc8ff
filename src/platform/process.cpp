#include "platform/process.h"

#include "core/ui_services.h"
#include "platform/error.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vesko {

namespace {

constexpr int kPollMilliseconds = 50;
// The archiver writes its output unbuffered, often a write per field: a reader woken for
// each would cost more than the archiver's own work. Waiting this long after the first
// bytes lets them gather in the pipe and be read at once.
constexpr int kGatherMilliseconds = 5;
constexpr std::size_t kKeptLines = 10;
constexpr std::size_t kLongestLine = 4096;
constexpr auto kGraceAfterTerm = std::chrono::seconds(2);

// Turns the program's output into the lines a terminal would end up showing: the archiver
// redraws its percentages with backspaces and carriage returns, which overwrite the line
// instead of starting new ones.
class LineAssembler {
public:
    template <typename Emit> void Put(char c, Emit& emit)
    {
        if (c == '\n') {
            Flush(emit);
        } else if (c == '\r') {
            cursor_ = 0;
        } else if (c == '\b') {
            if (cursor_ > 0)
                --cursor_;
        } else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
            if (cursor_ < line_.size())
                line_[cursor_] = c;
            else
                line_.push_back(c);
            ++cursor_;
            if (line_.size() >= kLongestLine)
                Flush(emit);
        }
    }

    template <typename Emit> void Flush(Emit& emit)
    {
        std::size_t end = line_.find_last_not_of(" \t");
        if (end != std::string::npos)
            emit(line_.substr(0, end + 1));
        line_.clear();
        cursor_ = 0;
    }

private:
    std::string line_;
    std::size_t cursor_ = 0;
};

// Reads what the pipe holds now; true at its end. 'rounds' bounds the reading so that a
// writer that never stops cannot keep the caller here.
template <typename Emit> bool Drain(int fd, LineAssembler& lines, Emit& emit, int rounds = 1 << 30)
{
    char buffer[65536];
    for (int i = 0; i < rounds; ++i) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            for (ssize_t k = 0; k < n; ++k)
                lines.Put(buffer[k], emit);
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            return errno != EAGAIN && errno != EWOULDBLOCK;
        }
    }
    return false;
}

[[noreturn]] void CannotStart(const std::string& program, int err)
{
    throw Error("Cannot start \"" + program + "\": " + std::strerror(err));
}

class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void Close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// The child's way out when the program cannot be started: why, written to report.
[[noreturn]] void GiveUp(int report, int err)
{
    while (::write(report, &err, sizeof err) < 0 && errno == EINTR) { }
    ::_exit(127);
}

// The child's side, between fork and exec: only calls that are safe in the child of a
// threaded program.
[[noreturn]] void BecomeProgram(
    char* const* args, int outputFd, const ProcessOptions& options, pid_t parent, int report)
{
    // A group of its own, so that whatever it starts in turn is ended with it.
    ::setpgid(0, 0);
    // Killed with the caller, even one killed itself; a caller that died before the request
    // was made has handed the child to another parent already.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        GiveUp(report, ESRCH);
    // The output may have been given a standard number (the caller's were closed): move it
    // out of the way before the standard ones are laid.
    const int out = outputFd > STDERR_FILENO ? outputFd : ::fcntl(outputFd, F_DUPFD_CLOEXEC, 3);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || in < 0)
        GiveUp(report, errno);
    if (in != STDIN_FILENO && (::dup2(in, STDIN_FILENO) < 0 || ::close(in) != 0))
        GiveUp(report, errno);
    if (::dup2(out, STDOUT_FILENO) < 0 || ::dup2(out, STDERR_FILENO) < 0)
        GiveUp(report, errno);
    // The window may block or ignore signals (SIGPIPE); the program starts clean.
    struct sigaction byDefault { };
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (options.umask)
        ::umask(*options.umask);
    if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0)
        GiveUp(report, errno);
    ::execve(args[0], args, environ);
    GiveUp(report, errno);
}

// Starts the program with its output on outputFd; its process id. Error when it could not
// be started, once it is gone again.
pid_t StartProgram(
    const std::vector<std::string>& argv, const ProcessOptions& options, int outputFd)
{
    const std::string& program = argv.front();
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        CannotStart(program, errno);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        BecomeProgram(args.data(), outputFd, options, parent, report[1]);
    const int forkError = errno;
    ::close(report[1]);
    const Descriptor reported(report[0]);
    if (pid < 0)
        CannotStart(program, forkError);
    // Made here as well, so that the group is there before any signal is sent to it; once
    // the child has started the program this fails, as it need not.
    ::setpgid(pid, pid);
    // The report closes when the program starts; a child that gave up wrote why first.
    int err = 0;
    ssize_t n;
    while ((n = ::read(reported.get(), &err, sizeof err)) < 0 && errno == EINTR) { }
    if (n != sizeof err)
        return pid;
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
    CannotStart(program, err);
}

// The started program's process group, ended on every way out: its leader is reaped only
// after the group was killed, so that its number, which names the group, cannot have been
// handed to another process yet.
class ProgramGroup {
public:
    explicit ProgramGroup(pid_t leader)
        : leader_(leader)
    {
    }
    ~ProgramGroup()
    {
        if (!ended_)
            End();
    }
    ProgramGroup(const ProgramGroup&) = delete;
    ProgramGroup& operator=(const ProgramGroup&) = delete;

    void Signal(int sig) const { ::kill(-leader_, sig); }
    // Whether the program has ended (it waits to be reaped), or was reaped elsewhere.
    bool LeaderEnded() const
    {
        siginfo_t info {};
        if (::waitid(P_PID, leader_, &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == leader_;
        return errno == ECHILD;
    }
    // Kills what is left of the group and reaps the program: its wait status.
    int End()
    {
        ended_ = true;
        // A program reaped elsewhere leaves its number to whatever of the group lives on;
        // numbers are handed out in turn, so it is no stranger's this soon either.
        Signal(SIGKILL);
        int status = 0;
        while (::waitpid(leader_, &status, 0) < 0) {
            if (errno != EINTR)
                return 0xff00; // reaped elsewhere: unknown, taken as a failure
        }
        return status;
    }

private:
    pid_t leader_;
    bool ended_ = false;
};

// Passes the program's output lines to the window as they come and keeps the last ones,
// until the program ends; stops it when the person cancels. Its wait status.
int Watch(ProgramGroup& group, int readFd, UiServices& ui, ProcessOutcome& outcome)
{
    std::deque<std::string> last;
    auto emit = [&](const std::string& line) {
        ui.ProgressOutput(line);
        last.push_back(line);
        if (last.size() > kKeptLines)
            last.pop_front();
    };
    LineAssembler lines;
    bool eof = false;
    bool killed = false;
    std::chrono::steady_clock::time_point killAt;
    for (;;) {
        if (!eof) {
            pollfd p { readFd, POLLIN, 0 };
            if (::poll(&p, 1, kPollMilliseconds) > 0)
                ::poll(nullptr, 0, kGatherMilliseconds);
            eof = Drain(readFd, lines, emit);
        } else {
            // The program closed its output: wait for its end.
            ::poll(nullptr, 0, 10);
        }
        if (group.LeaderEnded()) {
            // Whatever it wrote before it ended is in the pipe now. A child of its own may
            // still hold the pipe open, so read what is there and stop.
            if (!eof)
                Drain(readFd, lines, emit, 64);
            break;
        }
        if (!outcome.cancelled) {
            if (ui.ProgressPoll()) {
                outcome.cancelled = true;
                group.Signal(SIGTERM);
                killAt = std::chrono::steady_clock::now() + kGraceAfterTerm;
            }
        } else if (!killed && std::chrono::steady_clock::now() >= killAt) {
            group.Signal(SIGKILL);
            killed = true;
        }
    }
    const int status = group.End();
    lines.Flush(emit);
    outcome.lastLines.assign(last.begin(), last.end());
    return status;
}

} // namespace

std::string ProcessOutcome::Describe() const
{
    std::string text;
    if (cancelled)
        text = "Cancelled.";
    else if (termSignal != 0)
        text = "Stopped by signal " + std::to_string(termSignal) + ".";
    else
        text = "Exit status " + std::to_string(exitStatus) + ".";
    for (const std::string& line : lastLines)
        text += CR + line;
    return text;
}

ProcessOutcome RunProcess(
    const std::vector<std::string>& argv, UiServices& ui, const ProcessOptions& options)
{
    if (argv.empty() || argv.front().empty())
        CannotStart("", ENOENT);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        CannotStart(argv.front(), errno);
    const Descriptor output(fds[0]);
    Descriptor input(fds[1]);

    ProcessOutcome outcome;
    outcome.startedAt = std::chrono::system_clock::now();
    ProgramGroup group(StartProgram(argv, options, input.get()));
    input.Close();
    ::fcntl(output.get(), F_SETFL, O_NONBLOCK);

    const int status = Watch(group, output.get(), ui, outcome);
    if (WIFSIGNALED(status))
        outcome.termSignal = WTERMSIG(status);
    else if (WIFEXITED(status))
        outcome.exitStatus = WEXITSTATUS(status);
    return outcome;
}

std::string JoinCommandLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const std::string& arg : argv) {
        if (!line.empty())
            line += ' ';
        line += arg;
    }
    return line;
}

} // namespace vesko
