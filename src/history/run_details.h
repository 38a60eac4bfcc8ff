#pragma once

#include "storage/run_records.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesko::history {

// A size for a person: "512 bytes", "1.5 KB", "3.2 MB", "1.1 GB" (powers of 1024).
std::string SizeText(std::uint64_t bytes);

// A recorded run's own fields as a person reads them, one labelled line each ("Outcome:",
// "incomplete"), the same on the command line and in the window.
std::vector<std::pair<std::string, std::string>> DetailLines(const RecordedRun& run);

// The last line of the "Backup Incomplete" box's details: where the left-out files stay
// once the box is closed.
inline constexpr const char* kSeeHistoryLine
    = "Every left-out file stays listed in the run history: press History on the Export tab, "
      "or run vesko-backup history.";

} // namespace vesko::history
