#pragma once

#include <string>

namespace vesko {

struct Host;

// modMakeFolders: mirrors the folder tree of one source below the temporary folder
// (txtDestinDir). Trap "Error Add Folders".
void MakeFolders(Host& host, const std::string& source);

} // namespace vesko
