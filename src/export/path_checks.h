#pragma once

#include <optional>
#include <string>

namespace vesko {

struct ExportRequest;

namespace export_steps {

// A box that refuses an export before anything is written.
struct PathRefusal {
    const char* title;
    std::string text;
};

// The folders and names of the request that would have the export destroy or swallow what
// it writes: a temporary folder below a folder whose name begins with a dot (the archiver,
// given such a path, never ends), and an archive whose full path, its name's ".." and links
// resolved, lies in the temporary folder (the cleanup would delete it) or in a source other
// than inside the archive folder (the next export would archive it).
std::optional<PathRefusal> RefusedPaths(const ExportRequest& request);

} // namespace export_steps
} // namespace vesko
