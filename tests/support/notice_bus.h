#pragma once

#include <string>
#include <sys/types.h>

namespace vesko::test {

// A session bus of the test's own, at folder/run/bus, that starts no service when asked
// (whatever the machine has installed), with the recording notification service on it:
// folder/calls holds "ready", then one line for each notice it was sent. Both processes are
// killed when it goes.
class RecordingNoticeBus {
public:
    RecordingNoticeBus(const std::string& folder, const std::string& recorder);
    ~RecordingNoticeBus();
    RecordingNoticeBus(const RecordingNoticeBus&) = delete;
    RecordingNoticeBus& operator=(const RecordingNoticeBus&) = delete;

    std::string address; // the bus's address, as DBUS_SESSION_BUS_ADDRESS gives it
    pid_t daemon = 0;
    pid_t service = 0;
};

} // namespace vesko::test
