#include "foldertree/add_files.h"
#include "foldertree/make_folders.h"
#include "foldertree/remove_empties.h"
#include "tree_fixture.h"

#include <unistd.h>

namespace vesko::test {
namespace {

using Field = MainForm::Field;
using namespace std::chrono_literals;

class CopyPhase : public TreeTest {
protected:
    void CopyPhaseOf(const std::string& source)
    {
        MakeFolders(host, source);
        AddFiles(host, source);
        RemoveEmpties(host, temp);
    }
};

TEST_F(CopyPhase, WorkListTakesChildrenBeforeGrandchildrenAndPruningKeepsWhatHoldsAnything)
{
    // R with A and B; A holds A1 and A2, A1 holds A1x, B holds B1.
    MakeDirs(src + "/A/A2");
    Put(src + "/old.txt", before);
    Put(src + "/A/A1/A1x/deep.txt", after);
    Put(src + "/B/B1/b.txt", before);
    form.SetText(Field::ExportStatus, "Status");
    MakeFolders(host, src);

    EXPECT_EQ(form.List1().Items(),
        (Strings { src, src + "/A", src + "/B", src + "/A/A1", src + "/A/A2", src + "/A/A1/A1x",
            src + "/B/B1" }));
    // The levels above the source's own mirror are made too.
    for (const auto& folder : form.List1().Items())
        EXPECT_TRUE(IsDir(Mirror(folder))) << folder;
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");

    // With a trailing '/' the same entries and mirrors; none appended twice. A mirror that
    // went missing since is made again.
    const Strings mirrored = Entries(temp);
    ::rmdir(Mirror(src + "/A/A2").c_str());
    MakeFolders(host, src + "/");
    EXPECT_EQ(form.List1().Count(), 7u);
    EXPECT_EQ(Entries(temp), mirrored);

    // Pruning keeps the way to copied files and folders holding anything, time and again.
    AddFiles(host, src);
    WriteFile(Mirror(src + "/B") + "/foreign", "placed by another program");
    RemoveEmpties(host, temp);
    const Strings kept { "A/", "A/A1/", "A/A1/A1x/", "A/A1/A1x/deep.txt", "B/", "B/foreign" };
    EXPECT_EQ(Entries(Mirror(src)), kept);
    RemoveEmpties(host, temp);
    EXPECT_EQ(Entries(Mirror(src)), kept);
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
    // An earlier export (with another temporary folder) listed a folder that now lies in
    // this export's temporary folder: its mirror is not made there either.
    MakeFolders(host, inner + "earlier");
    form.SetText(Field::txtDestinDir, home + "/backup//tmp");
    MakeFolders(host, home);
    EXPECT_FALSE(IsDir(inner + paths::RelativePath(inner)));

    CopyPhaseOf(home);
    const std::string r = paths::RelativePath(home);
    EXPECT_EQ(ListFilesBelow(inner),
        (Strings { "earlier/c.txt", r + "/backup/b.txt", r + "/docs/a.txt" }));
    for (const auto& item : form.List1().Items())
        EXPECT_TRUE(item == inner + "earlier" || item.find(inner) == std::string::npos) << item;

    // A source that is the temporary folder, or lies in it, brings nothing.
    const Strings before = Entries(inner);
    CopyPhaseOf(inner);
    CopyPhaseOf(inner + "earlier");
    EXPECT_EQ(Entries(inner), before);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, MirrorsMissingAtCopyTimeOrGoneSinceAreMadeAgain)
{
    // Never mirrored: the file's folder is made on the spot, with the levels above.
    Put(src + "/x/y/new.txt", after, "n");
    AddFiles(host, src);
    EXPECT_EQ(ReadFile(Mirror(src) + "/x/y/new.txt"), "n");

    // The cleanup of an earlier export took the mirrors of the entries listed then: the next
    // source mirrors them again.
    MakeFolders(host, src);
    std::filesystem::remove_all(temp);
    ::mkdir(temp.c_str(), 0700);
    const std::string other = dir / "other";
    MakeDirs(other);
    MakeFolders(host, other);
    EXPECT_TRUE(IsDir(Mirror(src + "/x/y")));
    EXPECT_TRUE(IsDir(Mirror(other)));
    EXPECT_EQ(form.List1().Count(), 4u);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, MalformedDateFailsAtTheFirstFileOnly)
{
    MakeDirs(src + "/empty/deeper");
    form.SetDateText("13-45-2020");
    AddFiles(host, src);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());

    Put(src + "/empty/deeper/f.txt", after);
    AddFiles(host, src);
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
    // Missing source: each walk reports it under its own title; the copy leaves the status
    // empty.
    form.SetText(Field::ExportStatus, "OK");
    CopyPhaseOf(dir / "missing");
    EXPECT_EQ(ui.Log().size(), 4u);
    EXPECT_NE(ui.Boxes().at(0).text.find(dir / "missing"), std::string::npos);
    EXPECT_EQ(titles(), (Strings { "Error Add Folders", "Error Add Files" }));
    EXPECT_EQ(form.Text(Field::ExportStatus), "");

    // A file where a mirror folder belongs: creating it fails in both walks. The status
    // stays empty and the files before it stay copied.
    Put(src + "/a/1.txt", after, "1");
    Put(src + "/b/2.txt", after);
    WriteFile(Mirror(src + "/b"), "in the way");
    MakeFolders(host, src);
    AddFiles(host, src);
    EXPECT_EQ(titles(), (Strings { "Error Add Folders", "Error Add Files" }));
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_EQ(ReadFile(Mirror(src) + "/a/1.txt"), "1");

    // The temporary folder gone: pruning reports it.
    RemoveEmpties(host, dir / "gone/");
    EXPECT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(titles(), (Strings { "Error Remove Empty Folders" }));
}

} // namespace
} // namespace vesko::test
