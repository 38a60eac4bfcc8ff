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

// The drive of a path: the mount folder of a removable-media volume for paths below
// /media/<user>/<name>/, /run/media/<user>/<name>/ or /mnt/<name>/; "/" for any other
// absolute path; "" (no drive) for a path that does not begin with '/'.
std::string DriveOf(const std::string& path);

// A full path without its leading '/'; the mirror of a path below a temporary folder is
// that folder followed by this.
std::string RelativePath(const std::string& fullPath);

// The mount table that DriveExists() reads; /proc/self/mounts unless a test feeds its own.
void SetMountTablePath(const std::string& path);
const std::string& MountTablePath();

// The removable-media volumes mounted now: every mount folder of the mount table that is a
// drive of its own (/media/<user>/<name>, /run/media/<user>/<name>, /mnt/<name>), sorted.
std::vector<std::string> RemovableVolumes();

} // namespace vesko::paths
