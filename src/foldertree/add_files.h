#pragma once

#include <cstdint>
#include <string>

namespace vesko {

struct Host;

// modAddFiles: copies every file of one source tree modified after the cut-off
// (fpDateTime1) into its mirror folder. Trap "Error Add Files".
void AddFiles(Host& host, const std::string& source);

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
