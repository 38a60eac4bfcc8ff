#include "export/export_run.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_empties.h"
#include "tree_fixture.h"

#include <unistd.h>

namespace vesko::test {
namespace {

using Field = MainForm::Field;
using namespace std::chrono_literals;

class CopyPhase : public TreeTest {
protected:
    CopyLog log;
    void CopyPhaseOf(const std::string& source)
    {
        AddFiles(host, source, log);
        RemoveEmpties(host, temp);
    }
};

TEST_F(CopyPhase, OneChangedFileMakesItsChainOfFoldersAndNoOther)
{
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 6; ++b)
            Put(src + "/d" + std::to_string(a) + "/e" + std::to_string(b) + "/old.txt", before);
    MakeDirs(src + "/empty/deeper");
    Put(src + "/d3/e1/f/new.txt", after, "new");
    form.SetText(Field::ExportStatus, "Status");
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
    EXPECT_EQ(ReadFile(Mirror(src) + "/d3/e1/f/new.txt"), "new");
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");

    // Nothing else on the export's way makes a mirror either: where the mirrors of the
    // folders without a change would go lie files, and nothing fails on them.
    std::filesystem::remove_all(Mirror(src) + "/d3");
    for (const char* folder : { "/d0", "/d1", "/d2", "/d4", "/d5", "/empty" }) {
        WriteFile(Mirror(src) + folder, "in the way");
        chain.push_back(relative + folder);
    }
    std::sort(chain.begin(), chain.end());
    CopyBackupFiles(host, src, log);
    EXPECT_EQ(Entries(temp), chain);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");

    // The pruning takes away only a folder left empty (by a failed copy, say).
    MakeDirs(Mirror(src + "/d3/e0"));
    RemoveEmpties(host, temp);
    EXPECT_EQ(Entries(temp), chain);
    EXPECT_TRUE(ui.Log().empty());
}

// Odd names, links and FIFOs in a source go through the export's tests with the archiver.
TEST_F(CopyPhase, CopiesFilesStrictlyAfterTheCutOffWithTheirTimes)
{
    Put(src + "/d/at cut-off", cutOff);
    Put(src + "/d/second before", cutOff - 1s);
    Put(src + "/d/second later", cutOff + 1s, "later");
    Put(src + "/README", after, "readme");
    ExportCopyCounters() = {};
    CopyPhaseOf(src);

    EXPECT_EQ(ListFilesBelow(Mirror(src)), (Strings { "README", "d/second later" }));
    EXPECT_EQ(ReadFile(Mirror(src) + "/README"), "readme");
    EXPECT_EQ(ReadFile(Mirror(src) + "/d/second later"), "later");
    EXPECT_EQ(MTime(Mirror(src) + "/d/second later"), cutOff + 1s);
    EXPECT_EQ(ExportCopyCounters().examined, 4u);
    EXPECT_EQ(ExportCopyCounters().copied, 2u);
    EXPECT_EQ(ui.CopiedCount(), 2u);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, TemporaryFolderInsideTheSourceIsNotWalked)
{
    const std::string home = dir / "home";
    const std::string inner = home + "/backup/tmp/"; // given as typed, not yet normalised
    Put(home + "/docs/a.txt", after);
    Put(home + "/backup/b.txt", after);
    Put(inner + "earlier/c.txt", after);
    form.SetText(Field::txtDestinDir, home + "/backup//tmp");

    CopyPhaseOf(home);
    const std::string r = paths::RelativePath(home);
    EXPECT_EQ(ListFilesBelow(inner),
        (Strings { "earlier/c.txt", r + "/backup/b.txt", r + "/docs/a.txt" }));

    // A source that is the temporary folder, or lies in it, brings nothing.
    const Strings before = Entries(inner);
    CopyPhaseOf(inner);
    CopyPhaseOf(inner + "earlier");
    EXPECT_EQ(Entries(inner), before);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, MalformedDateFailsAtTheFirstFileOnly)
{
    MakeDirs(src + "/empty/deeper");
    form.SetDateText("13-45-2020");
    AddFiles(host, src, log);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());

    Put(src + "/empty/deeper/f.txt", after);
    AddFiles(host, src, log);
    EXPECT_EQ(ui.Log(),
        (Strings { "beep", "box:Error Add Files|Type mismatch: \"13-45-2020\" is not a date" }));
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_TRUE(ListFilesBelow(temp).empty());
}

TEST_F(CopyPhase, FailuresEndTheStepWithItsOwnBox)
{
    const auto titles = [this] {
        Strings out;
        for (const auto& box : ui.Boxes())
            out.push_back(box.title);
        ui.Clear();
        return out;
    };
    // Missing source: the copy reports it and leaves the status empty.
    form.SetText(Field::ExportStatus, "OK");
    CopyPhaseOf(dir / "missing");
    EXPECT_EQ(ui.Log().size(), 2u);
    EXPECT_NE(ui.Boxes().at(0).text.find(dir / "missing"), std::string::npos);
    EXPECT_EQ(titles(), (Strings { "Error Add Files" }));
    EXPECT_EQ(form.Text(Field::ExportStatus), "");

    // A file where a mirror folder belongs: creating it fails. The status stays empty and
    // the files before it stay copied.
    Put(src + "/a/1.txt", after, "1");
    Put(src + "/b/2.txt", after);
    WriteFile(Mirror(src + "/b"), "in the way");
    AddFiles(host, src, log);
    EXPECT_EQ(titles(), (Strings { "Error Add Files" }));
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_EQ(ReadFile(Mirror(src) + "/a/1.txt"), "1");

    // The temporary folder gone: pruning reports it.
    RemoveEmpties(host, dir / "gone/");
    EXPECT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(titles(), (Strings { "Error Remove Empty Folders" }));
}

} // namespace
} // namespace vesko::test
