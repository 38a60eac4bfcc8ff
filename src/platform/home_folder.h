#pragma once

#include <string>

namespace vesko::paths {

// The home folder of the person running the program: $HOME, or the password database's
// entry when HOME is unset or empty; "" when neither knows one.
std::string HomeFolder();

// A folder field or source entry as the program uses it: a leading "~" alone or followed
// by '/' stands for the home folder, as in a shell. The text is kept as typed everywhere
// else (the store, the window), so other tools see what the person wrote; "~ann/" and a
// "~" further in are names like any other.
std::string ExpandHome(const std::string& typed);

} // namespace vesko::paths
