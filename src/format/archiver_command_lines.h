#pragma once

#include <string>
#include <vector>

namespace vesko {

// The archiver's argument vectors, program first. They are given to it one by one, without
// a shell: spaces, quotes, "$(...)" and ";" in a path reach it as they are and run nothing.

// Adds everything below tempFolder (ending with '/') to archive, recursing, in floppy-sized
// volumes when spanned; the run's marker in tempFolder is left out.
std::vector<std::string> ArchiverAddCommand(const std::string& program, const std::string& archive,
    const std::string& tempFolder, bool spanned);

// Tests every file of archive, following its volumes.
std::vector<std::string> ArchiverTestCommand(
    const std::string& program, const std::string& archive);

// Extracts archive, following its volumes, or only the entries named, into the folder the
// archiver is started in (ProcessOptions::workingFolder).
std::vector<std::string> ArchiverExtractCommand(const std::string& program,
    const std::string& archive, const std::vector<std::string>& entries = {});

// Extracts the one entry named, without the folders above it, into folder (ending with '/').
std::vector<std::string> ArchiverExtractOneCommand(const std::string& program,
    const std::string& archive, const std::string& folder, const std::string& entry);

} // namespace vesko
