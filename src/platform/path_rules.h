#pragma once

#include <string>
#include <vector>

namespace vesko::paths {

inline constexpr char kSeparator = '/';

// The folder ending that folder fields and list items are given.
inline bool EndsWithSeparator(const std::string& path)
{
    return !path.empty() && path.back() == kSeparator;
}

// The drive of a path. Below /media, /run/media and /mnt it is the mount folder of the
// system's mount table that holds the path; where none does, the folder a volume would be
// mounted on: /mnt/<name>, /run/media/<user>/<name>, /media/<user>/<name> (/media/<name>
// for a path that ends there). Any other absolute path is on "/"; a path that does not
// begin with '/' has no drive ("").
std::string DriveOf(const std::string& path);

// A full path without its leading '/'; the mirror of a path below a temporary folder is
// that folder followed by this.
std::string RelativePath(const std::string& fullPath);

// The path made absolute against the current folder, for a program started in another.
std::string AbsolutePath(const std::string& path);

// The drives below /media, /run/media and /mnt that a person can open now: every mounted
// volume there, and every plain folder /mnt/<name> of the root disk that is not empty;
// sorted.
std::vector<std::string> RemovableVolumes();

} // namespace vesko::paths
