#pragma once

#include "format/archive_headers.h"

#include <optional>
#include <string>

namespace vesko {

struct UnsafeEntry {
    std::string name;
    std::string reason;
};

// The first entry that must not be extracted into folder (ending with '/'), which holds the
// archive's volumes or a folder above them: an empty name, an absolute path, a ".." component
// (with either separator), a link, special file or entry of a type not known, a control
// character in its name (which a box cannot show faithfully), a name this program keeps for
// its own files, a top-level name beginning with '.' (on which the archiver never finishes),
// or a path that would land on one of the archive's own volumes.
std::optional<UnsafeEntry> FirstUnsafeEntry(
    const ArchiveContents& contents, const std::string& folder);

// The entry's path below the folder it is extracted into: its components without empty
// and "." ones, joined with '/'. Only for entries FirstUnsafeEntry let pass.
std::string EntryPath(const std::string& name);

} // namespace vesko
