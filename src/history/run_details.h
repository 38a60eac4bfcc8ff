#pragma once

#include "history/run_records.h"

#include <string>
#include <utility>
#include <vector>

namespace vesko::history {

// A recorded run's own fields as a person reads them, one labelled line each ("Outcome:",
// "incomplete"), the same on the command line and in the window.
std::vector<std::pair<std::string, std::string>> DetailLines(const RecordedRun& run);

} // namespace vesko::history
