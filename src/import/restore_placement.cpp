#include "import/restore_placement.h"

#include "format/entry_safety.h"
#include "import/staging_folder.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unordered_map>

namespace vesko {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw Error(what + " \"" + path + "\": " + std::strerror(err));
}

struct Expected {
    bool folder = false;
    std::uint64_t size = 0;
    bool seen = false;
};

// Checks each item below root/below against the entries as the walk meets it.
void Walk(const std::string& root, const std::string& below,
    std::unordered_map<std::string, Expected>& expected, std::vector<StagedItem>& items)
{
    for (const std::string& name : FolderNames(root + below)) {
        const std::string path = below.empty() ? name : below + "/" + name;
        struct stat st { };
        if (::lstat((root + path).c_str(), &st) != 0)
            Fail("Cannot look at", root + path, errno);
        const auto it = expected.find(path);
        if (it == expected.end())
            throw Error("The archiver wrote \"" + path + "\", which the archive does not name.");
        Expected& want = it->second;
        if (want.folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
            throw Error("\"" + path + "\" came out as something else than a "
                + (want.folder ? "folder." : "file."));
        if (!want.folder && static_cast<std::uint64_t>(st.st_size) != want.size)
            throw Error("\"" + path + "\" came out with " + std::to_string(st.st_size)
                + " bytes instead of " + std::to_string(want.size) + ".");
        want.seen = true;
        items.push_back({ path, want.folder, want.folder ? 0 : want.size, st.st_mtim.tv_sec });
        if (want.folder)
            Walk(root, path, expected, items);
    }
}

} // namespace

std::vector<StagedItem> CheckExtracted(
    const std::string& extracted, const ArchiveContents& contents)
{
    std::unordered_map<std::string, Expected> expected;
    for (const ArchiveEntry& entry : contents.entries) {
        const std::string path = EntryPath(entry.name);
        expected[path] = { entry.IsFolder(), entry.IsFolder() ? 0 : entry.size };
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1))
            expected.try_emplace(path.substr(0, slash), Expected { true });
    }
    std::vector<StagedItem> items;
    Walk(extracted, "", expected, items);
    for (const ArchiveEntry& entry : contents.entries)
        if (!expected[EntryPath(entry.name)].seen)
            throw Error("\"" + entry.name + "\" is missing after the extraction.");
    return items;
}

std::vector<PlacementStep> PlanPlacement(
    const std::vector<StagedItem>& staged, const std::string& folder)
{
    std::vector<PlacementStep> steps;
    // A folder that is not there yet moves whole, with everything below it.
    std::string moving;
    for (const StagedItem& item : staged) {
        if (!moving.empty() && item.path.size() > moving.size()
            && item.path.compare(0, moving.size() + 1, moving + "/") == 0) {
            if (!item.folder) {
                ++steps.back().files;
                steps.back().bytes += item.size;
            }
            continue;
        }
        moving.clear();
        const std::string target = folder + item.path;
        struct stat st { };
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT)
                Fail("Cannot look at", target, errno);
            steps.push_back(
                { item.path, item.folder, false, false, item.folder ? 0u : 1u, item.size });
            if (item.folder)
                moving = item.path;
        } else if (item.folder) {
            // A link to a folder would lead the files somewhere else.
            if (!S_ISDIR(st.st_mode))
                throw Error("\"" + target + "\" is in the way: the archive holds a folder there.");
        } else if (!S_ISREG(st.st_mode)) {
            throw Error("\"" + target + "\" is in the way: the archive holds a file there.");
        } else {
            steps.push_back(
                { item.path, false, true, st.st_mtim.tv_sec > item.modified, 1, item.size });
        }
    }
    return steps;
}

} // namespace vesko
