#pragma once

#include "core/run_report.h"

#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;

// One restore, as the command line or the history window asks for it. Paths are full, with
// '~' already replaced; folders end with '/'.
struct RestoreRequest {
    std::vector<std::string> paths; // files or folders as they were in the sources; none: all
    std::optional<std::string> asOfDay; // MM-DD-YYYY: the state at the end of that day
    // Or the state that this archive's export found (the history window's run).
    std::optional<std::string> stateOfArchive;
    std::optional<std::string> to; // each path lands here under its own last name
    std::optional<std::string> from; // the archives in this folder instead of the history's
    std::string archiverFolder; // "" : the archiver is looked for on PATH
    std::string archiveFolder; // looked in when the history knows no archive for the paths
    std::vector<std::string> sources; // the stored source list, for a restore of everything
};

// Brings files back from the archives, all or nothing: each destination's files are
// extracted (only the entries needed, from only the archives needed) into a staging folder
// on the destination's file system, checked against the archive's headers, then moved into
// place. Newer files at a destination are kept unless the person answers the question
// with Yes; each kept one is among the report's left-out files. Recorded in the history.
RunReport RunRestore(const RestoreRequest& request, UiServices& ui, SettingsStore& store);

} // namespace vesko
