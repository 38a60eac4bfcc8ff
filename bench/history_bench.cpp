// What the run history costs: the time to record an export of 100,000 files against the
// export itself on the same tree, and the size of the settings file after 1,000 runs of
// 1,000 files each with the same paths recurring.
//
//   vesko-history-bench [--files N] [--runs N] [--kept-runs N] [--run-files N] [--dir PATH]
//
// Defaults: a tree of 100,000 files (200 to 4,000 bytes, 10,000 folders in two levels), all
// modified after the cut-off, exported with the real archiver; 3 timed runs of each, the
// median ratio reported. Then 1,000 recorded runs of 1,000 files each.
#include "bench_support.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "core/run_report.h"
#include "core/settings.h"
#include "export/export_run.h"
#include "settings/stored_settings.h"
#include "storage/run_history.h"
#include "storage/run_records.h"
#include "storage/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace vesko::bench;
namespace fs = std::filesystem;

struct Options {
    int files = 100000;
    int runs = 3;
    int keptRuns = 1000;
    int runFiles = 1000;
    std::string dir;
};

Options ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--files")
            o.files = std::max(1, std::stoi(value));
        else if (name == "--runs")
            o.runs = std::max(1, std::stoi(value));
        else if (name == "--kept-runs")
            o.keptRuns = std::max(1, std::stoi(value));
        else if (name == "--run-files")
            o.runFiles = std::max(1, std::stoi(value));
        else if (name == "--dir")
            o.dir = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    return o;
}

// files files in a tenth as many folders, two levels deep, every one of them new enough to
// be exported; answers them as an export lists them, by their path below the source.
std::vector<vesko::ArchivedFile> BuildTree(const std::string& root, int files)
{
    const int folders = std::max(1, files / 10);
    const int top = std::max(1, folders / 100);
    std::vector<std::string> dirs;
    for (int i = 0; i < folders; ++i)
        dirs.push_back(i < top ? "top" + std::to_string(i)
                               : "top" + std::to_string(i % top) + "/sub" + std::to_string(i));
    for (const std::string& d : dirs)
        fs::create_directories(root + "/" + d);

    std::mt19937 random(20200615);
    const std::string bytes(4096, 'x');
    std::vector<vesko::ArchivedFile> listed;
    for (int i = 0; i < files; ++i) {
        const std::string relative
            = dirs[static_cast<std::size_t>(i % folders)] + "/file" + std::to_string(i) + ".txt";
        const std::string path = root + "/" + relative;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        Check(fd >= 0, "cannot create " + path);
        const std::size_t size = 200 + random() % 3800;
        Check(
            ::write(fd, bytes.data(), size) == static_cast<ssize_t>(size), "cannot write " + path);
        ::close(fd);
        listed.push_back({ relative, size, std::chrono::system_clock::now() });
    }
    return listed;
}

struct ExportResult {
    double seconds = 0;
    bool recordedItsFiles = false; // the export's own record holds its file list
};

// One export of the tree with the real archiver, as the command line runs it.
ExportResult TimeExport(
    const std::string& base, const std::string& source, vesko::SettingsStore& store)
{
    std::ostringstream out, err;
    vesko::cli::CliUi ui(out, err, vesko::Answer::Yes);
    // An export refuses to run on a store that holds no setting at all.
    vesko::SaveSetting(store, "ExportArj", "bench");
    vesko::Settings settings;
    settings.archiveFolder = base + "/arc/";
    settings.archiverFolder = "/usr/bin/";
    settings.tempFolder = base + "/temp/";
    settings.exportName = "bench";
    settings.sources = { source };
    const vesko::ExportRequest request = vesko::MakeExportRequest(settings, "01-01-2001");
    fs::remove(base + "/arc/bench.arj");
    ::sync();
    const auto start = Clock::now();
    const vesko::RunReport report = vesko::RunExport(request, ui, store);
    const double seconds = Seconds(start);
    Check(report.outcome == vesko::RunOutcome::Success, "the export failed: " + err.str());
    const auto own = vesko::history::ReadRun(store, vesko::history::ListRuns(store).front().id);
    return { seconds, own && own->archivedCount > 0 };
}

// One run's record, begun and ended as an export does it.
double TimeRecording(vesko::SettingsStore& store, const std::vector<vesko::ArchivedFile>& files)
{
    vesko::RunReport report(vesko::RunKind::Export);
    report.started = std::chrono::system_clock::now();
    report.outcome = vesko::RunOutcome::Success;
    report.files = files.size();
    report.archive = "/arc/bench.arj";
    report.archived = files;
    const auto start = Clock::now();
    const std::int64_t id = vesko::history::BeginRun(store, report);
    vesko::history::EndRun(store, id, report);
    const double seconds = Seconds(start);
    Check(id != 0, "the run was not recorded");
    return seconds;
}

int Bench(const Options& o)
{
    std::string base = (o.dir.empty() ? fs::temp_directory_path().string() : o.dir)
        + "/vesko-history-bench-XXXXXX";
    Check(::mkdtemp(base.data()) != nullptr, "mkdtemp failed");
    struct Cleanup {
        std::string path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup { base };
    fs::create_directories(base + "/arc");

    std::printf("Run history: recording an export's file list, and the size of the file\n");
    std::printf("working folder: %s\n\n", base.c_str());
    auto t0 = Clock::now();
    const std::vector<vesko::ArchivedFile> files = BuildTree(base + "/src", o.files);
    std::printf("tree: %d files, all exported (built in %.1f s)\n", o.files, Seconds(t0));

    // Each pair alternates which goes first; the export's own store keeps its history too.
    vesko::SettingsStore store(base + "/settings.sqlite");
    std::vector<double> exports, recordings, ratios;
    for (int run = 0; run < o.runs; ++run) {
        ExportResult e;
        double r = 0;
        if (run % 2 == 0) {
            e = TimeExport(base, base + "/src", store);
            r = TimeRecording(store, files);
        } else {
            r = TimeRecording(store, files);
            e = TimeExport(base, base + "/src", store);
        }
        exports.push_back(e.seconds);
        recordings.push_back(r);
        // An export that records its own list has paid for it already.
        ratios.push_back(r / (e.recordedItsFiles ? e.seconds - r : e.seconds));
    }
    std::printf("\n%d runs each, median:\n", o.runs);
    std::printf("  export of the tree:              %9.1f ms\n", Median(exports) * 1e3);
    std::printf("  recording %d archived files: %9.1f ms\n", o.files, Median(recordings) * 1e3);
    const double added = Median(ratios) * 100;
    std::printf("  added to the export:             %9.2f %%  (goal <= 5 %%: %s)\n", added,
        added <= 5 ? "met" : "NOT met");

    // A thousand nights of a thousand files: the same paths, a tenth of them changed each
    // night.
    const std::string nightly = base + "/nightly.sqlite";
    vesko::SettingsStore kept(nightly);
    std::vector<vesko::ArchivedFile> night(files.begin(),
        files.begin() + std::min<std::size_t>(files.size(), static_cast<std::size_t>(o.runFiles)));
    t0 = Clock::now();
    for (int run = 0; run < o.keptRuns; ++run) {
        for (std::size_t i = static_cast<std::size_t>(run) % 10; i < night.size(); i += 10) {
            night[i].size += 1;
            night[i].modified += std::chrono::hours(24);
        }
        TimeRecording(kept, night);
    }
    const double fill = Seconds(t0);
    const double mib = static_cast<double>(fs::file_size(nightly)) / (1024.0 * 1024.0);
    t0 = Clock::now();
    const std::size_t found = vesko::history::FindArchived(kept, "file7.txt").size();
    const double find = Seconds(t0);
    std::printf(
        "\n%d runs of %zu files each (recorded in %.1f s):\n", o.keptRuns, night.size(), fill);
    std::printf("  settings file:                   %9.1f MiB  (goal < 64 MiB: %s)\n", mib,
        mib < 64 ? "met" : "NOT met");
    std::printf(
        "  --find file7.txt:                %9.1f ms, %zu files found\n", find * 1e3, found);
    return added <= 5 && mib < 64 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Each line as it comes: the whole takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return Bench(ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesko-history-bench: %s\n", e.what());
        return 2;
    }
}
