#pragma once

#include "platform/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

enum class RunKind { Export, Import, Restore };

// How one export or import ended. Only Success may say "done"; Incomplete means an archive
// was written and verified but something was left out of it.
enum class RunOutcome {
    Unfinished, // still running, or killed before it could say how it ended
    Success,
    Incomplete,
    Failed,
    Cancelled,
    Refused, // stopped by a check before anything was written
};

struct ArchivedFile {
    std::string path; // below its source folder
    std::uint64_t size = 0;
    TimePoint modified;
};

struct LeftOutFile {
    std::string path; // as found in the source
    std::string reason;
};

struct ArchiveVolume {
    std::string path;
    std::uint64_t size = 0;
};

// What one run did, filled in as it goes and recorded when it ends.
struct RunReport {
    explicit RunReport(RunKind k)
        : kind(k)
    {
    }
    RunKind kind;
    std::int64_t id = 0; // the run's id in the history once it is recorded there
    TimePoint started;
    TimePoint ended;
    RunOutcome outcome = RunOutcome::Unfinished;
    std::string cutOffDay; // export: the date field's MM-DD-YYYY
    bool full = false; // export: everything, whenever it changed (the start of a chain)
    std::uint64_t files = 0; // export: files copied; import: files restored
    std::uint64_t bytes = 0;
    std::string archive; // the archive's full path (its first volume)
    std::vector<ArchiveVolume> volumes;
    std::optional<int> archiverStatus; // the archiver's exit status, when it ran and exited
    std::vector<ArchivedFile> archived; // export: every file in the verified archive
    std::vector<LeftOutFile> leftOut;
    // export: what a source holds that is no file to back up (links, FIFOs, sockets,
    // devices), the reason being its kind; told, but no failure
    std::vector<LeftOutFile> notTaken;
    std::string message; // the closing box's text, for a failure or a refusal
};

} // namespace vesko
