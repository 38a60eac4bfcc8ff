#include "platform/process.h"

#include "core/ui_services.h"
#include "platform/error.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
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

class SpawnSetup {
public:
    explicit SpawnSetup(int outputFd)
    {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions_, outputFd, STDERR_FILENO);
        // The window may block or ignore signals (SIGPIPE); the program starts clean.
        posix_spawnattr_init(&attr_);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setsigdefault(&attr_, &all);
        posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attr() const { return &attr_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
};

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
    const std::string& program = argv.front();

    // Output that is collected goes into a file in memory instead of a pipe: the archiver
    // writes a listing a field at a time, and a pipe would wake this process for each.
    int fds[2];
    if (options.output) {
        fds[0] = ::memfd_create("vesko-output", MFD_CLOEXEC);
        fds[1] = fds[0] < 0 ? -1 : ::fcntl(fds[0], F_DUPFD_CLOEXEC, 0);
        if (fds[1] < 0) {
            const int err = errno;
            if (fds[0] >= 0)
                ::close(fds[0]);
            CannotStart(program, err);
        }
    } else if (::pipe2(fds, O_CLOEXEC) != 0) {
        CannotStart(program, errno);
    }
    const int readFd = fds[0];

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    ProcessOutcome outcome;
    pid_t pid = -1;
    int spawnError;
    {
        SpawnSetup setup(fds[1]);
        outcome.startedAt = std::chrono::system_clock::now();
        // The spawn has no mask of its own to give: the caller's is lent for the moment of
        // the spawn, which the child inherits.
        const mode_t callerMask = options.umask ? ::umask(*options.umask) : 0;
        // glibc reports a failed exec (missing file, not executable) as the result.
        spawnError = ::posix_spawn(
            &pid, program.c_str(), setup.actions(), setup.attr(), args.data(), environ);
        if (options.umask)
            ::umask(callerMask);
    }
    ::close(fds[1]);
    if (spawnError != 0) {
        ::close(readFd);
        CannotStart(program, spawnError);
    }
    ::fcntl(readFd, F_SETFL, O_NONBLOCK);

    std::deque<std::string> last;
    auto emit = [&](const std::string& line) {
        if (!options.output)
            ui.ProgressOutput(line);
        last.push_back(line);
        if (last.size() > kKeptLines)
            last.pop_front();
    };
    LineAssembler lines;
    bool eof = options.output != nullptr; // read once the program has ended
    bool killed = false;
    int status = 0;
    std::chrono::steady_clock::time_point killAt;

    try {
        for (;;) {
            if (!eof) {
                pollfd p { readFd, POLLIN, 0 };
                if (::poll(&p, 1, kPollMilliseconds) > 0)
                    ::poll(nullptr, 0, kGatherMilliseconds);
                eof = Drain(readFd, lines, emit);
            } else {
                // The program closed its output, or writes it to memory: wait for its end.
                ::poll(nullptr, 0, 10);
            }

            const pid_t w = ::waitpid(pid, &status, WNOHANG);
            if (w == pid || (w < 0 && errno == ECHILD)) {
                // Whatever it wrote before it ended is in the pipe now. A child of its own
                // may still hold the pipe open, so read what is there and stop.
                if (!eof)
                    Drain(readFd, lines, emit, 64);
                if (w < 0)
                    status = 0xff00; // reaped elsewhere: unknown, taken as a failure
                break;
            }

            if (!outcome.cancelled) {
                if (ui.ProgressPoll()) {
                    outcome.cancelled = true;
                    ::kill(pid, SIGTERM);
                    killAt = std::chrono::steady_clock::now() + kGraceAfterTerm;
                }
            } else if (!killed && std::chrono::steady_clock::now() >= killAt) {
                ::kill(pid, SIGKILL);
                killed = true;
            }
        }
    } catch (...) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        ::close(readFd);
        throw;
    }
    if (options.output) {
        char buffer[65536];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(readFd, buffer, sizeof buffer, at);
            if (n <= 0)
                break;
            options.output->append(buffer, static_cast<std::size_t>(n));
            for (ssize_t k = 0; k < n; ++k)
                lines.Put(buffer[k], emit);
            at += n;
        }
    }
    ::close(readFd);
    lines.Flush(emit);

    if (WIFSIGNALED(status))
        outcome.termSignal = WTERMSIG(status);
    else if (WIFEXITED(status))
        outcome.exitStatus = WEXITSTATUS(status);
    outcome.lastLines.assign(last.begin(), last.end());
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
