#include "restore/held_as_of.h"

#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "restore/restore_selection.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <QStandardPaths>
#include <string_view>
#include <unistd.h>
#include <unordered_map>

namespace vesko {

namespace {

// The settings' archiver; on a computer without settings, the one on PATH.
std::string ArchiverProgram(const std::string& folder)
{
    if (!folder.empty() && ::access((folder + "arj").c_str(), X_OK) == 0)
        return folder + "arj";
    const QString found = QStandardPaths::findExecutable(QStringLiteral("arj"));
    if (found.isEmpty())
        throw Error("The archiver arj cannot be found: set its folder in the settings.");
    return found.toStdString();
}

// The end of the day the text names, in seconds: the next day's local midnight.
std::optional<std::int64_t> DayEnd(const std::optional<std::string>& day)
{
    if (!day)
        return std::nullopt;
    const TimePoint start = CutOffFromDateField(*day);
    // A day lasts 23 to 25 hours: 36 hours on always lands in the next one.
    const TimePoint next = CutOffFromDateField(DateFieldText(start + std::chrono::hours(36)));
    return std::chrono::duration_cast<std::chrono::seconds>(next.time_since_epoch()).count();
}

std::vector<std::string> Wanted(const RestoreRequest& request,
    const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd)
{
    std::vector<std::string> wanted;
    for (const std::string& path : request.paths.empty() ? request.sources : request.paths)
        wanted.push_back(foldertree::NormalisedPath(path));
    return wanted.empty() ? SourcesAsOf(catalogue, asOfEnd) : wanted;
}

// An archive's manifest by path: the time a copy was made with is the one its run found.
using ManifestIndex = std::unordered_map<std::string_view, const ManifestFile*>;

const ManifestIndex& IndexOf(
    const CataloguedArchive* archive, std::map<const CataloguedArchive*, ManifestIndex>& indexes)
{
    auto [at, added] = indexes.try_emplace(archive);
    if (added)
        for (const ManifestFile& file : archive->manifest.files)
            at->second.emplace(file.path, &file);
    return at->second;
}

} // namespace

Holdings HeldFiles(const std::vector<CataloguedArchive>& catalogue,
    std::optional<std::int64_t> asOfEnd, const std::vector<std::string>& wanted)
{
    const Selection selection = SelectFiles(catalogue, asOfEnd, wanted);
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

Holdings HeldAsOf(const RestoreRequest& request, UiServices& ui, SettingsStore& store)
{
    const std::string program = ArchiverProgram(request.archiverFolder);
    const std::optional<std::int64_t> asOfEnd = DayEnd(request.asOfDay);
    if (!request.from) {
        const std::vector<CataloguedArchive> catalogue
            = ReadCatalogue(ArchivesInHistory(store), program, ui);
        Holdings held = HeldFiles(catalogue, asOfEnd, Wanted(request, catalogue, asOfEnd));
        // As the restore does: the archive folder's own when the history knows none for it.
        if ((!held.files.empty() && held.inNoBackup.empty()) || request.archiveFolder.empty())
            return held;
    }
    const std::vector<CataloguedArchive> catalogue = ReadCatalogue(
        ArchivesInFolder(request.from.value_or(request.archiveFolder)), program, ui);
    return HeldFiles(catalogue, asOfEnd, Wanted(request, catalogue, asOfEnd));
}

} // namespace vesko
