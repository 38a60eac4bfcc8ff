#pragma once

#include <ostream>

namespace vesko {

class SettingsStore;

namespace cli {

struct CliOptions;

// vesko-backup history: the recorded runs, one run whole, or the archived files found by
// path, on out. Returns the exit status: 0, or 1 when nothing matched or the history could
// not be read (the reason on err).
int ShowHistory(
    SettingsStore& store, const CliOptions& options, std::ostream& out, std::ostream& err);

} // namespace cli
} // namespace vesko
