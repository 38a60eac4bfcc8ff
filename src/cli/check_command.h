#pragma once

#include <ostream>

namespace vesko {

class SettingsStore;

namespace cli {

struct CliOptions;

// vesko-backup check: tests the archives of the runs named (none: every archive the history
// knows and has not removed), records each result, and says on out how each one holds; each
// archive that does not is named on err with why. Returns 0 when all hold, 1 otherwise (a run
// without an archive to check included).
int CheckArchives(
    SettingsStore& store, const CliOptions& options, std::ostream& out, std::ostream& err);

// export --check-after: checks the oldest archive not removed that has no recorded check, as
// CheckArchives does one run's; says so on out when every one has been checked or there is
// none. Returns 1 when it does not hold or cannot be checked, 0 otherwise.
int CheckOldestUnchecked(SettingsStore& store, std::ostream& out, std::ostream& err);

} // namespace cli
} // namespace vesko
