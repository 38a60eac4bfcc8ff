// The whole export through the core's run with the real archiver: the copy
// phase, the archiver, and the verification of what it wrote (its test of the archive, its
// headers compared with the copies), each timed from the steps the progress window is given.
#include "export_bench.h"

#include "bench_support.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "core/run_report.h"
#include "export/export_run.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace vesko::bench;

// The person of the command line, who also notes when each step of the run begins.
class StepClock : public vesko::cli::CliUi {
public:
    StepClock(std::ostream& out)
        : CliUi(out, std::cerr, vesko::Answer::Yes)
    {
    }
    void ProgressStep(const std::string& step) override
    {
        if (step.rfind("Copying", 0) == 0)
            copying = Clock::now();
        else if (step.rfind("Archiving", 0) == 0)
            archiving = Clock::now();
        else if (step.rfind("Verifying", 0) == 0)
            verifying = Clock::now();
    }
    void ProgressEnd() override { ended = Clock::now(); }

    Clock::time_point copying, archiving, verifying, ended;
};

struct Phases {
    double copy = 0, archiver = 0, verification = 0;
};

Phases RunExport(const std::string& source, const std::string& base, int run)
{
    const std::string settings = base + "/export-settings-" + std::to_string(run) + ".sqlite";
    {
        vesko::SettingsStore store(settings);
        const std::map<std::string, std::string> values = { { "ArcFolder", base + "/archives/" },
            { "ArjFolder", "/usr/bin/" }, { "DestinDir", base + "/export-temp/" },
            { "ExportArj", "bench" + std::to_string(run) }, { "DisksSpan", "no" },
            { "SourceDir0", source } };
        for (const auto& [key, value] : values)
            vesko::SaveSetting(store, key, value);
    }
    vesko::SettingsStore store(settings);
    // The archiver's lines go nowhere; boxes to stderr.
    std::ostream nowhere(nullptr);
    StepClock ui(nowhere);
    const vesko::ExportRequest request
        = vesko::MakeExportRequest(vesko::LoadSettings(store), "06-15-2099");
    ::sync();
    if (vesko::RunExport(request, ui, store).outcome != vesko::RunOutcome::Success)
        throw std::runtime_error("the export did not succeed");
    const auto seconds = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double>(b - a).count();
    };
    return { seconds(ui.copying, ui.archiving), seconds(ui.archiving, ui.verifying),
        seconds(ui.verifying, ui.ended) };
}

} // namespace

bool ExportBench(const std::string& source, const std::string& base, int runs)
{
    std::printf("\nWhole export (copy phase, archiver, verification) with the real arj\n");
    try {
        RunExport(source, base, 0); // warms the caches
        std::vector<double> copy, archiver, verification, share;
        for (int run = 1; run <= runs; ++run) {
            const Phases p = RunExport(source, base, run);
            copy.push_back(p.copy);
            archiver.push_back(p.archiver);
            verification.push_back(p.verification);
            share.push_back(p.verification / p.archiver);
        }
        std::printf("runs (ms), copy / archiver / verification:");
        for (std::size_t i = 0; i < copy.size(); ++i)
            std::printf(" %.0f/%.0f/%.0f", copy[i] * 1e3, archiver[i] * 1e3, verification[i] * 1e3);
        const double ratio = Median(share);
        std::printf("\n%d runs, median:\n", runs);
        std::printf("  copy phase:                %8.1f ms\n", Median(copy) * 1e3);
        std::printf("  archiver (arj a):          %8.1f ms\n", Median(archiver) * 1e3);
        std::printf("  verification (test, sizes):%8.1f ms\n", Median(verification) * 1e3);
        std::printf("  verification / archiver:   %8.2f   (goal <= 0.35: %s)\n", ratio,
            ratio <= 0.35 ? "met" : "NOT met");
        return true;
    } catch (const std::exception& e) {
        std::printf("export failed: %s\n", e.what());
        return false;
    }
}
