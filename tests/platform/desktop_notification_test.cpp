// Desktop notices sent through a real D-Bus daemon of the test's own, to a recording
// notification service in a process of its own.
#include "platform/desktop_notification.h"
#include "support/notice_bus.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>

namespace vesko::test {

TEST(DesktopNotice, ReplacesTheLastOneAndGivesUpQuietly)
{
    if (Shell("command -v dbus-daemon") != 0)
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
    TempDir tmp;
    MakeDirs(tmp / "empty");
    const RecordingNoticeBus noticeBus(tmp.Path(), VESKO_NOTIFICATION_RECORDER);
    const std::string& address = noticeBus.address;
    ASSERT_EQ(ReadFile(tmp / "calls"), "ready\n");

    // address: 'b' the bus, 'n' a socket path where nothing listens, '-' none; runtime: 'r'
    // the folder holding the bus, 'e' one without a bus, '-' none; service: '+' answering,
    // 'z' stopped, '-' gone.
    using enum NoticeUrgency;
    using enum NoticeDelivery;
    const struct {
        const char* name;
        char address, runtime, service;
        NoticeUrgency urgency;
        NoticeDelivery delivery;
        int id; // the notice it replaces in the service's record of it; -1: no record
        double seconds; // the longest it may take
    } rows[] = {
        { "a failure, with nothing to replace", 'b', 'r', '+', Critical, Sent, 0, 1 },
        { "the next notice replaces it", 'b', 'r', '+', Normal, Sent, 41, 1 },
        { "the runtime folder's bus when no address is given", '-', 'r', '+', Critical, Sent, 42,
            1 },
        { "no runtime folder: a new notice, its id not kept", 'b', '-', '+', Normal, Sent, 0, 1 },
        { "an address where nothing listens", 'n', 'r', '+', Critical, NoSessionBus, -1, 0.5 },
        { "no address, no bus in the runtime folder", '-', 'e', '+', Critical, NoSessionBus, -1,
            0.5 },
        { "no address, no runtime folder", '-', '-', '+', Critical, NoSessionBus, -1, 0.5 },
        { "a service that does not answer, given up", 'b', 'r', 'z', Critical, NotDelivered, -1,
            3 },
        { "no notification service on the bus", 'b', 'r', '-', Critical, NotDelivered, -1, 3 },
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
            ::kill(noticeBus.service, row.service == 'z' ? SIGSTOP : SIGKILL);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SendDesktopNotice("S", "B — ü", row.urgency), row.delivery);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            row.seconds);
        if (row.id >= 0)
            calls += "Vesko Backup|" + std::to_string(row.id) + "|vesko-backup|S|B — ü|0|1|uchar "
                + (row.urgency == Critical ? "2" : "1") + "|-1\n";
        EXPECT_EQ(ReadFile(tmp / "calls"), calls);
    }
    EXPECT_EQ(ReadFile(tmp / "run/vesko-backup/notification-id"), "43\n");
}

} // namespace vesko::test
