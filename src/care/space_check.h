#pragma once

#include "core/requests.h"
#include "core/run_report.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vesko {

class UiServices;
struct CopyPlan;

// The room an export needs against the room it has, in bytes.
struct SpaceFigures {
    std::uint64_t toCopy = 0; // the planned files, each rounded up to the temporary drive's blocks
    std::uint64_t tempFree = 0;
    std::uint64_t archiveFree = 0; // less the copy when both folders share a drive
};

// Free bytes of the file system that holds path, or would hold it: the nearest existing
// folder above it is asked. Throws Error.
std::uint64_t FreeBytes(const std::string& path);

// The figures of a request whose copy is planned: the sum of the plan, no walk of its own.
// Throws Error.
SpaceFigures MeasureSpace(const ExportRequest& request, const CopyPlan& plan);

// Before anything is copied: refuses the run ("Not Enough Space", naming both figures) when
// the plan cannot fit in the temporary folder's drive, and tells the person, going on, when
// the archive may not fit in the archive folder's (it is often smaller than the copy). A
// drive that cannot be asked is left to the copy to find out. Answers Refused or nothing.
std::optional<RunOutcome> RefuseWithoutSpace(
    UiServices& ui, const ExportRequest& request, const CopyPlan& plan, RunReport& report);

} // namespace vesko
