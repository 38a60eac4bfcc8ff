#pragma once

#include "format/archive_headers.h"

#include <optional>
#include <string>

namespace vesko {

struct UnsafeEntry {
    std::string name;
    std::string reason;
};

// The first entry that could write outside the folder it is extracted into, or through a
// link planted there: an absolute path, a ".." component (with either separator), a link,
// special file or entry of a type not known, a control character in its name (which a box
// cannot show faithfully).
std::optional<UnsafeEntry> FirstUnsafeEntry(const ArchiveContents& contents);

// The entry's path below the folder it is extracted into: its components without empty
// and "." ones, joined with '/'. Only for entries FirstUnsafeEntry let pass.
std::string EntryPath(const std::string& name);

} // namespace vesko
