#include "import/archive_listing.h"

#include "platform/error.h"

#include <cctype>
#include <string_view>

namespace vesko {

namespace {

const std::string_view kVolumeLine = "Processing archive: ";

bool Digits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool Shaped(std::string_view text, std::string_view shape)
{
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != shape[i])
            return false;
    return true;
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

// "001) some/name": the entry's sequence number and its stored name, which runs to the
// end of the line whatever it holds.
bool NameLine(std::string_view line, std::string_view& name)
{
    const std::size_t close = line.find(") ");
    if (close == std::string_view::npos || close < 3 || !Digits(line.substr(0, close)))
        return false;
    name = line.substr(close + 2);
    return true;
}

// The line under a name: " 11 UNIX  2  2 1.000 26-12-06 23:15:01 -rw-r--r-- ---  +0 >".
// The host's name may hold a space, so the fields are found from the date onwards. The
// last column marks a file spanning volumes: '>' goes on, '*' came and goes on, '<' came.
bool DetailsLine(std::string_view line, char& type, std::uint64_t& size, bool& continued)
{
    if (line.empty() || line[0] != ' ')
        return false;
    const std::vector<std::string_view> words = Words(line);
    for (std::size_t k = 4; k + 2 < words.size(); ++k) {
        if (!Shaped(words[k], "99-99-99") || !Shaped(words[k + 1], "99:99:99"))
            continue;
        if (!Digits(words[0]) || !Digits(words[k - 3]) || !Digits(words[k - 2])
            || words[k + 2].size() != 10)
            return false;
        size = std::stoull(std::string(words[k - 3]));
        type = words[k + 2][0];
        const std::size_t last = line.find_last_not_of(' ');
        continued = line[last] == '<' || line[last] == '*';
        return true;
    }
    return false;
}

// "     6 files    1948579 ...": the count of entries so far.
bool TotalLine(std::string_view line, std::uint64_t& count)
{
    const std::vector<std::string_view> words = Words(line);
    if (line.empty() || line[0] != ' ' || words.size() < 2 || words[1] != "files"
        || !Digits(words[0]))
        return false;
    count = std::stoull(std::string(words[0]));
    return true;
}

[[noreturn]] void Unreadable(const std::string& why)
{
    throw Error("The archiver's listing of the archive could not be read: " + why);
}

} // namespace

ArchiveListing ParseListing(const std::string& output)
{
    ArchiveListing listing;
    std::optional<std::string_view> pending;
    std::optional<std::uint64_t> total;
    std::uint64_t parts = 0;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find('\n', at);
        if (end == std::string::npos)
            end = output.size();
        const std::string_view line(output.data() + at, end - at);
        at = end + 1;

        std::string_view name;
        std::uint64_t count = 0;
        if (pending) {
            char type = '-';
            std::uint64_t size = 0;
            bool continued = false;
            if (!DetailsLine(line, type, size, continued))
                Unreadable("no details under the entry \"" + std::string(*pending) + "\"");
            if (continued) {
                if (listing.entries.empty() || listing.entries.back().name != *pending)
                    Unreadable("\"" + std::string(*pending) + "\" continues nothing");
                listing.entries.back().size += size;
            } else {
                listing.entries.push_back({ std::string(*pending), type, size });
            }
            ++parts;
            pending.reset();
        } else if (line.substr(0, kVolumeLine.size()) == kVolumeLine) {
            listing.volumes.emplace_back(line.substr(kVolumeLine.size()));
        } else if (NameLine(line, name)) {
            pending = name;
        } else if (TotalLine(line, count)) {
            total = count;
        }
    }
    if (pending)
        Unreadable("no details under the entry \"" + std::string(*pending) + "\"");
    // A name that carries a line break of its own would show as lines that are not
    // entries: the count the archiver gives is the check that none went unseen.
    if (total.value_or(0) != parts)
        Unreadable("it counts " + std::to_string(total.value_or(0)) + " entries, "
            + std::to_string(parts) + " were read");
    if (listing.volumes.empty())
        Unreadable("it names no archive");
    return listing;
}

ProcessOutcome ListArchive(
    const std::string& program, const std::string& archive, UiServices& ui, ArchiveListing& listing)
{
    std::string output;
    ProcessOptions options;
    options.output = &output;
    const ProcessOutcome outcome = RunProcess({ program, "v", "-v", "-y", archive }, ui, options);
    if (outcome.Succeeded())
        listing = ParseListing(output);
    return outcome;
}

std::optional<UnsafeEntry> FirstUnsafeEntry(const ArchiveListing& listing)
{
    for (const ListedEntry& entry : listing.entries) {
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
        if (entry.type != '-' && entry.type != 'd')
            return UnsafeEntry { name, "is a link or a special file" };
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
