#pragma once

#include "core/requests.h"
#include "core/run_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class UiServices;

// The room an export needs against the room it has, in bytes.
struct SpaceFigures {
    std::uint64_t toCopy = 0; // the changed files, each rounded up to the temporary drive's blocks
    std::uint64_t tempFree = 0;
    std::uint64_t archiveFree = 0; // less the copy when both folders share a drive
    bool measured = false; // false: the drives have room for every source drive's whole content
};

// Free bytes of the file system that holds path, or would hold it: the nearest existing
// folder above it is asked. Throws Error.
std::uint64_t FreeBytes(const std::string& path);

// The bytes of the regular files below the sources modified after cutOff, each rounded up to
// a multiple of block. Unreadable folders count nothing: the copy leaves them out.
std::uint64_t ChangedBytes(
    const std::vector<std::string>& sources, TimePoint cutOff, std::uint64_t block);

// The figures of a request. The walk is saved when both drives have more room than all the
// sources' drives hold. Throws Error.
SpaceFigures MeasureSpace(const ExportRequest& request);

// Before anything is written: refuses the run ("Not Enough Space", naming both figures) when
// the copy cannot fit in the temporary folder's drive, and tells the person, going on, when
// the archive may not fit in the archive folder's (it is often smaller than the copy). A
// drive that cannot be asked is left to the copy to find out. Answers Refused or nothing.
std::optional<RunOutcome> RefuseWithoutSpace(
    UiServices& ui, const ExportRequest& request, RunReport& report);

} // namespace vesko
