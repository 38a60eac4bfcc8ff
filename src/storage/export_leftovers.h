#pragma once

#include "platform/filesystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

namespace history {

// What an export makes outside the person's files, recorded in the settings store when it is
// made, so that a later export of the same store may remove what a killed or failed run left
// and nothing else: the temporary tree (its marker's token, the folder's path and identity)
// and the archiver's work files in the archive folder (the names it may write). Every
// failure throws vesko::Error.
struct TempTreeRecord {
    std::int64_t run = 0; // the run's id in the history
    std::string token; // random, also written in the tree's marker
    std::string path; // the temporary folder, as the run was given it
    FileIdentity identity; // the folder's
};

void RecordTempTree(SettingsStore& store, const TempTreeRecord& tree);
// The tree recorded for that run with that token, made by a run other than current (the run
// lock lets only one run of a store go at once, so any other has ended, killed or not).
std::optional<TempTreeRecord> FindEndedTempTree(
    SettingsStore& store, std::int64_t run, const std::string& token, std::int64_t current);
// The tree is gone, or the person's now.
void ForgetTempTree(SettingsStore& store, std::int64_t run);

// The files run's archiver may leave in its archive folder, none of which was there when it
// started.
void RecordWorkFiles(SettingsStore& store, std::int64_t run, const std::vector<std::string>& paths);
// Those recorded by runs other than current.
std::vector<std::string> EndedRunsWorkFiles(SettingsStore& store, std::int64_t current);
// Those of run, or every one of runs other than current when run is 0.
void ForgetWorkFiles(SettingsStore& store, std::int64_t run, std::int64_t current = 0);

} // namespace history
} // namespace vesko
