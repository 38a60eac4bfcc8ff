#include "format/entry_safety.h"

#include <cctype>
#include <string_view>

namespace vesko {

std::optional<UnsafeEntry> FirstUnsafeEntry(const ArchiveContents& contents)
{
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
        // The archiver may read a backslash as a separator, as its DOS origins would.
        if (name.empty() || name[0] == '/' || name[0] == '\\'
            || (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0]))
                && name[1] == ':'))
            return UnsafeEntry { name, "has an absolute path" };
        std::size_t start = 0;
        while (start <= name.size()) {
            std::size_t end = name.find_first_of("/\\", start);
            if (end == std::string::npos)
                end = name.size();
            if (name.compare(start, end - start, "..") == 0)
                return UnsafeEntry { name, "climbs out of its folder through \"..\"" };
            start = end + 1;
        }
        if (!entry.IsFile() && !entry.IsFolder())
            return UnsafeEntry { name, "is a link, a special file or of a type not known" };
        if (EntryPath(name).empty())
            return UnsafeEntry { name, "names no file below the folder" };
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
