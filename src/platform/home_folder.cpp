#include "platform/home_folder.h"

#include "platform/path_rules.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vesko::paths {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

std::string ExpandHome(const std::string& typed)
{
    if (typed.empty() || typed[0] != '~' || (typed.size() > 1 && typed[1] != kSeparator))
        return typed;
    std::string home = HomeFolder();
    if (home.empty())
        return typed; // refused later as a path without a drive
    // "/" as the home folder: "~/x" is "/x", not "//x".
    while (home.size() > 1 && EndsWithSeparator(home))
        home.pop_back();
    if (typed.size() == 1)
        return home;
    return (home == "/" ? std::string() : home) + typed.substr(1);
}

} // namespace vesko::paths
