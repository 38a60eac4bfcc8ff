// The import (the archive's headers read, extraction into the staging folder, checks, moving
// into place)
// against a plain "arj x -v -y" into an empty folder, on the same archive of the
// benchmark's tree, in the same run.
#include "import_bench.h"

#include "bench_support.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "core/run_report.h"
#include "import/import_run.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace vesko::bench;

// A folder holding (a hard link to) the archive, as the import finds it.
std::string FolderWithArchive(const std::string& folder, const std::string& archive)
{
    Check(std::filesystem::create_directory(folder), "cannot create " + folder);
    Check(::link(archive.c_str(), (folder + "/bench.arj").c_str()) == 0,
        "cannot link the archive into " + folder);
    return folder + "/";
}

double RunImport(const std::string& folder, const std::string& settings)
{
    // The archiver's lines go nowhere, as the plain extraction's do; boxes to stderr.
    std::ostream nowhere(nullptr);
    vesko::cli::CliUi ui(nowhere, std::cerr, vesko::Answer::No);
    vesko::SettingsStore store(settings);
    vesko::SaveSetting(store, "ArjFolder", "/usr/bin/");
    const vesko::ImportRequest request
        = vesko::MakeImportRequest(vesko::LoadSettings(store), folder, "bench");
    ::sync();
    const auto start = Clock::now();
    const vesko::RunReport report = vesko::RunImport(request, ui, store);
    const auto stop = Clock::now();
    Check(report.outcome == vesko::RunOutcome::Success, "the import did not succeed in " + folder);
    return std::chrono::duration<double>(stop - start).count();
}

double RunPlainExtraction(const std::string& archive, const std::string& folder)
{
    Check(std::filesystem::create_directory(folder), "cannot create " + folder);
    const std::string command
        = "/usr/bin/arj x -v -y " + Quoted(archive) + " " + Quoted(folder + "/") + " >/dev/null";
    ::sync();
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const auto stop = Clock::now();
    Check(status == 0, "arj x failed: " + command);
    return std::chrono::duration<double>(stop - start).count();
}

} // namespace

bool ImportBench(const std::string& source, const std::string& base, int runs)
{
    std::printf("\nImport (read headers, extract into staging, check, move) against arj x -v -y\n");
    const std::string archive = base + "/bench.arj";
    Check(std::system(("cd " + Quoted(source) + " && /usr/bin/arj a -r -y " + Quoted(archive)
              + " '*' >/dev/null")
                          .c_str())
            == 0,
        "cannot archive " + source);
    const std::string settings = base + "/import-settings.sqlite";

    // One untimed run of each warms the caches and checks that both restore the same files.
    const std::string warm = FolderWithArchive(base + "/import-warm", archive);
    RunImport(warm, settings);
    RunPlainExtraction(archive, base + "/plain-warm");
    std::vector<std::string> restored = FilesBelow(warm);
    restored.erase(std::find(restored.begin(), restored.end(), "bench.arj"));
    const bool same = restored == FilesBelow(base + "/plain-warm");
    std::printf("archive: %llu bytes, %zu files; same files as arj x: %s\n",
        static_cast<unsigned long long>(std::filesystem::file_size(archive)), restored.size(),
        same ? "yes" : "NO");

    std::vector<double> ours, theirs;
    for (int run = 0; run < runs; ++run) {
        const std::string mine = base + "/import-" + std::to_string(run);
        const std::string plain = base + "/plain-" + std::to_string(run);
        if (run % 2 == 0) {
            ours.push_back(RunImport(FolderWithArchive(mine, archive), settings));
            theirs.push_back(RunPlainExtraction(archive, plain));
        } else {
            theirs.push_back(RunPlainExtraction(archive, plain));
            ours.push_back(RunImport(FolderWithArchive(mine, archive), settings));
        }
    }
    std::printf("runs (ms), vesko / arj x:");
    for (std::size_t i = 0; i < ours.size(); ++i)
        std::printf(" %.0f/%.0f", ours[i] * 1e3, theirs[i] * 1e3);
    std::vector<double> ratios;
    for (std::size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / theirs[i]);
    // Of the pairs, each run beside its peer under the same load.
    const double ratio = Median(ratios);
    std::printf("\n%d runs each, median:\n", runs);
    std::printf("  import (vesko):            %8.1f ms\n", Median(ours) * 1e3);
    std::printf("  arj x -v -y:               %8.1f ms\n", Median(theirs) * 1e3);
    std::printf("  ratio of the pairs:        %8.2f   (goal <= 1.15: %s)\n", ratio,
        ratio <= 1.15 ? "met" : "NOT met");
    return same;
}
