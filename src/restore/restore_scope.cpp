#include "restore/restore_scope.h"

#include "foldertree/temp_tree.h"
#include "platform/dates.h"
#include "platform/error.h"

#include <chrono>
#include <QStandardPaths>
#include <QString>
#include <unistd.h>

namespace vesko {

namespace {

std::vector<std::string> Wanted(const RestoreRequest& request,
    const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd)
{
    std::vector<std::string> wanted;
    for (const std::string& path : request.paths.empty() ? request.sources : request.paths)
        wanted.push_back(foldertree::NormalisedPath(path));
    return wanted.empty() ? SourcesAsOf(catalogue, asOfEnd) : wanted;
}

// The state that archive's export found: the archives after it go.
void KeepUpTo(std::vector<CataloguedArchive>& catalogue, const std::string& archive)
{
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        if (catalogue[i].path == archive) {
            catalogue.resize(i + 1);
            return;
        }
    throw Error("The archive " + archive + " is not among those the history knows.");
}

} // namespace

std::string ArchiverProgram(const std::string& folder)
{
    if (!folder.empty() && ::access((folder + "arj").c_str(), X_OK) == 0)
        return folder + "arj";
    const QString found = QStandardPaths::findExecutable(QStringLiteral("arj"));
    if (found.isEmpty())
        throw Error("The archiver arj cannot be found: set its folder in the settings.");
    return found.toStdString();
}

std::optional<std::int64_t> AsOfEnd(const std::optional<std::string>& day)
{
    if (!day)
        return std::nullopt;
    const TimePoint start = CutOffFromDateField(*day);
    // A day lasts 23 to 25 hours: 36 hours on always lands in the next one.
    const TimePoint next = CutOffFromDateField(DateFieldText(start + std::chrono::hours(36)));
    return std::chrono::duration_cast<std::chrono::seconds>(next.time_since_epoch()).count();
}

Selection SelectForRequest(const RestoreRequest& request, const std::string& program,
    std::optional<std::int64_t> asOfEnd, UiServices& ui, SettingsStore& store,
    std::vector<CataloguedArchive>& catalogue)
{
    if (!request.from) {
        catalogue = ReadHistoryCatalogue(store, program, ui);
        if (request.stateOfArchive)
            KeepUpTo(catalogue, *request.stateOfArchive);
        Selection selection = SelectFiles(catalogue, asOfEnd, Wanted(request, catalogue, asOfEnd));
        if ((!selection.files.empty() && selection.inNoBackup.empty())
            || request.archiveFolder.empty())
            return selection;
    }
    const std::string folder = request.from.value_or(request.archiveFolder);
    catalogue = ReadCatalogue(ArchivesInFolder(folder), program, ui);
    return SelectFiles(catalogue, asOfEnd, Wanted(request, catalogue, asOfEnd));
}

} // namespace vesko
