#pragma once

#include "format/working_names.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesko {

// What the file kRunManifestName tells, so that an archive says on its own, without the
// history, when it was made, how its stored paths map back to the original places, and
// which files the sources held at that run.

struct ManifestSource {
    std::string original; // the source folder as the export walked it
    std::string stored; // its mirror's path below the manifest's own folder
};

// A file the sources held when the export walked them, changed or not.
struct ManifestFile {
    std::string path; // its full original path
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch
};

struct RunManifest {
    std::int64_t started = 0; // when the export began copying, seconds since the epoch
    bool full = false;
    std::string cutOffDay; // MM-DD-YYYY
    std::vector<ManifestSource> sources;
    std::vector<ManifestFile> files;
};

// The manifest as bytes: one line a field, names escaped ('\\' '\n' '\t' '\r' written as
// two characters), so that any byte of a name comes back as it was.
std::string ManifestText(const RunManifest& manifest);
// Reads those bytes back; throws Error saying what is wrong when they are not a manifest.
RunManifest ParseManifest(const std::string& text);
// The bytes cut before the first file line: the head, a manifest without files on its own,
// and the file lines, which ParseManifestFiles reads (it throws Error as ParseManifest does).
std::pair<std::string_view, std::string_view> SplitManifest(std::string_view text);
std::vector<ManifestFile> ParseManifestFiles(std::string_view lines);

// Writes the manifest into the temporary folder (ending with '/'); throws Error.
void WriteManifestFile(const std::string& tempFolder, const RunManifest& manifest);

} // namespace vesko
