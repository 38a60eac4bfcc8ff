#include "restore/restore_landing.h"

#include "core/ui_services.h"
#include "format/archiver_command_lines.h"
#include "platform/filesystem.h"
#include "platform/process.h"

#include <map>
#include <set>
#include <sys/stat.h>

namespace vesko {

namespace {

// Keeps each archiver command line well below the system's limit on arguments.
constexpr std::size_t kArgumentBytes = 512 * 1024;

std::string LastName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The nearest folder at or above path that exists, ending with '/'.
std::string NearestFolder(std::string path)
{
    const FileSystem fs;
    while (path != "/" && !fs.FolderExists(path))
        path = ParentOf(path);
    return path == "/" ? path : path + "/";
}

// Where an asked-for path lands.
std::string Destination(const std::string& wanted, const std::optional<std::string>& to)
{
    return to ? *to + LastName(wanted) : wanted;
}

void Extract(const std::string& program, const std::string& archive, const std::string& into,
    const std::vector<std::string>& entries, UiServices& ui)
{
    std::size_t next = 0;
    while (next < entries.size()) {
        std::vector<std::string> batch;
        std::size_t bytes = 0;
        for (; next < entries.size() && (bytes < kArgumentBytes || batch.empty()); ++next) {
            bytes += entries[next].size() + 1;
            batch.push_back(entries[next]);
        }
        ui.ProgressStep("Extracting " + std::to_string(batch.size()) + " files from " + archive);
        const ProcessOutcome outcome = RunProcess(ArchiverExtractCommand(program, archive, batch),
            ui, { .umask = {}, .workingFolder = into });
        if (!outcome.Succeeded())
            throw StagingStopped(
                "The archive " + archive + " could not be extracted. " + outcome.Describe(),
                outcome.cancelled);
    }
}

} // namespace

std::vector<Landing> PlanLandings(
    const std::vector<ChosenFile>& files, const std::optional<std::string>& to)
{
    std::map<std::string, std::string> byName; // destination of an asked-for path → it
    std::map<std::string, Landing> landings;
    std::set<std::string> targets;
    for (const ChosenFile& file : files) {
        const std::string destination = Destination(file.wanted, to);
        const auto [seen, fresh] = byName.emplace(destination, file.wanted);
        if (!fresh && seen->second != file.wanted)
            throw Error(seen->second + " and " + file.wanted + " would both land on " + destination
                + ": nothing was written.");
        const std::string target = file.wanted == "/"
            ? destination + file.original
            : destination + file.original.substr(file.wanted.size());
        if (!targets.insert(target).second)
            continue;
        const std::string folder = NearestFolder(ParentOf(destination));
        Landing& landing = landings[folder];
        landing.folder = folder;
        landing.files.emplace_back(target.substr(folder.size()), file);
    }
    std::vector<Landing> list;
    for (auto& [folder, landing] : landings)
        list.push_back(std::move(landing));
    return list;
}

std::unique_ptr<StagedLanding> StageLanding(
    const Landing& landing, const std::string& program, UiServices& ui, SettingsStore& store)
{
    auto staged = std::make_unique<StagedLanding>();
    staged->landing = landing;
    // Recorded in the store like the import's, so that one left by a killed restore is known
    // as this program's own.
    staged->staging = std::make_unique<StagingFolder>(landing.folder, store);
    const StagingFolder& staging = *staged->staging;

    std::map<const CataloguedArchive*, std::vector<const std::pair<std::string, ChosenFile>*>>
        byArchive;
    for (const auto& item : landing.files)
        byArchive[item.second.archive].push_back(&item);
    const FileSystem fs;
    ArchiveContents expected;
    int n = 0;
    for (const auto& [archive, items] : byArchive) {
        const std::string raw = staging.Path() + "/archive" + std::to_string(n++) + "/";
        fs.MakeDir(raw, S_IRWXU);
        std::vector<std::string> entries;
        for (const auto* item : items)
            entries.push_back(item->second.entry);
        Extract(program, archive->path, raw, entries, ui);
        for (const auto* item : items) {
            const std::string& path = item->first;
            // A folder not yet at the destination moves there whole: it gets the mode any new
            // folder gets (the staging folder above it keeps it private meanwhile).
            if (path.find('/') != std::string::npos)
                fs.MakeMissingFolders(staging.Extracted(), path.substr(0, path.rfind('/')),
                    S_IRWXU | S_IRWXG | S_IRWXO);
            if (!fs.FileExists(raw + item->second.entry))
                throw Error("\"" + item->second.entry + "\" is missing after its extraction from "
                    + archive->path + ".");
            fs.MoveNoReplace(raw + item->second.entry, staging.Extracted() + path);
            expected.entries.push_back(
                { path, ArchiveEntry::kBinaryFile, 0, 0, item->second.size });
        }
    }
    staged->steps = PlanPlacement(CheckExtracted(staging.Extracted(), expected), landing.folder);
    return staged;
}

std::vector<std::string> NewerFiles(const StagedLanding& staged)
{
    std::vector<std::string> newer;
    for (const PlacementStep& step : staged.steps)
        if (step.newer)
            newer.push_back(staged.landing.folder + step.path);
    return newer;
}

LandingResult PlaceLanding(StagedLanding& staged, bool replaceNewer)
{
    LandingResult result;
    const Placed placed = Place(staged.steps, *staged.staging, staged.landing.folder, replaceNewer);
    result.files = placed.files;
    result.bytes = placed.bytes;
    if (!replaceNewer)
        result.keptNewer = NewerFiles(staged);
    return result;
}

} // namespace vesko
