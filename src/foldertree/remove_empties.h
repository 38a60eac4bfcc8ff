#pragma once

#include <string>

namespace vesko {

struct Host;

// modRemoveEmpties: removes every empty folder below the temporary folder, bottom up.
// Trap "Error Remove Empty Folders".
void RemoveEmpties(Host& host, const std::string& destination);

} // namespace vesko
