#pragma once

#include <string>

namespace vesko {

class UiServices;

// Deletes every file in and below the temporary folder but the run's marker in it. Trap
// "Error Files Cleanup".
void RemoveTreeFiles(UiServices& ui, const std::string& tempFolder);
// Removes every folder below it, bottom up, then the marker, then the temporary folder.
// Trap "Error Folders Cleanup".
void RemoveTreeFolders(UiServices& ui, const std::string& tempFolder);

} // namespace vesko
