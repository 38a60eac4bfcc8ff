#include "gui/drive_list.h"

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
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
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    const std::string prefix = folder == "/" ? folder : folder + paths::kSeparator;
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat st { };
        if (entry->d_name[0] != '.' && ::stat((prefix + entry->d_name).c_str(), &st) == 0
            && S_ISDIR(st.st_mode))
            names.emplace_back(entry->d_name);
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
