#pragma once

#include "import/restore_placement.h"
#include "import/staging_folder.h"
#include "restore/restore_selection.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

class UiServices;

// The files that go into one existing folder (ending with '/'), each by its path below it.
struct Landing {
    std::string folder;
    std::vector<std::pair<std::string, ChosenFile>> files;
};

// Where the chosen files go: to their original places, or with to (ending with '/') each
// asked-for path under its own last name there. Each lands in the nearest folder that
// exists above its asked-for path, where its staging folder is made. Throws Error when two
// asked-for paths would land on one name.
std::vector<Landing> PlanLandings(
    const std::vector<ChosenFile>& files, const std::optional<std::string>& to);

// The archiver stopped: cancelled by the person, or failed.
class StagingStopped : public Error {
public:
    StagingStopped(const std::string& description, bool wasCancelled)
        : Error(description)
        , cancelled(wasCancelled)
    {
    }
    bool cancelled;
};

// One landing's files extracted, checked against the archives' headers, and planned.
struct StagedLanding {
    Landing landing;
    std::unique_ptr<StagingFolder> staging;
    std::vector<PlacementStep> steps;
};

// Extracts the landing's entries, archive by archive, naming only them to the archiver,
// into a staging folder in the landing's folder, and plans their placement. Throws
// StagingStopped or Error; the staging folder then goes, and nothing else was touched.
std::unique_ptr<StagedLanding> StageLanding(
    const Landing& landing, const std::string& program, UiServices& ui, SettingsStore& store);

// The files in place that are newer than the staged copies, by their full paths.
std::vector<std::string> NewerFiles(const StagedLanding& staged);

struct LandingResult {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> keptNewer;
};

// Moves the staged files into place; throws PlacementError as Place does.
LandingResult PlaceLanding(StagedLanding& staged, bool replaceNewer);

} // namespace vesko
