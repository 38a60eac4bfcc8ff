#pragma once

#include "import/restore_placement.h"

#include <optional>
#include <string>
#include <vector>

namespace vesko {

// What a placement is about to do, written before its first move so that a run killed in
// the middle can be finished or rolled back by the next import: the moves themselves are
// renames, each whole or not done, so the steps and what lies where tell how far it came.
struct PlacementJournal {
    std::string archive;
    std::string folder; // the import folder, ending with '/'
    std::vector<PlacementStep> steps; // those to carry out, in order
};

// Writes it beside its final name, syncs it to the disk and renames it into place, so that
// a journal is there whole or not at all. Throws Error.
void WriteJournal(const std::string& path, const PlacementJournal& journal);
// nullopt when there is none; Error when it cannot be read or is not one.
std::optional<PlacementJournal> ReadJournal(const std::string& path);
// Removes it once the placement is complete or rolled back. Throws Error.
void DropJournal(const std::string& path);

} // namespace vesko
