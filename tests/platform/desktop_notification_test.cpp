// Desktop notices sent through a real D-Bus daemon of the test's own, to a recording
// notification service in a process of its own.
#include "platform/desktop_notification.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sstream>

namespace vesko::test {

TEST(DesktopNotice, ReplacesTheLastOneAndGivesUpQuietly)
{
    if (Shell("command -v dbus-daemon") != 0)
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
    TempDir tmp;
    MakeDirs(tmp / "run");
    MakeDirs(tmp / "empty");
    // A bus that starts no service when asked for one, whatever the machine has installed:
    // the service is the recorder or nobody.
    WriteFile(tmp / "bus.conf",
        "<busconfig><listen>unix:path=" + tmp / "run/bus"
            + "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
    std::string pids;
    Shell("cd " + tmp.Path() + " && { dbus-daemon --config-file=bus.conf --print-address --nofork"
            + " >address 2>/dev/null & echo $!; }\ntimeout 5 sh -c 'until [ -s address ]; do "
              "sleep 0.02; done'\nDBUS_SESSION_BUS_ADDRESS=$(cat address) "
            + VESKO_NOTIFICATION_RECORDER
            + " calls >/dev/null 2>&1 & echo $!\n"
              "timeout 5 sh -c 'until grep -q ready calls; do sleep 0.02; done'",
        &pids);
    struct Killed {
        pid_t pid = 0;
        ~Killed() { ::kill(pid, SIGKILL); }
    } daemon, service;
    std::istringstream(pids) >> daemon.pid >> service.pid;
    std::string address;
    std::getline(std::istringstream(ReadFile(tmp / "address")), address);
    ASSERT_EQ(ReadFile(tmp / "calls"), "ready\n") << pids;

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
    ScopedEnv busAddress("DBUS_SESSION_BUS_ADDRESS", address);
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp / "run");
    std::string calls = "ready\n";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bus = row.address == 'b' ? address
            : row.address == 'n'                   ? "unix:path=" + tmp / "empty/bus"
                                                   : "";
        const std::string folder = row.runtime == 'r' ? tmp / "run"
            : row.runtime == 'e'                      ? tmp / "empty"
                                                      : "";
        bus.empty() ? ::unsetenv("DBUS_SESSION_BUS_ADDRESS")
                    : ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        folder.empty() ? ::unsetenv("XDG_RUNTIME_DIR")
                       : ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        if (row.service != '+')
            ::kill(service.pid, row.service == 'z' ? SIGSTOP : SIGKILL);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SendDesktopNotice("S", "B — ü", row.urgency), row.delivery);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            row.seconds);
        calls += *row.call ? row.call + std::string("\n") : "";
        EXPECT_EQ(ReadFile(tmp / "calls"), calls);
    }
    EXPECT_EQ(ReadFile(tmp / "run/vesko-backup/notification-id"), "43\n");
}

} // namespace vesko::test
