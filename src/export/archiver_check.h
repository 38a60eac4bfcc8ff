#pragma once

#include "core/run_report.h"

#include <optional>
#include <string>

namespace vesko {

class UiServices;

inline constexpr const char* kArchiverNotFoundTitle = "Archiver Not Found";

// Refuses the export, before anything is copied, when the ARJ folder holds no program `arj`
// this user may run: otherwise every file would be copied first only for the archiver's
// start to fail. The box names the path tried and the package that brings the program.
std::optional<RunOutcome> RefuseMissingArchiver(
    UiServices& ui, RunReport& report, const std::string& archiverFolder);

// True when folder + "arj" is a regular file this user may run.
bool ArchiverRunnable(const std::string& archiverFolder);

// The box's text for a program path that cannot be run.
std::string ArchiverNotFoundText(const std::string& program);

} // namespace vesko
