#include "support/notice_bus.h"

#include "support/temp_dir.h"

#include <csignal>
#include <sstream>

namespace vesko::test {

RecordingNoticeBus::RecordingNoticeBus(const std::string& folder, const std::string& recorder)
{
    MakeDirs(folder + "/run");
    WriteFile(folder + "/bus.conf",
        "<busconfig><listen>unix:path=" + folder
            + "/run/bus</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
    std::string pids;
    Shell("cd '" + folder + "' && { dbus-daemon --config-file=bus.conf --print-address --nofork"
            + " >address 2>/dev/null & echo $!; }\ntimeout 5 sh -c 'until [ -s address ]; do "
              "sleep 0.02; done'\nDBUS_SESSION_BUS_ADDRESS=$(cat address) "
            + recorder
            + " calls >/dev/null 2>&1 & echo $!\n"
              "timeout 5 sh -c 'until grep -q ready calls; do sleep 0.02; done'",
        &pids);
    std::istringstream(pids) >> daemon >> service;
    std::getline(std::istringstream(ReadFile(folder + "/address")), address);
}

RecordingNoticeBus::~RecordingNoticeBus()
{
    for (const pid_t pid : { service, daemon })
        if (pid > 0)
            ::kill(pid, SIGKILL);
}

} // namespace vesko::test
