#pragma once

#include "restore/archive_catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

// One file to bring back: its original path and the archive entry that holds its copy.
struct ChosenFile {
    std::string original;
    std::string wanted; // the asked-for path it lies at or below
    const CataloguedArchive* archive = nullptr;
    std::string entry; // the entry's name, as stored
    std::uint64_t size = 0;
};

struct Selection {
    std::vector<ChosenFile> files;
    std::vector<std::string> inNoBackup; // asked-for paths no file of the state lies at or below
    std::vector<std::string> neverArchived; // files of the state that no archive holds a copy of
};

// The state at asOfEnd (none: the newest): the newest archive begun before it tells which
// files the sources held; each comes from the newest archive of its chain (the last full
// export before it and the later ones) that holds a copy. wanted: full paths without a
// trailing '/'.
Selection SelectFiles(const std::vector<CataloguedArchive>& catalogue,
    std::optional<std::int64_t> asOfEnd, const std::vector<std::string>& wanted);

// The original paths of files the history names by their paths below their source
// folders, as the archive's manifest maps them; a path it does not know is left out.
std::vector<std::string> OriginalPaths(
    const CataloguedArchive& archive, const std::vector<std::string>& below);

// The source folders the newest archive begun before asOfEnd was made of.
std::vector<std::string> SourcesAsOf(
    const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd);

} // namespace vesko
