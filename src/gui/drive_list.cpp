#include "gui/drive_list.h"

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vesko {

namespace {

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == paths::kSeparator)
        path.pop_back();
    return path;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return WithoutTrailingSeparators(home);
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
        return WithoutTrailingSeparators(user->pw_dir);
    return "";
}

std::string LastName(const std::string& path)
{
    const auto slash = path.rfind(paths::kSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<DriveEntry> ReadDrives()
{
    std::vector<DriveEntry> drives { { "/", "Root (/)" } };
    // A home that is not an absolute folder of its own adds nothing a person could open.
    if (const std::string home = HomeFolder(); home.size() > 1 && home.front() == '/')
        drives.push_back({ home, "Home (" + home + ")" });
    for (const std::string& volume : paths::RemovableVolumes())
        drives.push_back({ volume, LastName(volume) + " (" + volume + ")" });
    return drives;
}

std::vector<std::string> ReadFolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    const FileSystem fs;
    std::vector<FolderEntry> entries;
    try {
        entries = fs.ListFolder(folder);
    } catch (const Error&) {
        return names;
    }
    const std::string prefix = folder == "/" ? folder : folder + paths::kSeparator;
    for (FolderEntry& entry : entries) {
        // A link to a folder is offered as the folder it leads to, as ~/Documents often is.
        if (entry.name[0] != '.'
            && (entry.kind == EntryKind::Folder
                || (entry.kind == EntryKind::Link && fs.FolderExists(prefix + entry.name))))
            names.push_back(std::move(entry.name));
    }
    return names;
}

void CheckDriveReadable(const std::string& drive)
{
    // The file system service follows a named folder that is a link, as a person expects of
    // a home folder, and says why a folder cannot be read.
    const FileSystem fs;
    fs.GetFolder(drive).SubFolders();
    if (paths::DriveOf(drive) == drive && drive != "/" && !fs.DriveExists(drive))
        throw Error("Cannot read folder \"" + drive + "\": no volume is mounted there");
}

} // namespace vesko
