#pragma once

#include "core/run_report.h"
#include "platform/dates.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

class UiServices;

// A file this export copied into the temporary tree.
struct CopiedFile {
    std::string copy; // its path in the temporary tree
    std::string original;
    std::string below; // the original's path below its source folder
};

// What the copy phase of one export has done so far, for the progress window: files
// examined, files copied and their bytes, over all the sources of an export.
struct CopyCounters {
    std::uint64_t examined = 0;
    std::uint64_t copied = 0;
    std::uint64_t bytes = 0;
};

// A file the walk looked at, copied or not: what the sources held at this run.
struct WalkedFile {
    std::string original;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch
};

// What the copy phase of one export copied and left out, over all its sources.
struct CopyLog {
    std::vector<CopiedFile> copied;
    std::vector<WalkedFile> walked;
    std::vector<LeftOutFile> leftOut;
    // Links, FIFOs, sockets and devices, the reason being their kind: no file to back up.
    std::vector<LeftOutFile> notTaken;
    // The program's own folders found inside a source and not entered, the reason saying
    // which they are.
    std::vector<LeftOutFile> skippedFolders;
    CopyCounters counters;
};

enum class CopyEnd {
    Done,
    Failed, // told by the trap "Error Add Files": nothing after it can be trusted
    Cancelled, // the person pressed Cancel in the progress window
};

// Copies every file of one source tree changed after the cut-off into its mirror folder
// below the temporary folder: the walk's plan (PlanCopy), then its copy (CopyPlannedFiles). A
// file that cannot be read or that the archiver cannot hold, and a folder that cannot be read
// with everything below it, are left out into log.leftOut and the walk goes on. What ends the
// walk or the copy (a copy that cannot be written) is shown by the trap "Error Add Files". The
// temporary folder and archiveFolder, found inside the source, are not entered (an archive
// folder walked would put every earlier archive into the next) and are told in
// log.skippedFolders.
CopyEnd CopyChangedFiles(UiServices& ui, const std::string& tempFolder, const std::string& source,
    TimePoint cutOff, CopyLog& log, const std::string& archiveFolder = {});

} // namespace vesko
