#pragma once

#include "core/run_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

namespace history {

// One recorded run as the history holds it. An unfinished one (still running, or killed
// before it could end) has the outcome Unfinished and no end instant.
struct RecordedRun {
    std::int64_t id = 0;
    RunReport report { RunKind::Export };
    std::uint64_t archivedCount = 0; // the report's archived list is read on its own
};

// An archived file found by its path, with the run and the archive that hold it.
struct FoundFile {
    std::int64_t run = 0;
    TimePoint started;
    std::string archive;
    ArchivedFile file;
};

// Reading never creates the settings file; a missing one is an empty history. Every
// failure throws vesko::Error.

// Every kept run, newest first: the run's own fields, without its lists.
std::vector<RecordedRun> ListRuns(SettingsStore& store);
// One run with its volumes and left-out files; nullopt when no run has that id.
std::optional<RecordedRun> ReadRun(SettingsStore& store, std::int64_t id);
// The files a run archived, in the order it recorded them.
std::vector<ArchivedFile> ArchivedFiles(SettingsStore& store, std::int64_t id);
// Every archived file whose path holds text (bytes compared as they are, so case counts),
// newest run first.
std::vector<FoundFile> FindArchived(SettingsStore& store, const std::string& text);

} // namespace history
} // namespace vesko
