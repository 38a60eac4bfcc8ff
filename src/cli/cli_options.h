#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko::cli {

struct CliOptions {
    enum class Command { Window, Help, Version, Export, Import, History };
    Command command = Command::Window;
    // export: the cut-off day as MM-DD-YYYY, or "last"; none means today.
    std::optional<std::string> since;
    bool keepTemp = false;
    // export: replaces the Export Name for this run, a pattern of ExpandNamePattern;
    // import: replaces the Import Name.
    std::optional<std::string> name;
    // import: replaces the Archive folder for this run.
    std::optional<std::string> folder;
    // history: one run whole, or the archived files whose path holds a text; all runs
    // rather than the last few.
    std::optional<std::int64_t> run;
    std::optional<std::string> find;
    bool all = false;
    // import: files in the folder newer than the archive's copies are replaced, not kept.
    bool replaceNewer = false;
};

// Reads the arguments after the program name, as the bytes they are. Returns false with a
// one-line reason when they are not a valid command line.
bool ParseCommandLine(
    const std::vector<std::string>& args, CliOptions& options, std::string& error);

std::string UsageText();

} // namespace vesko::cli
