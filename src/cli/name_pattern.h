#pragma once

#include "platform/dates.h"

#include <string>

namespace vesko::cli {

// The Export Name given with `export --name`: %Y, %m, %d, %H and %M become the year, month,
// day, hour and minute of when (local time), %% one '%'. False with a reason for any other
// '%', so that a mistyped pattern stops the run before anything is written instead of
// naming archives the person will not find.
bool ExpandNamePattern(
    const std::string& pattern, TimePoint when, std::string& name, std::string& error);

} // namespace vesko::cli
