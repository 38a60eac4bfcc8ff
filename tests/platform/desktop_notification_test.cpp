// Desktop notices sent through a real D-Bus daemon of the test's own, to a recording
// notification service in a process of its own.
#include "platform/desktop_notification.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vesko::test {
namespace {

using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;

// A program left running, its output going to a file; killed when the object goes.
class Background {
public:
    Background(std::vector<std::string> argv, const std::string& output)
    {
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT, 0600);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Background() { Kill(); }
    void Stop() const { ::kill(pid_, SIGSTOP); }
    void Kill()
    {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0)
            ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// The file's whole lines once there are at least 'count', or after five seconds.
Strings Lines(const std::string& file, std::size_t count)
{
    Strings lines;
    for (const auto end = Clock::now() + std::chrono::seconds(5);;) {
        const std::string text = Exists(file) ? ReadFile(file) : "";
        std::istringstream whole(text.substr(0, text.rfind('\n') + 1));
        lines.clear();
        for (std::string line; std::getline(whole, line);)
            lines.push_back(line);
        if (lines.size() >= count || Clock::now() > end)
            return lines;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void SetOrUnset(const char* name, const std::string& value)
{
    value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
}

} // namespace

TEST(DesktopNotice, ReplacesTheLastOneAndGivesUpQuietly)
{
    std::string daemon;
    if (Shell("command -v dbus-daemon", &daemon) != 0)
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
    TempDir tmp;
    MakeDirs(tmp / "run");
    MakeDirs(tmp / "empty");
    // A bus of the test's own that starts no service when asked for one, whatever the
    // machine has installed: the service is the recorder or nobody.
    WriteFile(tmp / "bus.conf",
        "<busconfig><type>session</type><listen>unix:path=" + tmp / "run/bus"
            + "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
              "<allow receive_sender=\"*\"/>"
              "<allow own=\"*\"/></policy></busconfig>");
    Background bus({ daemon.substr(0, daemon.find('\n')), "--config-file=" + tmp / "bus.conf",
                       "--print-address", "--nofork" },
        tmp / "address");
    const Strings address = Lines(tmp / "address", 1);
    ASSERT_EQ(address.size(), 1u) << "the bus did not start";
    ScopedEnv busAddress("DBUS_SESSION_BUS_ADDRESS", address[0]);
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp / "run");
    Background service({ VESKO_NOTIFICATION_RECORDER, tmp / "calls" }, "/dev/null");
    ASSERT_EQ(Lines(tmp / "calls", 1), Strings { "ready" });

    // address: 'b' the bus, 'n' a socket path where nothing listens, '-' none; runtime: 'r'
    // the folder holding the bus, 'e' one without a bus, '-' none; service: '+' answering,
    // 'z' stopped, '-' gone.
    const struct {
        const char* name;
        char address, runtime, service;
        NoticeUrgency urgency;
        NoticeDelivery delivery;
        const char* call; // the service's record of it, "" for none
        double seconds; // the longest it may take
    } rows[] = {
        { "a failure, with nothing to replace", 'b', 'r', '+', NoticeUrgency::Critical,
            NoticeDelivery::Sent, "Vesko Backup|0|vesko-backup|S|B — ü|0|1|uchar 2|-1", 1 },
        { "the next notice replaces it", 'b', 'r', '+', NoticeUrgency::Normal, NoticeDelivery::Sent,
            "Vesko Backup|41|vesko-backup|S|B — ü|0|1|uchar 1|-1", 1 },
        { "the runtime folder's bus when no address is given", '-', 'r', '+',
            NoticeUrgency::Critical, NoticeDelivery::Sent,
            "Vesko Backup|42|vesko-backup|S|B — ü|0|1|uchar 2|-1", 1 },
        { "no runtime folder: a new notice, its id not kept", 'b', '-', '+', NoticeUrgency::Normal,
            NoticeDelivery::Sent, "Vesko Backup|0|vesko-backup|S|B — ü|0|1|uchar 1|-1", 1 },
        { "an address where nothing listens", 'n', 'r', '+', NoticeUrgency::Critical,
            NoticeDelivery::NoSessionBus, "", 0.5 },
        { "no address, no bus in the runtime folder", '-', 'e', '+', NoticeUrgency::Critical,
            NoticeDelivery::NoSessionBus, "", 0.5 },
        { "no address, no runtime folder", '-', '-', '+', NoticeUrgency::Critical,
            NoticeDelivery::NoSessionBus, "", 0.5 },
        { "a service that does not answer, given up", 'b', 'r', 'z', NoticeUrgency::Critical,
            NoticeDelivery::NotDelivered, "", 3 },
        { "no notification service on the bus", 'b', 'r', '-', NoticeUrgency::Critical,
            NoticeDelivery::NotDelivered, "", 3 },
    };
    Strings calls = { "ready" };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetOrUnset("DBUS_SESSION_BUS_ADDRESS",
            row.address == 'b'       ? address[0]
                : row.address == 'n' ? "unix:path=" + tmp / "empty/bus"
                                     : "");
        SetOrUnset("XDG_RUNTIME_DIR",
            row.runtime == 'r'       ? tmp / "run"
                : row.runtime == 'e' ? tmp / "empty"
                                     : "");
        if (row.service == 'z')
            service.Stop();
        else if (row.service == '-')
            service.Kill();
        const auto start = Clock::now();
        EXPECT_EQ(SendDesktopNotice("S", "B — ü", row.urgency), row.delivery);
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), row.seconds);
        if (*row.call)
            calls.push_back(row.call);
        EXPECT_EQ(Lines(tmp / "calls", calls.size()), calls);
    }
    EXPECT_EQ(ReadFile(tmp / "run/vesko-backup/notification-id"), "43\n");
}

} // namespace vesko::test
