#pragma once

#include <string>

namespace vesko {

enum class NoticeUrgency { Normal, Critical };

// What became of a desktop notice.
enum class NoticeDelivery {
    Sent,
    NoSessionBus, // no session bus known, or nothing listens at its address
    NotDelivered, // no notification service on the bus, or it did not answer in time
};

// Shows one notice through the session bus's notification service. Each notice replaces
// the one an earlier run showed, so that a week of nightly runs leaves one notice, about
// the last. Never throws and gives up after a couple of seconds: a run with no desktop
// (a timer, a terminal over ssh) goes on as if the notice had been shown.
NoticeDelivery SendDesktopNotice(
    const std::string& summary, const std::string& body, NoticeUrgency urgency);

// Where the id of the last notice shown is kept between runs:
// $XDG_RUNTIME_DIR/vesko-backup/notification-id; "" without an absolute XDG_RUNTIME_DIR.
std::string NoticeIdPath();

} // namespace vesko
