#pragma once

#include <string>
#include <vector>

namespace vesko {

// What the person set up: the Settings tab's fields and the source list, as one value. Texts
// are bytes: paths exactly as the file system has them.
struct Settings {
    std::string archiveFolder;
    std::string archiverFolder; // the folder that holds the archiver
    std::string tempFolder;
    std::string exportName;
    std::string importName;
    bool spanVolumes = false;
    std::vector<std::string> sources;

    bool operator==(const Settings&) const = default;
};

// The three folder settings end with '/': paths are formed from them by concatenation.
void AddTrailingSlashes(Settings& settings);

} // namespace vesko
