#pragma once

// Days told apart within seconds: a time zone whose local midnight falls on a chosen instant,
// so that runs made a second before and after it lie on two days.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace vesko::test {

// The POSIX TZ value of a zone whose local midnight falls on the instant.
inline std::string ZoneWithMidnightAt(std::int64_t instant)
{
    const std::int64_t offset = ((-instant) % 86400 + 86400) % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "VSK-%02d:%02d:%02d", int(offset / 3600),
        int(offset / 60 % 60), int(offset % 60));
    return text;
}

// The day, MM-DD-YYYY in that zone, that ends at the instant; after = 1: the day after it.
inline std::string DayEndingAt(std::int64_t instant, int after = 0)
{
    const std::int64_t offset = ((-instant) % 86400 + 86400) % 86400;
    const std::time_t local = instant - 1 + offset + after * 86400;
    std::tm tm {};
    ::gmtime_r(&local, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%m-%d-%Y", &tm);
    return text;
}

} // namespace vesko::test
