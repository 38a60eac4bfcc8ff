// The archives' care against what it stands beside: checking an archive against the
// archiver's own test of it (arj t -v), and the room check (the sum of the copy's plan) and
// the retention's reading of the history against a whole export of the tree at 1% changed.
#include "bench_support.h"
#include "care/archive_check.h"
#include "care/chains.h"
#include "care/retention.h"
#include "care/space_check.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "export/export_run.h"
#include "foldertree/copy_plan.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sys/time.h>

namespace {

using namespace vesko::bench;

constexpr const char* kCutOffDay = "06-15-2099";
constexpr time_t kChangedTime = 4102444800; // 2100-01-01

// files spread over folders of 100, each a few KB of text, a percentage of them modified
// after the cut-off day and the rest long before it. The cut-off lies in the future: every
// file arrived now, and a file's arrival (its status-change time) counts as a change.
void BuildTree(const std::string& root, int files, double percent)
{
    std::mt19937 random(11);
    const int changedEvery = percent > 0 ? static_cast<int>(100 / percent) : 0;
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/d" + std::to_string(i / 100);
        if (i % 100 == 0)
            std::filesystem::create_directories(folder);
        const std::string path = folder + "/f" + std::to_string(i);
        std::ofstream(path) << std::string(1000 + random() % 6000, static_cast<char>('a' + i % 26));
        const bool changed = changedEvery > 0 && i % changedEvery == 0;
        const time_t when = changed ? kChangedTime : 1500000000;
        const timeval times[2] = { { when, 0 }, { when, 0 } };
        Check(::utimes(path.c_str(), times) == 0, "utimes " + path);
    }
}

struct Export {
    double seconds = 0;
    vesko::RunReport report { vesko::RunKind::Export };
};

Export RunOneExport(
    vesko::SettingsStore& store, const std::string& source, const std::string& base, int run)
{
    const vesko::Settings settings { base + "/archives/", "/usr/bin/", base + "/temp/",
        "care" + std::to_string(run), "", false, { source } };
    vesko::ApplySettings(store, settings);
    std::ostream nowhere(nullptr);
    vesko::cli::CliUi ui(nowhere, nowhere, vesko::Answer::Yes);
    const auto t0 = Clock::now();
    Export e;
    e.report = vesko::RunExport(vesko::MakeExportRequest(settings, kCutOffDay), ui, store);
    e.seconds = Seconds(t0);
    Check(e.report.outcome == vesko::RunOutcome::Success, "the export did not succeed");
    return e;
}

void CheckAgainstArchiverTest(vesko::SettingsStore& store, int runs)
{
    const auto archives = vesko::history::KnownArchives(store);
    Check(!archives.empty(), "no archive recorded");
    const vesko::history::KnownArchive& archive = archives.back();
    std::ostream nowhere(nullptr);
    vesko::cli::CliUi ui(nowhere, nowhere, vesko::Answer::No);
    const std::string test = "/usr/bin/arj t -v " + Quoted(archive.archive) + " >/dev/null";
    std::vector<double> ours, theirs, ratios;
    for (int run = 0; run <= runs; ++run) {
        auto t0 = Clock::now();
        Check(vesko::CheckArchive(store, archive, "/usr/bin/arj", ui).verdict
                == vesko::CheckVerdict::Holds,
            "the archive does not hold");
        const double check = Seconds(t0);
        t0 = Clock::now();
        Check(std::system(test.c_str()) == 0, "arj t -v failed");
        const double arj = Seconds(t0);
        if (run == 0)
            continue; // warms the caches
        ours.push_back(check);
        theirs.push_back(arj);
        ratios.push_back(check / arj);
    }
    std::printf("check of %s (%zu volume(s)): %.1f ms, arj t -v: %.1f ms, median ratio %.3f (goal "
                "<= 1.1: %s)\n",
        archive.archive.c_str(), static_cast<std::size_t>(archive.volumes.size()),
        Median(ours) * 1e3, Median(theirs) * 1e3, Median(ratios),
        Median(ratios) <= 1.1 ? "met" : "NOT met");
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int files = argc > 1 ? std::stoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 5;
    try {
        const std::string base = std::filesystem::temp_directory_path() / "vesko-care-bench";
        std::filesystem::remove_all(base);
        const std::string source = base + "/source";
        BuildTree(source, files, 1);
        vesko::SettingsStore store(base + "/settings.sqlite");

        std::vector<double> exports, checks, retention;
        std::size_t planned = 0;
        for (int run = 0; run <= runs; ++run) {
            const Export e = RunOneExport(store, source, base, run);
            const vesko::Settings settings { base + "/archives/", "/usr/bin/", base + "/temp/", "x",
                "", false, { source } };
            const vesko::ExportRequest request = vesko::MakeExportRequest(settings, kCutOffDay);
            // The plan the export's walk made, made again here: the check has no walk of its own.
            std::ostream nowhere(nullptr);
            vesko::cli::CliUi ui(nowhere, nowhere, vesko::Answer::Yes);
            vesko::CopyLog log;
            vesko::CopyPlan plan;
            Check(vesko::PlanCopy(ui, request.tempFolder, source, request.cutOff, log, plan)
                    == vesko::CopyEnd::Done,
                "the plan's walk did not complete");
            Check(plan.files.size() == e.report.files, "the plan differs from what was copied");
            planned = plan.files.size();
            auto t0 = Clock::now();
            const vesko::SpaceFigures space = vesko::MeasureSpace(request, plan);
            const double check = Seconds(t0);
            Check(space.toCopy >= e.report.bytes, "the check counted fewer bytes than were copied");
            t0 = Clock::now();
            vesko::RemoveOldChains(store, runs + 2, true, nowhere);
            const double keep = Seconds(t0);
            if (run == 0)
                continue;
            exports.push_back(e.seconds);
            checks.push_back(check);
            retention.push_back(keep);
        }
        const double exportMs = Median(exports) * 1e3;
        std::printf("%d files, 1%% changed, medians of %d runs:\n", files, runs);
        std::printf("  whole export:               %8.1f ms\n", exportMs);
        std::printf("  room check (the sum of the copy's plan of %zu files, no walk of its own): "
                    "%.3f ms (%.3f%% of the export)\n",
            planned, Median(checks) * 1e3, Median(checks) * 1e3 / exportMs * 100);
        std::printf("  retention (nothing to drop): %7.1f ms (%.1f%% of the export)\n",
            Median(retention) * 1e3, Median(retention) * 1e3 / exportMs * 100);
        CheckAgainstArchiverTest(store, runs);
        std::filesystem::remove_all(base);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesko-care-bench: %s\n", e.what());
        return 2;
    }
}
