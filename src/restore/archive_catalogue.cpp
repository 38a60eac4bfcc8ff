#include "restore/archive_catalogue.h"

#include "core/ui_services.h"
#include "format/archiver_command_lines.h"
#include "format/entry_safety.h"
#include "format/run_manifest_entry.h"
#include "import/staging_folder.h"
#include "platform/error.h"
#include "platform/process.h"
#include "restore/catalogue_copy.h"
#include "storage/run_records.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

namespace {

constexpr std::string_view kArchiveExtension = ".arj";

// A private folder for the manifests, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vesko-restore-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw Error("Cannot make a scratch folder in " + pattern);
        path_ = pattern + "/";
    }
    ~ScratchFolder()
    {
        try {
            RemoveTree(path_);
        } catch (const Error&) {
            // Left in the temporary files' folder, which the system empties.
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("Cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<CataloguedArchive> ReadOne(const std::string& archive, const std::string& program,
    const ScratchFolder& scratch, UiServices& ui)
{
    CataloguedArchive read;
    read.path = archive;
    read.contents = ReadArchiveHeaders(archive);
    // Its names are extracted below the staging folders: refused whole, as the import does.
    const std::string folder = archive.substr(0, archive.rfind('/') + 1);
    if (const std::optional<UnsafeEntry> unsafe = FirstUnsafeEntry(read.contents, folder))
        throw Error("The archive " + archive + " was refused: its entry \"" + unsafe->name + "\" "
            + unsafe->reason + ".");
    const ArchiveEntry* entry = RunManifestEntry(read.contents);
    if (!entry)
        return std::nullopt;
    const ProcessOutcome outcome
        = RunProcess(ArchiverExtractOneCommand(program, archive, scratch.Path(), entry->name), ui);
    if (!outcome.Succeeded())
        throw Error("The archive " + archive + " cannot be read: " + outcome.Describe());
    const std::string extracted = scratch.Path() + kRunManifestName;
    std::string text = ReadWholeFile(extracted);
    ::unlink(extracted.c_str());
    if (text.size() != entry->size)
        throw Error("The archive " + archive + " is damaged: its manifest came out cut short");
    try {
        read.manifest = ParseManifest(text);
    } catch (const Error& e) {
        throw Error("The archive " + archive + " is damaged: " + e.what());
    }
    read.base = entry->name.substr(0, entry->name.size() - std::string(kRunManifestName).size());
    return read;
}

// The history's archives with the run that wrote each, oldest first.
std::vector<std::pair<std::string, std::int64_t>> HistoryArchives(SettingsStore& store)
{
    std::vector<std::pair<std::string, std::int64_t>> archives;
    for (const history::RecordedRun& run : history::ListRuns(store)) {
        const RunReport& r = run.report;
        struct stat st { };
        if (r.kind == RunKind::Export && !r.archive.empty()
            && (r.outcome == RunOutcome::Success || r.outcome == RunOutcome::Incomplete)
            && ::stat(r.archive.c_str(), &st) == 0
            && std::find_if(archives.begin(), archives.end(),
                   [&](const auto& known) { return known.first == r.archive; })
                == archives.end())
            archives.emplace_back(r.archive, run.id);
    }
    std::reverse(archives.begin(), archives.end());
    return archives;
}

void SortByRun(std::vector<CataloguedArchive>& catalogue)
{
    std::stable_sort(catalogue.begin(), catalogue.end(),
        [](const CataloguedArchive& a, const CataloguedArchive& b) {
            return a.manifest.started < b.manifest.started;
        });
}

} // namespace

std::vector<std::string> ArchivesInFolder(const std::string& folder)
{
    std::vector<std::string> archives;
    for (const std::string& name : FolderNames(folder))
        if (name.size() > kArchiveExtension.size() && name.ends_with(kArchiveExtension))
            archives.push_back(folder + name);
    return archives;
}

std::vector<std::string> ArchivesInHistory(SettingsStore& store)
{
    std::vector<std::string> archives;
    for (const auto& [archive, run] : HistoryArchives(store))
        archives.push_back(archive);
    return archives;
}

std::vector<CataloguedArchive> ReadCatalogue(
    const std::vector<std::string>& archives, const std::string& program, UiServices& ui)
{
    const ScratchFolder scratch;
    std::vector<CataloguedArchive> catalogue;
    for (const std::string& archive : archives) {
        ui.ProgressStep("Reading the archive's description: " + archive);
        if (std::optional<CataloguedArchive> read = ReadOne(archive, program, scratch, ui))
            catalogue.push_back(std::move(*read));
    }
    SortByRun(catalogue);
    return catalogue;
}

std::vector<CataloguedArchive> ReadHistoryCatalogue(
    SettingsStore& store, const std::string& program, UiServices& ui)
{
    std::optional<ScratchFolder> scratch;
    std::vector<CataloguedArchive> catalogue;
    for (const auto& [archive, run] : HistoryArchives(store)) {
        if (std::optional<CataloguedArchive> kept = CatalogueFromCopy(store, run, archive)) {
            catalogue.push_back(std::move(*kept));
            continue;
        }
        ui.ProgressStep("Reading the archive's description: " + archive);
        if (!scratch)
            scratch.emplace();
        if (std::optional<CataloguedArchive> read = ReadOne(archive, program, *scratch, ui))
            catalogue.push_back(std::move(*read));
    }
    SortByRun(catalogue);
    return catalogue;
}

} // namespace vesko
