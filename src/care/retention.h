#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

// Run after a successful export that is not yet recorded as ended: it starts a chain of its
// own when it was full, else it belongs to the newest recorded chain. Every volume of the
// archives of the chains older than the newest keepChains goes (0 keeps everything). Only
// archives the history knows as this program's own, every recorded volume present with its
// recorded size, are touched, and never one whose path a kept archive also names. Each
// removal is recorded in the history and named on err; what cannot be removed is said there
// and left. Answers the archives removed. Throws Error when the history cannot be read or
// written.
std::vector<std::string> RemoveOldChains(
    SettingsStore& store, int keepChains, bool currentStartsChain, std::ostream& err);

} // namespace vesko
