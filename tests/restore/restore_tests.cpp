// Restores from a chain of archives made by real exports, run as the program itself with
// the real archiver: each as of a day, to its place or elsewhere, from the history or from
// the archives alone; and the archives it must refuse.
#include "format/working_names.h"
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "restore/run_manifest.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/archive_bytes.h"
#include "support/child_process.h"
#include "support/day_zones.h"
#include "support/made_files.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <map>
#include <sys/stat.h>
#include <thread>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Clock = std::chrono::system_clock;

const std::string kOddName = "bad\xff name";
const std::string kLineBreakName = "line\nbreak";
const std::string kReadingArchive = "Reading the archive's description";

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
            { "ExportArj", "unused" }, { "ImportArj", "unused" }, { "DisksSpan", "no" },
            { "SourceDir0", src } });
    }
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        ScopedEnv config("XDG_CONFIG_HOME", configHome);
        test::StoreSettings(settings);
    }
    ChildRun Program(const std::vector<std::string>& args, const std::string& zone = "UTC")
    {
        return RunProgram(
            { "XDG_CONFIG_HOME=" + configHome, "HOME=" + tmp.Path(), "TZ=" + zone }, args);
    }
    void Put(const std::string& name, const std::string& bytes, Clock::time_point when)
    {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, when);
    }
    // Changed now, at an even second: the archive keeps times to two seconds.
    void Change(const std::string& name, const std::string& bytes)
    {
        const auto now = std::chrono::floor<std::chrono::seconds>(Clock::now());
        Put(name, bytes, now - std::chrono::seconds(now.time_since_epoch().count() % 2));
    }
    // Exports, keeps a copy of the sources as they were, and marks the day's end before the
    // next change.
    void ExportAndKeepTheDay(const std::string& since, int day)
    {
        const ChildRun run
            = Program({ "export", "--since", since, "--name", "day" + std::to_string(day) });
        // The name with a line break is left out of each (it is new here today, whatever its
        // modification time): incomplete, but verified.
        ASSERT_EQ(run.status, 3) << run.err;
        const std::string copy = tmp / ("day" + std::to_string(day));
        ASSERT_EQ(Shell("cp -a '" + src + "' '" + copy + "'"), 0);
        fs::remove(copy + "/" + kLineBreakName);
        // The archive records its start in whole seconds, at the latest this one: the day
        // ends with it, and the next change waits for the next day.
        const std::int64_t second
            = std::chrono::floor<std::chrono::seconds>(Clock::now()).time_since_epoch().count();
        dayEnds.push_back(second + 1);
        std::this_thread::sleep_until(Clock::time_point(std::chrono::seconds(second + 1)));
    }
    // A full export, then two incrementals: a file changed and one added and one deleted,
    // then another changed and the added one deleted again.
    void MakeChain()
    {
        const auto old = LocalTime(2022, 1, 1, 12);
        Put("a b.txt", "one\n", old);
        Put("docs/c.txt", "two\n", old);
        Put("more/a b.txt", "another\n", old);
        Put("gone.txt", "deleted after the first day\n", old);
        Put(kOddName, "bytes\n", old);
        Put(kLineBreakName, "never archived\n", old);
        // The longest path an export keeps: its copy in the temporary folder takes 511 bytes.
        const std::size_t longest = 511 - temp.size() - paths::RelativePath(src).size() - 1;
        Put("long/" + std::string(200, 'l') + "/" + std::string(longest - 206, 'm'), "long\n", old);
        ExportAndKeepTheDay("01-01-1970", 0);
        const std::string today = DateFieldText(Clock::now());
        Change("a b.txt", "one, changed\n");
        Change("docs/d.txt", "added\n");
        fs::remove(src + "/gone.txt");
        ExportAndKeepTheDay(today, 1);
        Change("docs/c.txt", "two, changed\n");
        fs::remove(src + "/docs/d.txt");
        ExportAndKeepTheDay(today, 2);
    }
    // Every file below root with its bytes and modification time.
    static std::map<std::string, std::pair<std::string, std::int64_t>> Tree(const std::string& root)
    {
        std::map<std::string, std::pair<std::string, std::int64_t>> tree;
        for (const std::string& path : ListFilesBelow(root))
            tree[path] = { ReadFile(root + "/" + path),
                std::chrono::duration_cast<std::chrono::seconds>(
                    MTime(root + "/" + path).time_since_epoch())
                    .count() };
        return tree;
    }

    TempDir tmp;
    std::string configHome = tmp / "config";
    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "temp/";
    std::string out = tmp / "out";
    std::vector<std::int64_t> dayEnds;
};

TEST_F(RestoreTest, EachRoad)
{
    MakeChain();
    const std::string a = src + "/a b.txt", c = src + "/docs/c.txt";
    const struct {
        const char* name;
        std::function<void()> before;
        std::vector<std::string> args;
        int status;
        std::map<std::string, std::string> files; // afterwards
        std::string says = "";
    } rows[] = {
        { "one file back in place, by ~", [&] { fs::remove(a); }, { "restore", "~/source/a b.txt" },
            0, { { a, "one, changed\n" } } },
        { "a name that is not UTF-8", [&] { fs::remove(src + "/" + kOddName); },
            { "restore", src + "/" + kOddName }, 0, { { src + "/" + kOddName, "bytes\n" } } },
        { "a file to a folder", {}, { "restore", "--to", out, c }, 0,
            { { out + "/c.txt", "two, changed\n" } } },
        { "a folder to a folder", {}, { "restore", "--to", out + "/", src + "/docs" }, 0,
            { { out + "/docs/c.txt", "two, changed\n" } } },
        { "everything to a folder, the never archived named", {}, { "restore", "--to", out }, 0,
            { { out + "/source/a b.txt", "one, changed\n" } },
            "Not in any archive: " + src + "/" + kLineBreakName },
        { "a newer file kept",
            [&] {
                WriteFile(c, "edited\n");
                SetMTime(c, Clock::now() + std::chrono::hours(1));
            },
            { "restore", c }, 0, { { c, "edited\n" } }, "Kept newer file: " + c },
        { "a newer file replaced", {}, { "restore", "--replace-newer", c }, 0,
            { { c, "two, changed\n" } } },
        { "a path in no backup", {}, { "restore", src + "/nothing" }, 1, {},
            "No backup holds " + src + "/nothing" },
        { "a relative path", {}, { "restore", "source" }, 2, {}, "absolute or beginning with ~" },
        { "two that land on one name", {},
            { "restore", "--to", out, src + "/a b.txt", src + "/more/a b.txt" }, 1, {},
            "would both land on " + out + "/a b.txt" },
    };
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::error_code ec;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(out);
        if (row.before)
            row.before();
        const ChildRun run = Program(row.args);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_THAT(run.err, HasSubstr(row.says));
        for (const auto& [path, bytes] : row.files)
            EXPECT_EQ(ReadFile(path), bytes) << path;
        // A folder the restore made has the mode any new folder gets, not its staging's.
        for (const auto& made : fs::recursive_directory_iterator(out, ec)) {
            if (!made.is_directory())
                continue;
            EXPECT_EQ(made.status().permissions(), fs::perms(0777 & ~mask)) << made.path();
        }
    }
}

// Each day's state, from the history's copy of each archive's description (no archive read
// before the extraction) and from the archives alone with the settings folder gone, is the
// copy of the sources kept that day: files deleted by then absent, and the person's own files
// beside the archives passed over.
TEST_F(RestoreTest, AFolderAsOfEachDay)
{
    MakeChain();
    WriteFile(arc + "notes.txt", "the person's own, not an archive\n");
    WriteFile(arc + ".arj", "a hidden file of the person's, named like none of the archives\n");
    for (const bool alone : { false, true }) {
        if (alone)
            fs::remove_all(configHome);
        for (int day = 0; day < 3; ++day) {
            SCOPED_TRACE(std::string(alone ? "--from with the settings folder removed"
                                           : "history copy gives the same files as --from")
                + ", day " + std::to_string(day));
            fs::remove_all(out);
            std::vector<std::string> args
                = { "restore", "--as-of", DayEndingAt(dayEnds[day]), "--to", out };
            if (alone)
                args.insert(args.end(), { "--from", arc, src });
            const ChildRun run = Program(args, ZoneWithMidnightAt(dayEnds[day]));
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err.find(kReadingArchive) != std::string::npos, alone) << run.err;
            EXPECT_EQ(Tree(out + "/source"), Tree(tmp / ("day" + std::to_string(day))));
        }
    }
}

// Whatever stops a restore, nothing at the destination changed and the reason is named.
TEST_F(RestoreTest, RefusesAndChangesNothing)
{
    MakeChain();
    const std::string c = src + "/docs/c.txt";
    WriteFile(c, "mine\n");
    SetMTime(c, LocalTime(2020, 1, 1));
    const struct {
        const char* name;
        std::function<void()> before;
        std::vector<std::string> args;
        std::string says;
    } rows[] = {
        { "a damaged archive",
            [&] {
                std::string bytes = ReadFile(arc + "day2.arj");
                const std::size_t at = bytes.find("two, changed");
                ASSERT_NE(at, std::string::npos);
                bytes[at] ^= 0x20;
                WriteFile(arc + "day2.arj", bytes);
            },
            { "restore", "--replace-newer", c }, arc + "day2.arj" },
        { "volume changed since export falls back and names the damage",
            [&] {
                // A byte of the manifest's data, which only a read of the archive extracts;
                // its header (name, comment, CRC, no extension) ends 8 bytes after the name.
                std::string bytes = ReadFile(tmp / "day2.arj");
                const std::size_t name = bytes.find(kRunManifestName);
                ASSERT_NE(name, std::string::npos);
                bytes[name + std::strlen(kRunManifestName) + 10] ^= 0x20;
                WriteFile(arc + "day2.arj", bytes);
            },
            { "restore", "--replace-newer", c }, arc + "day2.arj" },
        { "a hostile archive among them",
            [&] {
                WriteFile(arc + "day2.arj", ReadFile(tmp / "day2.arj"));
                WriteFile(arc + "evil.arj", Crafted({ { "../../escape" } }));
            },
            { "restore", "--from", arc, "--replace-newer", c }, arc + "evil.arj" },
        { "a missing middle volume",
            [&] {
                fs::remove(arc + "evil.arj");
                StoreSettings({ { "DisksSpan", "yes" } });
                Put("big", RandomBytes(3 << 20, 7), LocalTime(2022, 1, 1));
                ASSERT_EQ(
                    Program({ "export", "--since", "01-01-1970", "--name", "span" }).status, 3);
                fs::remove(arc + "span.a01");
            },
            { "restore", "--replace-newer", c }, arc + "span.a01" },
    };
    fs::copy_file(arc + "day2.arj", tmp / "day2.arj");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.before();
        const ChildRun run = Program(row.args);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_THAT(run.err, HasSubstr(row.says));
        EXPECT_EQ(ReadFile(c), "mine\n");
        EXPECT_EQ(ListFilesBelow(src + "/docs"), std::vector<std::string> { "c.txt" });
    }
}

// The archive's description reads back byte for byte, and one written by the first version
// (full paths on "file" lines) reads as the same description.
TEST(RunManifestText, ReadsBackAndReadsTheFirstVersion)
{
    RunManifest manifest;
    manifest.started = 1700000000;
    manifest.full = true;
    manifest.cutOffDay = "01-01-1970";
    manifest.sources = { { "/home/a b", "tmp/vesko-temp/home/a b/" } };
    manifest.files = { { "/top", 1'000'000'000'000'000'000, 2 }, { "/home/a b/x\ty\\z", 3, 4 },
        { "/home/a b/" + kOddName + "\nline", 5, 6 }, { "/home/a b/d/e", 7, -8 },
        { "/home/a b/empty", 0, 10 } };
    std::string version1 = "vesko-backup run 1\nstarted 1700000000\nfull 1\ncut-off 01-01-1970\n"
                           "source /home/a b\ttmp/vesko-temp/home/a b/\n";
    // The largest numbers take 19 digits.
    for (const char* line : { "1000000000000000000\t2\t/top", "3\t4\t/home/a b/x\\ty\\\\z" })
        version1 += std::string("file ") + line + "\n";
    version1 += "file 5\t6\t/home/a b/" + kOddName
        + "\\nline\nfile 7\t-8\t/home/a b/d/e\n"
          "file 0\t10\t/home/a b/empty\n";
    for (const std::string& text : { ManifestText(manifest), version1 }) {
        SCOPED_TRACE(text.substr(0, text.find('\n')));
        const RunManifest read = ParseManifest(text);
        EXPECT_EQ(read.started, manifest.started);
        EXPECT_EQ(read.full, manifest.full);
        EXPECT_EQ(read.sources.front().stored, manifest.sources.front().stored);
        ASSERT_EQ(read.files.size(), manifest.files.size());
        const auto [head, files] = SplitManifest(text);
        const std::vector<ManifestFile> apart = ParseManifestFiles(files);
        for (std::size_t i = 0; i < manifest.files.size(); ++i) {
            EXPECT_EQ(read.files[i].path, manifest.files[i].path);
            EXPECT_EQ(apart[i].path, manifest.files[i].path);
            EXPECT_EQ(read.files[i].modified, manifest.files[i].modified);
            EXPECT_EQ(read.files[i].size, manifest.files[i].size);
        }
    }
    EXPECT_LT(ManifestText(manifest).size(), version1.size());
    // A line it does not know, or one with a field too many, is damage, not a cut-off day.
    for (const char* line : { "bogus 1", "cut-off 01-01-1970\tx", "started 1\t2" })
        EXPECT_THAT(ErrorOf([&] { ParseManifest(version1 + line + "\n"); }),
            HasSubstr("Damaged manifest: a line begins"))
            << line;
}

} // namespace
} // namespace vesko::test
