#pragma once

#include "platform/run_report.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

struct Host;

// A file this export copied into the temporary tree.
struct CopiedFile {
    std::string copy; // its path in the temporary tree
    std::string original;
    std::string below; // the original's path below its source folder
};

// What the copy phase of one export copied and left out, over all its sources.
struct CopyLog {
    std::vector<CopiedFile> copied;
    std::vector<LeftOutFile> leftOut;
};

// modAddFiles: copies every file of one source tree modified after the cut-off
// (fpDateTime1) into its mirror folder. A file that cannot be read or that the archiver
// cannot hold, and a folder that cannot be read with everything below it, are left out into
// log.leftOut and the walk goes on. What ends the walk (a copy that cannot be written, a date
// field that is not a date) is shown by the trap "Error Add Files" and leaves ExportStatus
// empty; "OK" otherwise.
void AddFiles(Host& host, const std::string& source, CopyLog& log);

// What the copy phase of one export has done so far, for the progress window: files
// examined, files copied and their bytes. AddFiles adds to them over all the sources of an
// export and hands them to UiServices::ProgressCounts; the export run resets them before
// its first source: ExportCopyCounters() = {};
struct CopyCounters {
    std::uint64_t examined = 0;
    std::uint64_t copied = 0;
    std::uint64_t bytes = 0;
};
CopyCounters& ExportCopyCounters();

} // namespace vesko
