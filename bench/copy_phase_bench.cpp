// The copy phase of an export (one walk, prune) and the whole export (copy phase, arj a,
// arj t, cleanup) against the shell's own tools on the same tree, at several shares of
// changed files; the phases of the whole export and the verification's share; the import
// of that tree's archive against a plain extraction; and the time and peak memory of the
// copy phase over a large tree.
//
//   vesko-bench [--files N] [--folders N] [--memory-files N] [--runs N] [--dir PATH]
//               [--changed P,P,...] [--export-runs N] [--no-import]
//
// Defaults: 20,000 files in 2,000 folders, 0.1, 1, 10 and 100 per cent of them modified
// after the cut-off; 5 interleaved pairs of timed runs for the copy phase, 3 for the whole
// export (0 leaves it out); 100,000 files at 1% for the large tree (0 leaves it out). The
// figures of the README: --files 100000 --folders 10000, and --memory-files 1000000.
#include "bench_support.h"
#include "cli/cli_ui.h"
#include "core/requests.h"
#include "core/run_report.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "export/export_run.h"
#include "export_bench.h"
#include "foldertree/copy_changed_files.h"
#include "foldertree/prune_empty_folders.h"
#include "import_bench.h"
#include "platform/dates.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace vesko::bench;

// The cut-off day, as the date field shows it and as find reads it. A day to come: a file
// counts as changed by its status-change time too, which is the tree's building for every
// file, so the changed files are the ones given a modification time after this day.
constexpr const char* kDateField = "06-15-2099";
constexpr const char* kFindDay = "2099-06-15";

std::time_t LocalSeconds(int year, int month, int day, int hour)
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// A tree of files folders in two levels (a few dozen top folders, the rest spread below
// them), files spread evenly over them, all modified before the cut-off. Its files are
// kept in a random order: the first Changed() of them are the ones modified after it.
class Tree {
public:
    Tree(std::string root, int files, int folders)
        : root_(std::move(root))
    {
        const int top
            = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(folders)) / 1.1));
        std::vector<std::string> dirs;
        Check(::mkdir(root_.c_str(), 0755) == 0, "cannot create " + root_);
        for (int t = 0; t < top && static_cast<int>(dirs.size()) < folders; ++t) {
            dirs.push_back(root_ + "/top" + std::to_string(t));
            Check(::mkdir(dirs.back().c_str(), 0755) == 0, "cannot create " + dirs.back());
        }
        for (int i = 0; static_cast<int>(dirs.size()) < folders; ++i) {
            dirs.push_back(dirs[static_cast<std::size_t>(i % top)] + "/sub" + std::to_string(i));
            Check(::mkdir(dirs.back().c_str(), 0755) == 0, "cannot create " + dirs.back());
        }
        std::mt19937 random(20200615);
        std::string bytes(4096, 'x');
        for (auto& c : bytes)
            c = static_cast<char>('a' + random() % 26);
        for (int i = 0; i < files; ++i) {
            files_.push_back(dirs[static_cast<std::size_t>(i) % dirs.size()] + "/file"
                + std::to_string(i) + (i % 3 == 0 ? "" : ".txt"));
            const int fd
                = ::open(files_.back().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            Check(fd >= 0, "cannot create " + files_.back());
            const std::size_t size = 200 + random() % 3800;
            Check(::write(fd, bytes.data(), size) == static_cast<ssize_t>(size),
                "cannot write " + files_.back());
            ::close(fd);
            Touch(files_.back(), false);
        }
        std::shuffle(files_.begin(), files_.end(), random);
    }

    const std::string& Root() const { return root_; }
    std::size_t Files() const { return files_.size(); }
    std::size_t Changed() const { return changed_; }
    // Makes the first count files of the random order the changed ones.
    void SetChanged(std::size_t count)
    {
        count = std::min(count, files_.size());
        for (std::size_t i = std::min(count, changed_); i < std::max(count, changed_); ++i)
            Touch(files_[i], i < count);
        changed_ = count;
    }

private:
    static void Touch(const std::string& path, bool changed)
    {
        static const std::time_t before = LocalSeconds(2020, 5, 16, 12);
        static const std::time_t after = LocalSeconds(2099, 6, 17, 12);
        const timespec times[2]
            = { { changed ? after : before, 0 }, { changed ? after : before, 0 } };
        Check(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0, "cannot set the time of " + path);
    }

    std::string root_;
    std::vector<std::string> files_;
    std::size_t changed_ = 0;
};

struct PhaseResult {
    double seconds = 0;
    std::uint64_t copied = 0;
    int boxes = 0;
};

// One export's copy phase for one source, as CopySource runs it.
PhaseResult RunCopyPhase(const std::string& source, const std::string& temp)
{
    Check(::mkdir(temp.c_str(), 0700) == 0, "cannot create " + temp);
    // No person: boxes go to stderr so that a failure is not silent.
    vesko::cli::CliUi ui(std::cout, std::cerr, vesko::Answer::Yes);
    const vesko::TimePoint cutOff = vesko::CutOffFromDateField(kDateField);

    vesko::CopyLog log;
    const auto start = Clock::now();
    const vesko::CopyEnd end = vesko::CopyChangedFiles(ui, temp + "/", source, cutOff, log);
    vesko::PruneEmptyFolders(ui, temp + "/");
    const double seconds = Seconds(start);
    Check(end == vesko::CopyEnd::Done, "the copy phase did not complete");
    Check(log.leftOut.empty(), "the copy phase left files out");
    return { seconds, log.counters.copied, ui.BoxCount() };
}

double RunShell(const std::string& command)
{
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(start);
    Check(status == 0, "failed: " + command);
    return seconds;
}

std::string FindCpio(const std::string& source, const std::string& dest)
{
    return "find " + Quoted(source) + " -newermt " + kFindDay + " -type f | cpio -pdm --quiet "
        + Quoted(dest);
}

double RunFindCpio(const std::string& source, const std::string& dest)
{
    Check(::mkdir(dest.c_str(), 0700) == 0, "cannot create " + dest);
    return RunShell(FindCpio(source, dest));
}

// The whole unattended export through the library, as the command line runs it: the
// settings stored, then copy phase, archiver, cleanup answered Yes.
double RunExport(const std::string& source, const std::string& work, const std::string& name)
{
    std::ostringstream out, err;
    vesko::cli::CliUi ui(out, err, vesko::Answer::Yes);
    vesko::SettingsStore store(work + "/settings.sqlite");
    vesko::Settings settings;
    settings.tempFolder = work + "/temp-" + name + "/";
    settings.archiveFolder = work + "/archives/";
    settings.exportName = name;
    settings.archiverFolder = "/usr/bin/";
    settings.sources = { source };
    vesko::ApplySettings(store, settings);
    const auto start = Clock::now();
    const vesko::RunReport report
        = vesko::RunExport(vesko::MakeExportRequest(settings, kDateField), ui, store);
    const double seconds = Seconds(start);
    Check(report.outcome == vesko::RunOutcome::Success, "the export failed: " + err.str());
    return seconds;
}

double RunShellExport(const std::string& source, const std::string& work, const std::string& name)
{
    const std::string dest = work + "/temp-" + name;
    const std::string archive = work + "/archives/" + name + ".arj";
    return RunShell("mkdir -m 700 " + Quoted(dest) + " && " + FindCpio(source, dest)
        + " && arj a -r -y " + Quoted(archive) + " " + Quoted(dest + "/*") + " >/dev/null && arj t "
        + Quoted(archive) + " >/dev/null && rm -rf " + Quoted(dest));
}

// Pairs of runs, the order alternating within the pair (no sync before a run: on a machine
// shared with other work it waits for everybody's writeback; the alternating order lets the
// writeback of earlier runs weigh on both sides alike); the median of the pairs' ratios
// and of each side's times. Nothing is deleted until every run is done: ext4 makes new
// inodes slower for a while after many were freed, which would weigh on whoever comes
// right after a deletion.
struct Pairs {
    std::vector<double> ours, theirs, ratios;

    template <typename Ours, typename Theirs> void Run(int runs, Ours ours_, Theirs theirs_)
    {
        for (int run = 0; run < runs; ++run) {
            double a = 0, b = 0;
            if (run % 2 == 0) {
                a = ours_(run);
                b = theirs_(run);
            } else {
                b = theirs_(run);
                a = ours_(run);
            }
            ours.push_back(a);
            theirs.push_back(b);
            ratios.push_back(a / b);
        }
    }
};

void RemoveAllBelow(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(entry.path());
}

// The copy phase in a fresh process, which tells its own peak resident size: the one that
// wait4 reports would count the pages the child shared with this process (the large tree's
// file list) between fork and exec.
struct ChildResult {
    double seconds = 0;
    long maxRssKiB = 0;
};

ChildResult RunCopyPhaseInChild(const std::string& source, const std::string& temp)
{
    int fds[2];
    Check(::pipe(fds) == 0, "pipe failed");
    const pid_t pid = ::fork();
    Check(pid >= 0, "fork failed");
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl("/proc/self/exe", "vesko-bench", "--copy-phase-child", source.c_str(), temp.c_str(),
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    Check(::waitpid(pid, &status, 0) == pid, "waitpid failed");
    Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the copy phase child failed");
    ChildResult result;
    std::istringstream(out) >> result.seconds >> result.maxRssKiB;
    return result;
}

struct Options {
    int files = 20000;
    int folders = 2000;
    int memoryFiles = 100000;
    int runs = 5;
    int exportRuns = 3;
    std::vector<double> changed { 0.1, 1, 10, 100 };
    std::string dir;
    bool import = true;
};

Options ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--no-import") {
            o.import = false;
            --i;
            continue;
        }
        Check(i + 1 < argc, "option " + name + " wants a value");
        const std::string value = argv[i + 1];
        if (name == "--files")
            o.files = std::stoi(value);
        else if (name == "--folders")
            o.folders = std::stoi(value);
        else if (name == "--memory-files")
            o.memoryFiles = std::stoi(value);
        else if (name == "--runs")
            o.runs = std::max(1, std::stoi(value));
        else if (name == "--export-runs")
            o.exportRuns = std::max(0, std::stoi(value));
        else if (name == "--changed") {
            o.changed.clear();
            std::stringstream list(value);
            for (std::string item; std::getline(list, item, ',');)
                o.changed.push_back(std::stod(item));
        } else if (name == "--dir")
            o.dir = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    return o;
}

struct Row {
    double percent = 0;
    std::size_t changed = 0;
    double ours = 0, theirs = 0, ratio = 0;
    double exportOurs = 0, exportTheirs = 0, exportRatio = 0;
    bool same = false;
};

std::size_t CountFor(const Tree& tree, double percent)
{
    return static_cast<std::size_t>(
        std::llround(static_cast<double>(tree.Files()) * percent / 100));
}

const char* Verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// The copy phase and the whole export at one share of changed files, each against its peer.
Row MeasureRow(const Options& o, Tree& tree, const std::string& work, double percent)
{
    Row row;
    row.percent = percent;
    tree.SetChanged(CountFor(tree, percent));
    row.changed = tree.Changed();

    // One untimed run of each warms the caches and checks that both copy the same files.
    const PhaseResult warm = RunCopyPhase(tree.Root(), work + "/ours-warm");
    RunFindCpio(tree.Root(), work + "/cpio-warm");
    row.same = warm.boxes == 0 && warm.copied == row.changed
        && FilesBelow(work + "/ours-warm") == FilesBelow(work + "/cpio-warm");

    Pairs copy;
    copy.Run(
        o.runs,
        [&](int run) {
            return RunCopyPhase(tree.Root(), work + "/ours-" + std::to_string(run)).seconds;
        },
        [&](int run) { return RunFindCpio(tree.Root(), work + "/cpio-" + std::to_string(run)); });
    RemoveAllBelow(work);
    row.ours = Median(copy.ours);
    row.theirs = Median(copy.theirs);
    row.ratio = Median(copy.ratios);
    std::printf("%g%% changed (%zu files), copy phase ms, vesko/find|cpio:", percent, row.changed);
    for (std::size_t i = 0; i < copy.ours.size(); ++i)
        std::printf(" %.0f/%.0f", copy.ours[i] * 1e3, copy.theirs[i] * 1e3);
    std::printf("\n");

    if (o.exportRuns > 0 && row.changed > 0) {
        Check(::mkdir((work + "/archives").c_str(), 0700) == 0, "cannot create archives");
        Pairs whole;
        whole.Run(
            o.exportRuns,
            [&](int run) { return RunExport(tree.Root(), work, "ours" + std::to_string(run)); },
            [&](int run) {
                return RunShellExport(tree.Root(), work, "shell" + std::to_string(run));
            });
        RemoveAllBelow(work);
        row.exportOurs = Median(whole.ours);
        row.exportTheirs = Median(whole.theirs);
        row.exportRatio = Median(whole.ratios);
        std::printf("%g%% changed, whole export ms, vesko/shell:", percent);
        for (std::size_t i = 0; i < whole.ours.size(); ++i)
            std::printf(" %.0f/%.0f", whole.ours[i] * 1e3, whole.theirs[i] * 1e3);
        std::printf("\n");
    }
    return row;
}

void PrintTable(const Options& o, const std::vector<Row>& rows)
{
    std::printf("\n%d files in %d folders; medians of %d interleaved pairs (copy phase) and %d "
                "(whole export)\n\n",
        o.files, o.folders, o.runs, o.exportRuns);
    std::printf("| changed | copy phase | find \\| cpio -pdm | ratio (goal <= 1.0) | whole export "
                "| find \\| cpio; arj a; arj t; rm -rf | ratio (goal <= 1.05) | same files |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const Row& r : rows) {
        std::printf("| %g%% | %.0f ms | %.0f ms | %.2f %s |", r.percent, r.ours * 1e3,
            r.theirs * 1e3, r.ratio, Verdict(r.ratio <= 1.0));
        if (r.exportTheirs > 0)
            std::printf(" %.0f ms | %.0f ms | %.2f %s |", r.exportOurs * 1e3, r.exportTheirs * 1e3,
                r.exportRatio, Verdict(r.exportRatio <= 1.05));
        else
            std::printf(" - | - | - |");
        std::printf(" %s |\n", r.same ? "yes" : "NO");
    }
}

int Bench(const Options& o)
{
    std::string base
        = std::filesystem::canonical(
              o.dir.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(o.dir))
              .string()
        + "/vesko-bench-XXXXXX";
    Check(::mkdtemp(base.data()) != nullptr, "mkdtemp failed");
    struct Cleanup {
        std::string path;
        ~Cleanup() { std::filesystem::remove_all(path); }
    } cleanup { base };
    const std::string work = base + "/work";
    Check(::mkdir(work.c_str(), 0700) == 0, "cannot create " + work);

    std::printf("working folder: %s\n", base.c_str());
    auto t0 = Clock::now();
    Tree tree(base + "/src", o.files, o.folders);
    std::printf(
        "tree: %d files in %d folders (built in %.1f s)\n\n", o.files, o.folders, Seconds(t0));

    bool allSame = true;
    std::vector<Row> rows;
    for (double percent : o.changed) {
        rows.push_back(MeasureRow(o, tree, work, percent));
        allSame &= rows.back().same;
    }

    PrintTable(o, rows);

    if (o.exportRuns > 0) {
        allSame &= ExportBench(tree.Root(), work, o.exportRuns);
        RemoveAllBelow(work);
    }
    if (o.import) {
        std::printf("\n");
        allSame &= ImportBench(tree.Root(), work, o.runs);
        RemoveAllBelow(work);
    }

    if (o.memoryFiles > 0) {
        std::filesystem::remove_all(tree.Root());
        // The large tree at 1% changed: the copy phase alone in a fresh process, for its
        // peak memory, against the main tree's run at 1%.
        const int memoryFolders = std::max(1, o.memoryFiles / 10);
        t0 = Clock::now();
        Tree big(base + "/big", o.memoryFiles, memoryFolders);
        big.SetChanged(CountFor(big, 1));
        std::printf("\nlarge tree: %d files in %d folders, 1%% changed (built in %.1f s)\n",
            o.memoryFiles, memoryFolders, Seconds(t0));
        RunFindCpio(big.Root(), work + "/big-cpio-warm");
        RunCopyPhase(big.Root(), work + "/big-ours-warm");
        const double bigCpio = RunFindCpio(big.Root(), work + "/big-cpio");
        const ChildResult child = RunCopyPhaseInChild(big.Root(), work + "/big-ours");
        const double mib = static_cast<double>(child.maxRssKiB) / 1024.0;
        std::printf("  copy phase (vesko):  %8.0f ms, peak resident memory %.1f MiB (goal < 64 "
                    "MiB: %s)\n",
            child.seconds * 1e3, mib, Verdict(mib < 64.0));
        std::printf("  find | cpio -pdm:    %8.0f ms (ratio %.2f)\n", bigCpio * 1e3,
            child.seconds / bigCpio);
        for (const Row& r : rows)
            if (r.percent == 1)
                std::printf("  against the %d-file tree at 1%%: %.1f times (goal <= 12 for "
                            "1,000,000 against 100,000 files: %s)\n",
                    o.files, child.seconds / r.ours, Verdict(child.seconds / r.ours <= 12.0));
    }
    return allSame ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Each line as it comes, also into a pipe: a long run shows its progress.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        // A tree for measuring by hand (strace -c): files, folders, per cent changed.
        if (argc == 6 && std::string(argv[1]) == "--build-tree") {
            Tree tree(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
            tree.SetChanged(CountFor(tree, std::stod(argv[5])));
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "--copy-phase-child") {
            const PhaseResult r = RunCopyPhase(argv[2], argv[3]);
            long peakKiB = 0;
            std::ifstream status("/proc/self/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("VmHWM:", 0) == 0)
                    peakKiB = std::stol(line.substr(6));
            std::printf("%.6f %ld\n", r.seconds, peakKiB);
            return r.boxes == 0 ? 0 : 1;
        }
        return Bench(ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesko-bench: %s\n", e.what());
        return 2;
    }
}
