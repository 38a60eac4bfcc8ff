#pragma once

#include "core/run_report.h"

#include <optional>
#include <string>

namespace vesko::history {

// The words the history stores and shows: "export", "import"; "unfinished", "success",
// "incomplete", "failed", "cancelled", "refused".
const char* KindName(RunKind kind);
const char* OutcomeName(RunOutcome outcome);
// The stored word read back; nullopt for a word this program does not write.
std::optional<RunKind> KindFromName(const std::string& name);
std::optional<RunOutcome> OutcomeFromName(const std::string& name);

} // namespace vesko::history
