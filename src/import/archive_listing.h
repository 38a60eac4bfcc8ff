#pragma once

#include "platform/process.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class UiServices;

// One entry of an archive as the archiver's verbose listing shows it. A file that spans
// volumes is one entry with its whole size.
struct ListedEntry {
    std::string name; // as stored, byte for byte
    char type = '-'; // the first letter of its attributes: '-' file, 'd' folder, 'u' special
    std::uint64_t size = 0;
};

struct ArchiveListing {
    std::vector<std::string> volumes; // in the order the archiver read them
    std::vector<ListedEntry> entries;
};

// Lists the archive with the archiver, following its volumes. listing is filled only when
// the archiver succeeded; a listing whose shape is not the expected one throws Error, since
// what it hides cannot be checked.
ProcessOutcome ListArchive(const std::string& program, const std::string& archive, UiServices& ui,
    ArchiveListing& listing);

// Reads the output of the archiver's "v -v" command.
ArchiveListing ParseListing(const std::string& output);

struct UnsafeEntry {
    std::string name;
    std::string reason;
};

// The first entry that could write outside the folder it is extracted into, or through a
// link planted there: an absolute path, a ".." component, a link or special file, a
// control character in its name (which a listing line cannot show faithfully).
std::optional<UnsafeEntry> FirstUnsafeEntry(const ArchiveListing& listing);

// The entry's path below the folder it is extracted into: its components without empty
// and "." ones, joined with '/'. Only for entries FirstUnsafeEntry let pass.
std::string EntryPath(const std::string& name);

} // namespace vesko
