#pragma once

#include <string>

namespace vesko {

struct Host;

// modAddFiles: copies every file of one source tree modified after the cut-off
// (fpDateTime1) into its mirror folder. Trap "Error Add Files".
void AddFiles(Host& host, const std::string& source);

} // namespace vesko
