// The copy phase of an export (mirror, copy, prune) against find | cpio on the same tree,
// the import of that tree's archive against a plain extraction, and the peak memory of the
// copy phase over a large tree.
//
//   vesko-bench [--files N] [--folders N] [--memory-files N] [--runs N] [--dir PATH]
//               [--no-import]
//
// Defaults: 20,000 files in 2,000 folders, a tenth of them modified after the cut-off;
// 100,000 files for the memory figure; 5 timed runs of each, the median reported.
#include "cli/cli_ui.h"
#include "export_bench.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_empties.h"
#include "import_bench.h"
#include "platform/host.h"
#include "platform/memory_form.h"
#include "platform/settings_backing.h"
#include "platform/ui_services.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Field = vesko::MainForm::Field;
using Label = vesko::MainForm::Label;

// The cut-off day, as the date field shows it and as find reads it.
constexpr const char* kDateField = "06-15-2020";
constexpr const char* kFindDay = "2020-06-15";

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

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

// folders folders in two levels (a few dozen top folders, the rest spread below them) and
// files files spread evenly over them; a tenth, picked at random, modified after the
// cut-off, so some folders receive no copy and are pruned.
void BuildTree(const std::string& root, int files, int folders)
{
    const int top = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(folders)) / 1.1));
    std::vector<std::string> dirs;
    Check(::mkdir(root.c_str(), 0755) == 0, "cannot create " + root);
    for (int t = 0; t < top && static_cast<int>(dirs.size()) < folders; ++t) {
        dirs.push_back(root + "/top" + std::to_string(t));
        Check(::mkdir(dirs.back().c_str(), 0755) == 0, "cannot create " + dirs.back());
    }
    for (int i = 0; static_cast<int>(dirs.size()) < folders; ++i) {
        dirs.push_back(dirs[static_cast<std::size_t>(i % top)] + "/sub" + std::to_string(i));
        Check(::mkdir(dirs.back().c_str(), 0755) == 0, "cannot create " + dirs.back());
    }

    std::mt19937 random(20200615);
    std::vector<bool> changed(static_cast<std::size_t>(files), false);
    std::fill(changed.begin(), changed.begin() + files / 10, true);
    std::shuffle(changed.begin(), changed.end(), random);
    const std::time_t before = LocalSeconds(2020, 5, 16, 12);
    const std::time_t after = LocalSeconds(2020, 6, 17, 12);
    std::string bytes(4096, 'x');
    for (auto& c : bytes)
        c = static_cast<char>('a' + random() % 26);

    for (int i = 0; i < files; ++i) {
        const std::string path = dirs[static_cast<std::size_t>(i) % dirs.size()] + "/file"
            + std::to_string(i) + (i % 3 == 0 ? "" : ".txt");
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        Check(fd >= 0, "cannot create " + path);
        const std::size_t size = 200 + random() % 3800;
        Check(
            ::write(fd, bytes.data(), size) == static_cast<ssize_t>(size), "cannot write " + path);
        const timespec times[2] = { { changed[static_cast<std::size_t>(i)] ? after : before, 0 },
            { changed[static_cast<std::size_t>(i)] ? after : before, 0 } };
        Check(::futimens(fd, times) == 0, "cannot set the time of " + path);
        ::close(fd);
    }
}

struct PhaseResult {
    double seconds = 0;
    std::uint64_t copied = 0;
    std::uint64_t bytes = 0;
    int boxes = 0;
};

// One export's copy phase for one source, as CopyBackupFiles runs it.
PhaseResult RunCopyPhase(const std::string& source, const std::string& temp)
{
    Check(::mkdir(temp.c_str(), 0700) == 0, "cannot create " + temp);
    vesko::MemoryForm form;
    // No person: boxes go to stderr so that a failure is not silent.
    vesko::cli::CliUi ui(std::cout, std::cerr, vesko::Answer::Yes);
    vesko::SettingsStore store(temp + ".unused-settings");
    vesko::Host host { form, ui, store };
    form.SetText(Field::txtDestinDir, temp + "/");
    form.SetDateText(kDateField);
    vesko::ExportCopyCounters() = {};

    // The writeback of earlier runs is not charged to this one.
    ::sync();
    const auto start = Clock::now();
    vesko::CopyLog log;
    vesko::AddFiles(host, source, log);
    vesko::RemoveEmpties(host, temp + "/");
    const auto stop = Clock::now();
    Check(form.Text(Field::ExportStatus) == "OK", "the copy phase did not complete");
    return { std::chrono::duration<double>(stop - start).count(),
        vesko::ExportCopyCounters().copied, vesko::ExportCopyCounters().bytes, ui.BoxCount() };
}

std::string Quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

double RunFindCpio(const std::string& source, const std::string& dest)
{
    Check(::mkdir(dest.c_str(), 0700) == 0, "cannot create " + dest);
    const std::string command = "find " + Quoted(source) + " -newermt " + kFindDay
        + " -type f | cpio -pdm --quiet " + Quoted(dest);
    // The writeback of earlier runs is not charged to this one.
    ::sync();
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const auto stop = Clock::now();
    Check(status == 0, "find | cpio failed: " + command);
    return std::chrono::duration<double>(stop - start).count();
}

std::vector<std::string> FilesBelow(const std::string& root)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The copy phase in a fresh process, so that its peak resident size is its own.
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
    rusage usage {};
    Check(::wait4(pid, &status, 0, &usage) == pid, "wait4 failed");
    Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the copy phase child failed");
    return { std::atof(out.c_str()), usage.ru_maxrss };
}

struct Options {
    int files = 20000;
    int folders = 2000;
    int memoryFiles = 100000;
    int runs = 5;
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
        if (i + 1 >= argc)
            throw std::runtime_error("option " + name + " needs a value");
        const std::string value = argv[i + 1];
        if (name == "--files")
            o.files = std::stoi(value);
        else if (name == "--folders")
            o.folders = std::stoi(value);
        else if (name == "--memory-files")
            o.memoryFiles = std::stoi(value);
        else if (name == "--runs")
            o.runs = std::max(1, std::stoi(value));
        else if (name == "--dir")
            o.dir = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    return o;
}

int Bench(const Options& o)
{
    std::string base = (o.dir.empty() ? std::filesystem::temp_directory_path().string() : o.dir)
        + "/vesko-bench-XXXXXX";
    Check(::mkdtemp(base.data()) != nullptr, "mkdtemp failed");
    struct Cleanup {
        std::string path;
        ~Cleanup() { std::filesystem::remove_all(path); }
    } cleanup { base };

    std::printf("Copy phase (mirror, copy, prune) against find -newermt | cpio -pdm\n");
    std::printf("working folder: %s\n\n", base.c_str());

    const std::string source = base + "/src";
    auto t0 = Clock::now();
    BuildTree(source, o.files, o.folders);
    std::printf("tree: %d files in %d folders, %d modified after %s (built in %.1f s)\n", o.files,
        o.folders, o.files / 10, kFindDay,
        std::chrono::duration<double>(Clock::now() - t0).count());

    // One untimed run of each warms the caches and checks that both copy the same files.
    // Nothing is deleted until every run is done, and the order alternates: ext4 makes new
    // inodes slower for a while after many were freed, which would weigh on whoever comes
    // right after a deletion.
    const PhaseResult warm = RunCopyPhase(source, base + "/ours-warm");
    RunFindCpio(source, base + "/cpio-warm");
    const bool same = FilesBelow(base + "/ours-warm") == FilesBelow(base + "/cpio-warm");
    std::printf("files copied: %llu (%llu bytes); same files as find | cpio: %s; boxes: %d\n",
        static_cast<unsigned long long>(warm.copied), static_cast<unsigned long long>(warm.bytes),
        same ? "yes" : "NO", warm.boxes);

    std::vector<double> ours, theirs;
    for (int run = 0; run < o.runs; ++run) {
        const std::string a = base + "/ours-" + std::to_string(run);
        const std::string b = base + "/cpio-" + std::to_string(run);
        if (run % 2 == 0) {
            ours.push_back(RunCopyPhase(source, a).seconds);
            theirs.push_back(RunFindCpio(source, b));
        } else {
            theirs.push_back(RunFindCpio(source, b));
            ours.push_back(RunCopyPhase(source, a).seconds);
        }
    }
    std::printf("\nruns (ms), vesko / find|cpio:");
    for (std::size_t i = 0; i < ours.size(); ++i)
        std::printf(" %.0f/%.0f", ours[i] * 1e3, theirs[i] * 1e3);
    std::printf("\n");
    const double ourTime = Median(ours);
    const double theirTime = Median(theirs);
    std::printf("\n%d runs each, median:\n", o.runs);
    std::printf("  copy phase (vesko):        %8.1f ms  (best %.1f ms)\n", ourTime * 1e3,
        *std::min_element(ours.begin(), ours.end()) * 1e3);
    std::printf("  find | cpio -pdm:          %8.1f ms  (best %.1f ms)\n", theirTime * 1e3,
        *std::min_element(theirs.begin(), theirs.end()) * 1e3);
    const double ratio = ourTime / theirTime;
    std::printf("  ratio vesko / find|cpio:   %8.2f   (goal <= 1.25: %s)\n", ratio,
        ratio <= 1.25 ? "met" : "NOT met");
    for (const auto& entry : std::filesystem::directory_iterator(base))
        if (entry.path() != source)
            std::filesystem::remove_all(entry.path());
    const bool exported = ExportBench(source, base, o.runs);
    for (const auto& entry : std::filesystem::directory_iterator(base))
        if (entry.path() != source)
            std::filesystem::remove_all(entry.path());
    const bool imported = !o.import || ImportBench(source, base, o.runs);
    for (const auto& entry : std::filesystem::directory_iterator(base))
        std::filesystem::remove_all(entry.path());

    if (o.memoryFiles <= 0)
        return same && exported && imported && warm.boxes == 0 ? 0 : 1;

    // Peak memory over a large tree, the copy phase alone in a fresh process.
    const int memoryFolders = std::max(1, o.memoryFiles / 10);
    const std::string big = base + "/big";
    t0 = Clock::now();
    BuildTree(big, o.memoryFiles, memoryFolders);
    std::printf("\nlarge tree: %d files in %d folders (built in %.1f s)\n", o.memoryFiles,
        memoryFolders, std::chrono::duration<double>(Clock::now() - t0).count());
    RunFindCpio(big, base + "/big-cpio");
    const double bigCpio = RunFindCpio(big, base + "/big-cpio2");
    const ChildResult child = RunCopyPhaseInChild(big, base + "/big-ours");
    const double mib = static_cast<double>(child.maxRssKiB) / 1024.0;
    std::printf("  copy phase (vesko):        %8.1f ms, peak resident memory %.1f MiB "
                "(goal < 64 MiB: %s)\n",
        child.seconds * 1e3, mib, mib < 64.0 ? "met" : "NOT met");
    std::printf("  find | cpio -pdm:          %8.1f ms  (ratio %.2f)\n", bigCpio * 1e3,
        child.seconds / bigCpio);
    return same && exported && imported && warm.boxes == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 5 && std::string(argv[1]) == "--build-tree") {
            BuildTree(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "--copy-phase-child") {
            const PhaseResult r = RunCopyPhase(argv[2], argv[3]);
            std::printf("%.6f\n", r.seconds);
            return r.boxes == 0 ? 0 : 1;
        }
        return Bench(ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesko-bench: %s\n", e.what());
        return 2;
    }
}
