// The copy phase on a tree of many folders: only the way to a changed file is made below the
// temporary folder, and nothing else on the export's way makes or removes a mirror.
#include "export/export_run.h"
#include "foldertree/add_files.h"
#include "platform/host.h"
#include "platform/memory_form.h"
#include "platform/path_rules.h"
#include "storage/settings_store.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vesko::test {
namespace {

using Strings = std::vector<std::string>;
using Field = MainForm::Field;

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

TEST(CopyPhase, OneChangedFileMakesItsChainOfFoldersAndNoOther)
{
    TempDir dir;
    const std::string src = dir / "src", temp = dir / "temp/",
                      mirror = temp + paths::RelativePath(src);
    ::mkdir(temp.c_str(), 0700);
    MemoryForm form;
    form.SetText(Field::txtDestinDir, temp);
    form.SetDateText("06-15-2020");
    form.SetText(Field::ExportStatus, "Status");
    RecordingUi ui;
    SettingsStore store { dir / "settings.sqlite" };
    Host host { form, ui, store };
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 6; ++b) {
            const std::string old
                = src + "/d" + std::to_string(a) + "/e" + std::to_string(b) + "/old";
            WriteFile(old, "x");
            SetMTime(old, LocalTime(2020, 6, 14, 23, 59, 59));
        }
    MakeDirs(src + "/empty/deeper");
    WriteFile(src + "/d3/e1/f/new.txt", "new");
    SetMTime(src + "/d3/e1/f/new.txt", LocalTime(2020, 6, 15, 0, 0, 1));
    ExportCopyCounters() = {};
    CopyLog log;
    AddFiles(host, src, log);

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
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_EQ(ExportCopyCounters().examined, 37u);
    EXPECT_EQ(ExportCopyCounters().copied, 1u);
    EXPECT_EQ(ExportCopyCounters().bytes, 3u);
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
    form.SetText(Field::ExportStatus, "Status");
    EXPECT_TRUE(CopyBackupFiles(host, src, log));
    EXPECT_EQ(Entries(temp), chain);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
}

} // namespace
} // namespace vesko::test
