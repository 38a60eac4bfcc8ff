// The restore against the archiver alone, in the same run: one file from a large archive,
// through the history (which keeps each archive's description) and with --from (which reads
// the archive), against "arj e" of that file; a folder as of the last day of a chain of one full
// and four incremental exports against the "arj x" runs that extract just those files; and what the
// run's manifest and the history's copy of each archive's description add to an export.
//   vesko-restore-bench [FILES] [RUNS]   (default 100000 files, 5 runs)
#include "bench_support.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "export/export_run.h"
#include "format/archive_headers.h"
#include "platform/path_rules.h"
#include "platform/process.h"
#include "restore/archive_catalogue.h"
#include "restore/catalogue_copy.h"
#include "restore/restore_run.h"
#include "restore/restore_selection.h"
#include "settings/stored_settings.h"
#include "storage/database.h"
#include "storage/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <utime.h>
#include <vector>

namespace {

using namespace vesko::bench;
namespace fs = std::filesystem;

std::ostream nowhere(nullptr);

void Write(const std::string& path, const std::string& bytes, std::time_t when)
{
    std::ofstream(path, std::ios::binary) << bytes;
    const utimbuf times { when, when };
    ::utime(path.c_str(), &times);
}

// files files of 100 bytes, 100 to a folder, all last modified in 2022.
void MakeTree(const std::string& root, int files)
{
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/f" + std::to_string(i / 100);
        if (i % 100 == 0)
            fs::create_directories(folder);
        Write(folder + "/file" + std::to_string(i) + ".txt", std::string(100, char('a' + i % 26)),
            1640995200);
    }
}

// The incrementals' cut-offs lie in the future: every file of the tree arrived today, and an
// arrival (its status-change time) counts as a change. Round r changes its files at noon on
// day r after 01-01-2100 and exports since that day, so that each incremental takes the
// files of its own round only.
constexpr std::time_t kFirstDay = 4102444800; // 01-01-2100, 00:00 UTC

std::string CutOffDay(int round)
{
    return "01-" + std::string(round + 1 < 10 ? "0" : "") + std::to_string(round + 1) + "-2100";
}

// Changes one file in a hundred, spread over the tree.
void ChangeSome(const std::string& root, int files, int round)
{
    for (int i = round; i < files; i += 100)
        Write(root + "/f" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".txt",
            "changed in round " + std::to_string(round), kFirstDay + round * 86400 + 43200);
}

vesko::Settings BenchSettings(const std::string& base, const std::string& source)
{
    vesko::Settings settings;
    settings.archiveFolder = base + "/arc/";
    settings.archiverFolder = "/usr/bin/";
    settings.tempFolder = base + "/tmp/";
    settings.sources = { source };
    return settings;
}

double Export(vesko::SettingsStore& store, vesko::Settings settings, const std::string& name,
    const std::string& since)
{
    settings.exportName = name;
    vesko::cli::CliUi ui(nowhere, std::cerr, vesko::Answer::Yes);
    const auto start = Clock::now();
    const vesko::RunReport report
        = vesko::RunExport(vesko::MakeExportRequest(settings, since), ui, store);
    const double took = Seconds(start);
    Check(report.outcome == vesko::RunOutcome::Success, "export " + name + " failed");
    return took;
}

double Restore(vesko::SettingsStore& store, vesko::RestoreRequest request, const std::string& to)
{
    fs::create_directories(to);
    request.to = to + "/";
    vesko::cli::CliUi ui(nowhere, std::cerr, vesko::Answer::No);
    ::sync();
    const auto start = Clock::now();
    const vesko::RunReport report = vesko::RunRestore(request, ui, store);
    const double took = Seconds(start);
    Check(report.outcome == vesko::RunOutcome::Success, "restore into " + to + " failed");
    return took;
}

double Shell(const std::string& command)
{
    ::sync();
    const auto start = Clock::now();
    Check(std::system((command + " >/dev/null").c_str()) == 0, "failed: " + command);
    return Seconds(start);
}

void Report(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs,
    double goal)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / theirs[i]);
    const double ratio = Median(ratios);
    std::printf("%s\n  vesko %.1f ms, archiver %.1f ms, median ratio %.2f", what,
        Median(ours) * 1e3, Median(theirs) * 1e3, ratio);
    if (goal > 0)
        std::printf(" (goal <= %.2f: %s)", goal, ratio <= goal ? "met" : "NOT met");
    std::printf("\n");
}

// The history's copies against their archives, by the archive's first volume name.
void ReportCopies(vesko::SettingsStore& store)
{
    std::optional<vesko::storage::Database> db
        = vesko::storage::Database::OpenForRead(store.Path());
    Check(db.has_value(), "no settings store");
    vesko::storage::Statement row(*db,
        "SELECT r.archive, length(c.entries) + length(c.manifest), "
        "(SELECT sum(size) FROM history_volumes AS v WHERE v.run = r.id) "
        "FROM history_catalogues AS c JOIN history_runs AS r ON r.id = c.run ORDER BY r.id");
    while (row.Step())
        std::printf("  %s: archive %lld bytes, history's copy %lld bytes (%.1f%%)\n",
            fs::path(row.Bytes(0)).filename().c_str(), static_cast<long long>(row.Int(2)),
            static_cast<long long>(row.Int(1)), 100.0 * double(row.Int(1)) / double(row.Int(2)));
    std::printf("  settings store: %llu bytes\n",
        static_cast<unsigned long long>(fs::file_size(store.Path())));
}

} // namespace

// One file that no incremental changed, from the full archive alone: through the history's
// copy of each archive's description and with --from, against arj e of it.
void OneFileBench(vesko::SettingsStore& store, vesko::RestoreRequest request,
    const vesko::CataloguedArchive& manifest, const std::string& fullArchive,
    const std::string& source, const std::string& base, int runs)
{
    vesko::cli::CliUi quiet(nowhere, std::cerr, vesko::Answer::No);
    const std::string one = source + "/f7/file799.txt";
    const std::string entry = manifest.base + vesko::paths::RelativePath(one);
    std::vector<double> ours, theirs, fromFolder, catalogueOnly;
    fs::create_directories(base + "/arc-full/");
    fs::create_hard_link(fullArchive, base + "/arc-full/full.arj");
    for (int run = 0; run < runs; ++run) {
        const std::string n = std::to_string(run);
        request.paths = { one };
        request.from.reset();
        ours.push_back(Restore(store, request, base + "/one-" + n));
        const auto start = Clock::now();
        Check(!vesko::ReadHistoryCatalogue(store, "/usr/bin/arj", quiet).empty(), "catalogue");
        catalogueOnly.push_back(Seconds(start));
        request.from = base + "/arc-full/";
        fromFolder.push_back(Restore(store, request, base + "/one-from-" + n));
        fs::create_directories(base + "/e-" + n);
        theirs.push_back(Shell("/usr/bin/arj e -y -i " + Quoted(fullArchive) + " "
            + Quoted(base + "/e-" + n + "/") + " " + Quoted(entry)));
    }
    Report("one file from the full archive through the history, against arj e of it", ours, theirs,
        1.3);
    std::printf("  of which the history's catalogue of the 5 archives: %.1f ms\n",
        Median(catalogueOnly) * 1e3);
    Report("the same with --from, the archive read", fromFolder, theirs, 0);
}

// A folder of a hundredth of the tree (its files and the later copies of those changed) as of
// the last day, from the whole chain, against the arj x runs that extract just those files
// from each archive. (The archiver compares every entry with every name it is given: a tenth
// of a 100,000-file tree takes it minutes a run.)
void ChainBench(vesko::SettingsStore& store, vesko::RestoreRequest request,
    const vesko::Settings& settings, const std::string& source, const std::string& base, int files,
    int runs)
{
    vesko::cli::CliUi quiet(nowhere, std::cerr, vesko::Answer::No);
    std::vector<double> ours, theirs;
    // A folder of a tenth of the tree as of the last day, from the whole chain.
    request.from = settings.archiveFolder;
    request.paths.clear();
    for (int f = 0; f < std::max(1, files / 10000); ++f)
        request.paths.push_back(source + "/f" + std::to_string(f));
    const auto catalogue = vesko::ReadCatalogue(
        vesko::ArchivesInFolder(settings.archiveFolder), "/usr/bin/arj", quiet);
    const vesko::Selection chosen = vesko::SelectFiles(catalogue, std::nullopt, request.paths);
    for (int run = 0; run < runs; ++run) {
        ours.push_back(Restore(store, request, base + "/chain-" + std::to_string(run)));
        double plain = 0;
        for (const vesko::CataloguedArchive& archive : catalogue) {
            // Given one by one, as the restore gives them: a shell's command line is
            // limited to 128 KiB.
            std::vector<std::string> argv = { "/usr/bin/arj", "x", "-v", "-y", "-i", archive.path,
                base + "/x-" + std::to_string(run) + "/" };
            for (const vesko::ChosenFile& file : chosen.files)
                if (file.archive->path == archive.path)
                    argv.push_back(file.entry);
            if (argv.size() == 7)
                continue;
            ::sync();
            const auto start = Clock::now();
            Check(vesko::RunProcess(argv, quiet).Succeeded(), "arj x of " + archive.path);
            plain += Seconds(start);
        }
        theirs.push_back(plain);
    }
    std::printf("%zu files of %zu folders\n", chosen.files.size(), request.paths.size());
    Report("a folder as of the last day of 1 full + 4 incrementals, against the arj x runs", ours,
        theirs, 1.2);
}

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    char pattern[] = "/tmp/vesko-restore-bench-XXXXXX";
    Check(::mkdtemp(pattern) != nullptr, "cannot make a folder in /tmp");
    const std::string base = pattern, source = base + "/src";
    try {
        ::setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
        vesko::SettingsStore store;
        vesko::SaveSetting(store, "ArjFolder", "/usr/bin/");
        const vesko::Settings settings = BenchSettings(base, source);
        MakeTree(source, files);
        std::printf("tree: %d files\n", files);
        const double full = Export(store, settings, "full", vesko::kEverythingDay);
        std::vector<double> incrementals;
        for (int round = 1; round <= 4; ++round) {
            ChangeSome(source, files, round);
            incrementals.push_back(
                Export(store, settings, "inc" + std::to_string(round), CutOffDay(round)));
        }
        std::printf("full export %.1f s; incremental exports (1%% changed) median %.2f s\n", full,
            Median(incrementals));

        vesko::RestoreRequest request;
        request.archiverFolder = "/usr/bin/";
        request.archiveFolder = settings.archiveFolder;
        request.from = settings.archiveFolder;
        const std::string fullArchive = settings.archiveFolder + "full.arj";
        vesko::cli::CliUi quiet(nowhere, std::cerr, vesko::Answer::No);
        const vesko::CataloguedArchive manifest
            = vesko::ReadCatalogue({ fullArchive }, "/usr/bin/arj", quiet).front();

        ReportCopies(store);

        OneFileBench(store, request, manifest, fullArchive, source, base, runs);

        // What the manifest costs an incremental export: writing it, and archiving it.
        const std::string manifestPath = base + "/manifest/" + vesko::kRunManifestName;
        fs::create_directories(base + "/manifest");
        std::ofstream(manifestPath, std::ios::binary) << vesko::ManifestText(manifest.manifest);
        const auto startWrite = Clock::now();
        std::ofstream(manifestPath + ".again", std::ios::binary)
            << vesko::ManifestText(manifest.manifest);
        const double write = Seconds(startWrite);
        const double archive
            = Shell("/usr/bin/arj a -y " + Quoted(base + "/m.arj") + " " + Quoted(manifestPath));
        // The history's copy of an incremental archive's description, made and stored.
        const std::string last = settings.archiveFolder + "inc4.arj";
        const vesko::ArchiveContents contents = vesko::ReadArchiveHeaders(last);
        const std::string text = vesko::ManifestText(
            vesko::ReadCatalogue({ last }, "/usr/bin/arj", quiet)[0].manifest);
        const auto startCopy = Clock::now();
        vesko::history::SaveCatalogueCopy(store, -1, vesko::MakeCatalogueCopy(contents, text));
        const double copy = Seconds(startCopy);
        vesko::history::DropCatalogueCopy(store, -1);
        std::printf("manifest: %llu bytes, %llu in the archive; writing %.1f ms, archiving "
                    "%.1f ms, the history's copy %.1f ms: %.1f%% of an incremental export "
                    "(goal <= 5%%)\n",
            static_cast<unsigned long long>(fs::file_size(manifestPath)),
            static_cast<unsigned long long>(fs::file_size(base + "/m.arj")), write * 1e3,
            archive * 1e3, copy * 1e3, (write + archive + copy) / Median(incrementals) * 100);

        ChainBench(store, request, settings, source, base, files, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesko-restore-bench: %s\n", e.what());
        fs::remove_all(base);
        return 1;
    }
    fs::remove_all(base);
    return 0;
}
