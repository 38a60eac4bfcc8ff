#include "restore/held_as_of.h"

#include "restore/restore_scope.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>

namespace vesko {

namespace {

// An archive's manifest by path: the time a copy was made with is the one its run found.
using ManifestIndex = std::unordered_map<std::string_view, const ManifestFile*>;

const ManifestIndex& IndexOf(
    const CataloguedArchive* archive, std::map<const CataloguedArchive*, ManifestIndex>& indexes)
{
    auto [at, added] = indexes.try_emplace(archive);
    if (added)
        for (const ManifestFile& file : archive->Files())
            at->second.emplace(file.path, &file);
    return at->second;
}

// The selection's files, each with its copy's size and time.
Holdings HoldingsOf(const Selection& selection)
{
    Holdings held;
    held.inNoBackup = selection.inNoBackup;
    held.files.reserve(selection.files.size());
    std::map<const CataloguedArchive*, ManifestIndex> indexes;
    for (const ChosenFile& file : selection.files) {
        const ManifestIndex& index = IndexOf(file.archive, indexes);
        const auto listed = index.find(file.original);
        held.files.push_back({ file.original, file.wanted, file.size,
            listed == index.end() ? 0 : listed->second->modified, file.archive->path });
    }
    std::sort(held.files.begin(), held.files.end(), [](const HeldFile& a, const HeldFile& b) {
        return std::tie(a.below, a.path) < std::tie(b.below, b.path);
    });
    return held;
}

} // namespace

Holdings HeldAsOf(const RestoreRequest& request, UiServices& ui, SettingsStore& store)
{
    std::vector<CataloguedArchive> catalogue;
    const Selection selection = SelectForRequest(request, ArchiverProgram(request.archiverFolder),
        AsOfEnd(request.asOfDay), ui, store, catalogue);
    return HoldingsOf(selection);
}

} // namespace vesko
