#include "format/entry_safety.h"

#include "format/working_names.h"

#include <cctype>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace vesko {

namespace {

// The components of a name, split at either separator: the archiver may read a backslash as
// one, as its DOS origins would.
std::vector<std::string_view> Components(const std::string& name)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        parts.emplace_back(name.data() + start, end - start);
        start = end + 1;
    }
    return parts;
}

// Why an entry's name alone makes it unsafe; empty when it does not.
std::string NameProblem(const std::string& name)
{
    if (name.empty())
        return "has an empty name";
    if (name[0] == '/' || name[0] == '\\'
        || (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0]))
            && name[1] == ':'))
        return "has an absolute path";
    for (const std::string_view part : Components(name)) {
        if (part == "..")
            return "climbs out of its folder through \"..\"";
        if (part == kRunMarkerName || part.starts_with(kStagingPrefix))
            return "bears a name this program keeps for its own files";
    }
    const std::string path = EntryPath(name);
    if (path.empty())
        return "names no file below the folder";
    // The archiver spins for ever on such an entry, writing nothing; one below a folder is
    // extracted as it should be.
    if (path[0] == '.')
        return "cannot be extracted: the archiver hangs on a top-level name that begins "
               "with \".\"";
    return {};
}

using Identity = std::pair<dev_t, ino_t>;

std::optional<Identity> Identify(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return Identity { st.st_dev, st.st_ino };
}

} // namespace

std::optional<UnsafeEntry> FirstUnsafeEntry(
    const ArchiveContents& contents, const std::string& folder)
{
    // Compared by what they are, not how they are spelled: a folder reached through a link,
    // or a file system that ignores case, has other names for the same volume.
    std::vector<std::pair<Identity, std::string>> volumes;
    for (const std::string& volume : contents.volumes)
        if (const auto identity = Identify(volume))
            volumes.emplace_back(*identity, volume);

    for (const ArchiveEntry& entry : contents.entries) {
        const std::string& name = entry.name;
        std::string shown = name;
        bool control = false;
        for (char& c : shown) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                c = '?';
                control = true;
            }
        }
        if (control)
            return UnsafeEntry { shown, "holds a control character in its name" };
        if (std::string problem = NameProblem(name); !problem.empty())
            return UnsafeEntry { name, std::move(problem) };
        if (!entry.IsFile() && !entry.IsFolder())
            return UnsafeEntry { name, "is a link, a special file or of a type not known" };
        if (const auto target = Identify(folder + EntryPath(name)))
            for (const auto& [identity, volume] : volumes)
                if (identity == *target)
                    return UnsafeEntry { name,
                        "would land on the archive's own volume \"" + volume + "\"" };
    }
    return std::nullopt;
}

std::string EntryPath(const std::string& name)
{
    std::string path;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string_view part(name.data() + start, end - start);
        if (!part.empty() && part != ".") {
            if (!path.empty())
                path += '/';
            path += part;
        }
        start = end + 1;
    }
    return path;
}

} // namespace vesko
