#pragma once

#include "platform/dates.h"

#include <string>

namespace vesko {

class SettingsStore;

// The cut-off day of an export asked for in the window: the day of the date field, but the
// day before every file (a full export) when that field names the day of the last export (an
// export since the last one) and the stored FullEvery days have passed since the last full
// export began. Throws Error.
std::string WindowCutOffDay(SettingsStore& store, const std::string& day, TimePoint now);

} // namespace vesko
