#pragma once

#include <string>
#include <vector>

namespace vesko {

// One entry of the dialog's drive list: the folder it opens and how a person reads it.
struct DriveEntry {
    std::string path; // full path without a trailing '/', the root "/" excepted
    std::string label; // "Home (/home/ann)"
};

// The drives a person picks from, read now: the root, the home folder, then every
// removable-media volume mounted at this moment.
std::vector<DriveEntry> ReadDrives();

// The folders a person can open below a folder, as the bytes of their names: real folders
// and links to folders, as a file manager shows them, hidden ones left out; none when the
// folder cannot be read.
std::vector<std::string> ReadFolderNames(const std::string& folder);

// Throws Error with a description when the drive's folder cannot be listed now, or when a
// removable volume is no longer mounted on it (its bare mount folder would look empty).
void CheckDriveReadable(const std::string& drive);

} // namespace vesko
