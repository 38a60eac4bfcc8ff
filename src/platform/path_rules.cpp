#include "platform/path_rules.h"

#include "platform/filesystem.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vesko::paths {

namespace {

std::string& MountTable()
{
    static std::string path = "/proc/self/mounts";
    return path;
}

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

// How many leading components name a removable drive: /media/<user>/<name>,
// /run/media/<user>/<name>, /mnt/<name>; 0 for any other path.
std::size_t DriveDepth(const std::vector<std::string>& parts)
{
    if (parts.size() >= 3 && parts[0] == "media")
        return 3;
    if (parts.size() >= 4 && parts[0] == "run" && parts[1] == "media")
        return 4;
    if (parts.size() >= 2 && parts[0] == "mnt")
        return 2;
    return 0;
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

std::vector<std::string> MountFolders()
{
    std::vector<std::string> folders;
    std::ifstream table(MountTable());
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, folder;
        if (fields >> device >> folder)
            folders.push_back(Unescape(folder));
    }
    return folders;
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

} // namespace

std::string DriveOf(const std::string& path)
{
    if (path.empty() || path.front() != kSeparator)
        return "";
    const std::vector<std::string> parts = Components(path);
    const std::size_t depth = DriveDepth(parts);
    if (depth == 0)
        return "/";
    std::string drive;
    for (std::size_t i = 0; i < depth; ++i)
        drive += kSeparator + parts[i];
    return drive;
}

std::string RelativePath(const std::string& fullPath)
{
    std::size_t start = 0;
    while (start < fullPath.size() && fullPath[start] == kSeparator)
        ++start;
    return fullPath.substr(start);
}

void SetMountTablePath(const std::string& path)
{
    MountTable() = path;
}

const std::string& MountTablePath()
{
    return MountTable();
}

std::vector<std::string> RemovableVolumes()
{
    std::vector<std::string> volumes;
    for (std::string& folder : MountFolders()) {
        folder = WithoutTrailingSeparators(folder);
        if (folder != "/" && DriveOf(folder) == folder)
            volumes.push_back(std::move(folder));
    }
    std::sort(volumes.begin(), volumes.end());
    volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());
    return volumes;
}

} // namespace vesko::paths

namespace vesko {

bool FileSystem::DriveExists(const std::string& drive) const
{
    if (drive == "/")
        return true;
    if (drive.empty() || drive.front() != paths::kSeparator)
        return false;
    // A removable drive is there only while a file system is mounted on its folder: the
    // bare mount folder of an unplugged stick does not count.
    const std::string wanted = paths::WithoutTrailingSeparators(drive);
    const std::vector<std::string> folders = paths::MountFolders();
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
        return paths::WithoutTrailingSeparators(folder) == wanted;
    });
}

} // namespace vesko
