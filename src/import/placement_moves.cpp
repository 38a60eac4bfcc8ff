// Place, FinishPlacement and RollBackPlacement: the moves between the staging folder and the
// import folder, each step told by what lies where, so that a run killed between two moves
// can be carried on or undone by the next import.
#include "core/ui_services.h"
#include "import/placement_journal.h"
#include "import/restore_placement.h"
#include "import/staging_folder.h"
#include "platform/filesystem.h"

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>

namespace vesko {

namespace {

// Where one step's file or folder lies: in place, as the archive's copy in the staging
// folder, and (for a replacing step) the file it replaces, moved aside.
struct StepPaths {
    StepPaths(const PlacementStep& step, const StagingFolder& staging)
        : target(staging.Folder() + step.path)
        , staged(staging.Extracted() + step.path)
        , aside(staging.Replaced() + "/" + step.path)
    {
    }
    std::string target, staged, aside;
};

bool Exists(const std::string& path)
{
    return FileSystem().IdentityOf(path).has_value();
}

// Counts the moves of one placement. VESKO_TEST_KILL_AFTER_MOVES=N kills the process with
// SIGKILL right after its Nth move: the tests must stop a placement between two given
// moves, which no timing from outside can hit.
class MoveCounter {
public:
    MoveCounter()
    {
        if (const char* limit = std::getenv("VESKO_TEST_KILL_AFTER_MOVES"))
            killAfter_ = std::atol(limit);
    }
    void Move(const std::string& from, const std::string& to)
    {
        FileSystem().MoveNoReplace(from, to);
        if (++moves_ == killAfter_)
            std::raise(SIGKILL);
    }

private:
    long killAfter_ = 0;
    long moves_ = 0;
};

// One step carried forward from where it stands: the file in place moved aside unless it
// already is, then the archive's copy moved in unless it already was.
void Forward(const PlacementStep& step, const StagingFolder& staging, MoveCounter& counter)
{
    const StepPaths p(step, staging);
    const bool staged = Exists(p.staged);
    if (step.replaces && !Exists(p.aside)) {
        if (!staged)
            throw Error("The archive's copy of \"" + step.path + "\" is missing from \""
                + staging.Extracted() + "\".");
        if (const auto slash = step.path.rfind('/'); slash != std::string::npos)
            FileSystem().MakeMissingFolders(
                staging.Replaced(), step.path.substr(0, slash), S_IRWXU);
        counter.Move(p.target, p.aside);
    }
    if (staged)
        counter.Move(p.staged, p.target);
    else if (!Exists(p.target))
        throw Error("The archive's copy of \"" + step.path + "\" is missing from \""
            + staging.Extracted() + "\".");
}

// One step undone: the archive's copy taken back, then the replaced file put back. False
// when something could not go back.
bool Back(const PlacementStep& step, const StagingFolder& staging)
{
    const StepPaths p(step, staging);
    const bool aside = step.replaces && Exists(p.aside);
    try {
        // In place only once it left the staging folder, and for a replacing step only once
        // the file it replaces was moved aside.
        if (!Exists(p.staged) && Exists(p.target) && (!step.replaces || aside))
            FileSystem().MoveNoReplace(p.target, p.staged);
        if (aside)
            FileSystem().MoveNoReplace(p.aside, p.target);
    } catch (const Error&) {
        return false;
    }
    return true;
}

} // namespace

Placed FinishPlacement(const PlacementJournal& journal, StagingFolder& staging)
{
    MoveCounter counter;
    Placed placed;
    for (const PlacementStep& step : journal.steps) {
        Forward(step, staging, counter);
        placed.files += step.files;
        placed.bytes += step.bytes;
    }
    DropJournal(staging.Journal());
    return placed;
}

bool RollBackPlacement(const PlacementJournal& journal, StagingFolder& staging)
{
    bool whole = true;
    for (auto it = journal.steps.rbegin(); it != journal.steps.rend(); ++it)
        whole = Back(*it, staging) && whole;
    if (whole)
        DropJournal(staging.Journal());
    return whole;
}

Placed Place(const std::vector<PlacementStep>& steps, StagingFolder& staging,
    const std::string& archive, bool replaceNewer)
{
    PlacementJournal journal { archive, staging.Folder(), {} };
    for (const PlacementStep& step : steps)
        if (!step.newer || replaceNewer)
            journal.steps.push_back(step);
    WriteJournal(staging.Journal(), journal);
    try {
        return FinishPlacement(journal, staging);
    } catch (const Error& e) {
        if (RollBackPlacement(journal, staging))
            throw PlacementError(e.what(), true);
        const std::string kept = staging.Keep();
        throw PlacementError(std::string(e.what()) + CR + CR
                + "Not every file could be put back as it was: the archive's copies and the "
                  "files they replaced lie in \""
                + kept + "\" (in files/ and replaced/).",
            false);
    }
}

} // namespace vesko
