#include "restore/restore_selection.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vesko {

namespace {

struct Copy {
    const CataloguedArchive* archive;
    const ArchiveEntry* entry;
};

// The archives of the state's chain, oldest first.
std::vector<const CataloguedArchive*> Chain(
    const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd)
{
    std::vector<const CataloguedArchive*> chain;
    for (const CataloguedArchive& archive : catalogue) {
        if (asOfEnd && archive.manifest.started >= *asOfEnd)
            break;
        if (archive.manifest.full)
            chain.clear();
        chain.push_back(&archive);
    }
    return chain;
}

bool LiesAtOrBelow(const std::string& path, const std::string& wanted)
{
    if (wanted == "/")
        return true;
    return path.starts_with(wanted) && (path.size() == wanted.size() || path[wanted.size()] == '/');
}

// With a few asked-for paths an entry is compared with them before its original path is made
// and kept: one file from archives of 100,000 entries each then costs a scan, not a map of
// them all.
constexpr std::size_t kComparedWanted = 16;

// Where each file's newest copy in the chain lies, by its original path.
std::unordered_map<std::string, Copy> Copies(
    const std::vector<const CataloguedArchive*>& chain, const std::vector<std::string>& wanted)
{
    std::unordered_map<std::string, Copy> copies;
    std::string original; // reused: most entries are not kept
    for (const CataloguedArchive* archive : chain) {
        std::vector<std::pair<std::string, const ManifestSource*>> prefixes;
        for (const ManifestSource& source : archive->manifest.sources)
            prefixes.emplace_back(
                archive->base + source.stored + (source.stored.empty() ? "" : "/"), &source);
        for (const ArchiveEntry& entry : archive->contents.entries) {
            if (!entry.IsFile() || !entry.name.starts_with(archive->base))
                continue;
            for (const auto& [prefix, source] : prefixes) {
                if (!entry.name.starts_with(prefix))
                    continue;
                const std::string_view below = std::string_view(entry.name).substr(prefix.size());
                original.assign(source->original);
                if (original != "/")
                    original += '/';
                original += below;
                if (wanted.size() > kComparedWanted
                    || std::any_of(wanted.begin(), wanted.end(),
                        [&](const std::string& w) { return LiesAtOrBelow(original, w); }))
                    copies[original] = { archive, &entry };
                break;
            }
        }
    }
    return copies;
}

} // namespace

Selection SelectFiles(const std::vector<CataloguedArchive>& catalogue,
    std::optional<std::int64_t> asOfEnd, const std::vector<std::string>& wanted)
{
    Selection selection;
    const std::vector<const CataloguedArchive*> chain = Chain(catalogue, asOfEnd);
    if (chain.empty()) {
        selection.inNoBackup = wanted;
        return selection;
    }
    const std::unordered_map<std::string, Copy> copies = Copies(chain, wanted);
    for (const std::string& path : wanted) {
        bool any = false;
        for (const ManifestFile& file : chain.back()->Files()) {
            if (!LiesAtOrBelow(file.path, path))
                continue;
            any = true;
            const auto copy = copies.find(file.path);
            if (copy == copies.end())
                selection.neverArchived.push_back(file.path);
            else
                selection.files.push_back({ file.path, path, copy->second.archive,
                    copy->second.entry->name, copy->second.entry->size });
        }
        if (!any)
            selection.inNoBackup.push_back(path);
    }
    return selection;
}

std::vector<std::string> SourcesAsOf(
    const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd)
{
    std::vector<std::string> sources;
    const std::vector<const CataloguedArchive*> chain = Chain(catalogue, asOfEnd);
    if (!chain.empty())
        for (const ManifestSource& source : chain.back()->manifest.sources)
            sources.push_back(source.original);
    return sources;
}

} // namespace vesko

namespace vesko {

std::vector<std::string> OriginalPaths(
    const CataloguedArchive& archive, const std::vector<std::string>& below)
{
    std::unordered_set<std::string> held;
    for (const ManifestFile& file : archive.Files())
        held.insert(file.path);
    std::vector<std::string> originals;
    for (const std::string& path : below)
        for (const ManifestSource& source : archive.manifest.sources) {
            const std::string original
                = source.original + (source.original == "/" ? "" : "/") + path;
            if (held.count(original) != 0) {
                originals.push_back(original);
                break;
            }
        }
    return originals;
}

} // namespace vesko
