#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko::cli {

struct CliOptions {
    enum class Command { Window, Help, Version, Export, Import, History, Check, Restore };
    Command command = Command::Window;
    // export: the cut-off day as MM-DD-YYYY, or "last"; none means today.
    std::optional<std::string> since;
    bool keepTemp = false;
    // export: a full export when the last full one is older than these days ("since last");
    // the archives of the chains older than the newest N removed after a success.
    std::optional<int> fullEvery;
    std::optional<int> keepChains;
    // export: once the export has ended, whatever its outcome, the oldest archive not removed
    // that was never checked is checked, as check RUN does.
    bool checkAfter = false;
    // export: replaces the Export Name for this run, a pattern of ExpandNamePattern;
    // import: replaces the Import Name.
    std::optional<std::string> name;
    // import: replaces the Archive folder for this run.
    std::optional<std::string> folder;
    // history: one run whole, or the archived files whose path holds a text; all runs
    // rather than the last few.
    std::optional<std::int64_t> run;
    // check: the runs whose archives are checked; none (or --all) checks every kept one.
    std::vector<std::int64_t> runs;
    std::optional<std::string> find;
    bool all = false;
    // import, restore: files newer than the archive's copies are replaced, not kept.
    bool replaceNewer = false;
    // restore: the day whose state comes back (MM-DD-YYYY), where it lands instead of the
    // original places, the folder of archives read instead of the history's, and the paths
    // as they were in the sources (none: every source folder).
    std::optional<std::string> asOf;
    std::optional<std::string> to;
    std::optional<std::string> from;
    std::vector<std::string> paths;
};

// Reads the arguments after the program name, as the bytes they are. Returns false with a
// one-line reason when they are not a valid command line.
bool ParseCommandLine(
    const std::vector<std::string>& args, CliOptions& options, std::string& error);

std::string UsageText();

} // namespace vesko::cli
