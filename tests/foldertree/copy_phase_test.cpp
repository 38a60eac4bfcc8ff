// The copy phase on a tree of many folders: only the way to a changed file is made below the
// temporary folder, and nothing else on the export's way makes or removes a mirror.
#include "export/export_run.h"
#include "foldertree/copy_changed_files.h"
#include "platform/path_rules.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace vesko::test {
namespace {

using Strings = std::vector<std::string>;

// Every entry below a folder, relative and sorted; folders end in '/'.
Strings Entries(const std::string& root)
{
    namespace fs = std::filesystem;
    Strings out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it)
        out.push_back(fs::relative(it->path(), root).string() + (it->is_directory() ? "/" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

// A cut-off instant after every file made so far, and before any made after it returns: the
// file system stamps its times from a coarser clock that may lag behind this one.
TimePoint AfterTheFilesSoFar()
{
    const TimePoint cutOff = std::chrono::system_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return cutOff;
}

TEST(CopyPhase, OneChangedFileMakesItsChainOfFoldersAndNoOther)
{
    TempDir dir;
    const std::string src = dir / "src", temp = dir / "temp/",
                      mirror = temp + paths::RelativePath(src);
    ::mkdir(temp.c_str(), 0700);
    ExportRequest request;
    request.tempFolder = temp;
    RecordingUi ui;
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 6; ++b) {
            const std::string old
                = src + "/d" + std::to_string(a) + "/e" + std::to_string(b) + "/old";
            WriteFile(old, "x");
            SetMTime(old, LocalTime(2020, 6, 14, 23, 59, 59));
        }
    MakeDirs(src + "/empty/deeper");
    request.cutOff = AfterTheFilesSoFar();
    WriteFile(src + "/d3/e1/f/new.txt", "new");
    SetMTime(src + "/d3/e1/f/new.txt", LocalTime(2020, 6, 15, 0, 0, 1));
    CopyLog log;
    EXPECT_EQ(CopyChangedFiles(ui, temp, src, request.cutOff, log), CopyEnd::Done);

    // The levels above the source's own mirror, then the changed file's chain.
    Strings chain;
    const std::string relative = paths::RelativePath(src);
    for (std::size_t at = relative.find('/'); at != std::string::npos;
         at = relative.find('/', at + 1))
        chain.push_back(relative.substr(0, at) + "/");
    for (const char* below : { "/", "/d3/", "/d3/e1/", "/d3/e1/f/", "/d3/e1/f/new.txt" })
        chain.push_back(relative + below);
    std::sort(chain.begin(), chain.end());
    EXPECT_EQ(Entries(temp), chain);
    EXPECT_EQ(ReadFile(mirror + "/d3/e1/f/new.txt"), "new");
    EXPECT_EQ(MTime(mirror + "/d3/e1/f/new.txt"), LocalTime(2020, 6, 15, 0, 0, 1));
    EXPECT_EQ(log.counters.examined, 37u);
    EXPECT_EQ(log.counters.copied, 1u);
    EXPECT_EQ(log.counters.bytes, 3u);
    EXPECT_EQ(ui.CopiedCount(), 1u);

    // Nothing else on the export's way makes a mirror either: where the mirrors of the
    // folders without a change would go lie files, and nothing fails on them.
    std::filesystem::remove_all(mirror + "/d3");
    for (const char* folder : { "/d0", "/d1", "/d2", "/d4", "/d5", "/empty" }) {
        WriteFile(mirror + folder, "in the way");
        chain.push_back(relative + folder);
    }
    std::sort(chain.begin(), chain.end());
    // The pruning after the copy takes away only folders left empty (by a failed copy, say),
    // bottom up.
    MakeDirs(mirror + "/d3/e0/x/y");
    MakeDirs(mirror + "/d3/e1/z");
    EXPECT_EQ(CopySource(ui, request, src, log), CopyEnd::Done);
    EXPECT_EQ(Entries(temp), chain);
    EXPECT_TRUE(ui.Log().empty());
}

} // namespace
} // namespace vesko::test
