#pragma once

#include <string>

namespace vesko {

struct Host;

// modRemoveFiles: deletes every file in and below the temporary folder. Trap
// "Error Files Cleanup".
void RemoveFiles(Host& host, const std::string& destination);
// modRemoveFolders: removes every folder below it, bottom up, then the temporary folder.
// Trap "Error Folders Cleanup".
void RemoveFolders(Host& host, const std::string& destination);

} // namespace vesko
