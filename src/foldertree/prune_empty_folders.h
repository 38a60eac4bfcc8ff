#pragma once

#include <string>

namespace vesko {

class UiServices;

// Removes every empty folder below the temporary folder, bottom up.
// Trap "Error Remove Empty Folders".
void PruneEmptyFolders(UiServices& ui, const std::string& tempFolder);

} // namespace vesko
