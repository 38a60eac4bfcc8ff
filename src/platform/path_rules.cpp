#include "platform/path_rules.h"

#include "platform/error.h"
#include "platform/filesystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko::paths {

namespace {

std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == kSeparator) {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

std::string Joined(const std::vector<std::string>& parts, std::size_t count)
{
    if (count == 0)
        return "/";
    std::string path;
    for (std::size_t i = 0; i < count; ++i)
        path += kSeparator + parts[i];
    return path;
}

// How many leading components the folders of removable volumes begin with: /media,
// /run/media, /mnt; 0 for a path outside them or naming one of them itself.
std::size_t MediaRootDepth(const std::vector<std::string>& parts)
{
    if (parts.size() >= 2 && parts[0] == "media")
        return 1;
    if (parts.size() >= 3 && parts[0] == "run" && parts[1] == "media")
        return 2;
    if (parts.size() >= 2 && parts[0] == "mnt")
        return 1;
    return 0;
}

// The components of the folder a volume holding the path would be mounted on: automounters
// use /media/<user>/<name> and /run/media/<user>/<name>, older ones /media/<name>.
std::size_t MountLevelDepth(const std::vector<std::string>& parts, std::size_t rootDepth)
{
    const std::size_t wanted = parts[0] == "mnt" ? 2 : rootDepth + 2;
    return std::min(wanted, parts.size());
}

// The mount table escapes blanks, tabs, newlines and backslashes in a mount folder as
// three octal digits after a backslash ("\040" for a space).
std::string Unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3'
            && field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0'
            && field[i + 3] <= '7') {
            out += static_cast<char>(
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The mount folders of the system's mount table that lie below /media, /run/media or /mnt,
// written as Joined() writes paths.
std::vector<std::string> MediaMountFolders()
{
    std::vector<std::string> folders;
    std::ifstream table("/proc/self/mounts");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, folder;
        if (!(fields >> device >> folder))
            continue;
        const std::vector<std::string> parts = Components(Unescape(folder));
        if (MediaRootDepth(parts) > 0)
            folders.push_back(Joined(parts, parts.size()));
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

bool Holds(const std::string& folder, const std::string& path)
{
    return path.compare(0, folder.size(), folder) == 0
        && (path.size() == folder.size() || path[folder.size()] == kSeparator);
}

// A folder of the root disk that holds anything at all, as a volume's mount folder never
// does while nothing is mounted on it.
bool IsFolderWithEntries(const std::string& path)
{
    try {
        return !FileSystem().ListFolder(path).empty();
    } catch (const Error&) {
        return false;
    }
}

} // namespace

std::string DriveOf(const std::string& path)
{
    if (path.empty() || path.front() != kSeparator)
        return "";
    const std::vector<std::string> parts = Components(path);
    const std::size_t rootDepth = MediaRootDepth(parts);
    if (rootDepth == 0)
        return "/";
    const std::string full = Joined(parts, parts.size());
    std::string drive;
    for (const std::string& folder : MediaMountFolders())
        if (Holds(folder, full) && folder.size() > drive.size())
            drive = folder;
    return drive.empty() ? Joined(parts, MountLevelDepth(parts, rootDepth)) : drive;
}

std::string RelativePath(const std::string& fullPath)
{
    std::size_t start = 0;
    while (start < fullPath.size() && fullPath[start] == kSeparator)
        ++start;
    return fullPath.substr(start);
}

std::string AbsolutePath(const std::string& path)
{
    if (path.starts_with(kSeparator))
        return path;
    char here[PATH_MAX];
    if (!::getcwd(here, sizeof here))
        throw Error(std::string("Cannot tell the current folder: ") + std::strerror(errno));
    return std::string(here) + kSeparator + path;
}

std::vector<std::string> RemovableVolumes()
{
    const auto isFolder = [](const std::string& path) {
        struct stat st { };
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    // A volume mounted below a folder that something else was mounted over since is in the
    // table still, but out of reach.
    std::vector<std::string> volumes;
    for (std::string& folder : MediaMountFolders())
        if (isFolder(folder))
            volumes.push_back(std::move(folder));
    std::vector<FolderEntry> underMnt;
    try {
        underMnt = FileSystem().ListFolder("/mnt");
    } catch (const Error&) {
        // No /mnt: nothing plain to add.
    }
    for (const FolderEntry& entry : underMnt) {
        const std::string folder = "/mnt/" + entry.name;
        if (entry.name[0] != '.' && isFolder(folder) && IsFolderWithEntries(folder))
            volumes.push_back(folder);
    }
    std::sort(volumes.begin(), volumes.end());
    volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());
    return volumes;
}

} // namespace vesko::paths

namespace vesko {

bool FileSystem::DriveExists(const std::string& drive) const
{
    if (drive.empty() || drive.front() != paths::kSeparator)
        return false;
    const std::vector<std::string> parts = paths::Components(drive);
    if (paths::MediaRootDepth(parts) == 0)
        return true;
    // A volume's folder counts while something is mounted on it. Unmounted, only a plain
    // folder of the root disk with something in it does: the bare mount folder an unplugged
    // stick leaves behind is empty.
    const std::vector<std::string> mounted = paths::MediaMountFolders();
    const std::string wanted = paths::Joined(parts, parts.size());
    return std::binary_search(mounted.begin(), mounted.end(), wanted)
        || paths::IsFolderWithEntries(wanted);
}

} // namespace vesko
