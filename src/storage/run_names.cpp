#include "storage/run_names.h"

#include <array>
#include <utility>

namespace vesko::history {

namespace {

constexpr std::array<std::pair<RunOutcome, const char*>, 6> kOutcomes { {
    { RunOutcome::Unfinished, "unfinished" },
    { RunOutcome::Success, "success" },
    { RunOutcome::Incomplete, "incomplete" },
    { RunOutcome::Failed, "failed" },
    { RunOutcome::Cancelled, "cancelled" },
    { RunOutcome::Refused, "refused" },
} };

} // namespace

const char* KindName(RunKind kind)
{
    switch (kind) {
    case RunKind::Export:
        return "export";
    case RunKind::Import:
        return "import";
    case RunKind::Restore:
        return "restore";
    }
    return "export";
}

const char* OutcomeName(RunOutcome outcome)
{
    for (const auto& [value, name] : kOutcomes)
        if (value == outcome)
            return name;
    return "unfinished";
}

std::optional<RunKind> KindFromName(const std::string& name)
{
    if (name == "export")
        return RunKind::Export;
    if (name == "import")
        return RunKind::Import;
    if (name == "restore")
        return RunKind::Restore;
    return std::nullopt;
}

std::optional<RunOutcome> OutcomeFromName(const std::string& name)
{
    for (const auto& [value, word] : kOutcomes)
        if (name == word)
            return value;
    return std::nullopt;
}

} // namespace vesko::history
