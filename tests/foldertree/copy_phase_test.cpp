#include "foldertree/add_files.h"
#include "foldertree/make_folders.h"
#include "foldertree/remove_empties.h"
#include "tree_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vesko::test {
namespace {

using Field = MainForm::Field;
using Strings = std::vector<std::string>;

class CopyPhase : public TreeTest {
protected:
    // R with A and B; A holds A1 and A2, A1 holds A1x, B holds B1.
    void MakeLetterTree()
    {
        for (const char* f : { "A/A1/A1x", "A/A2", "B/B1" })
            MakeDirs(src + "/" + f);
        WriteFile(src + "/old.txt", "old");
        SetMTime(src + "/old.txt", before);
        WriteFile(src + "/A/A1/A1x/deep.txt", "deep");
        SetMTime(src + "/A/A1/A1x/deep.txt", after);
        WriteFile(src + "/B/B1/b.txt", "b");
        SetMTime(src + "/B/B1/b.txt", before);
    }

    void CopyPhaseOf(const std::string& source)
    {
        MakeFolders(host, source);
        AddFiles(host, source);
        RemoveEmpties(host, temp);
    }
};

TEST_F(CopyPhase, WorkListTakesChildrenBeforeGrandchildrenAndMirrorsEveryFolder)
{
    MakeLetterTree();
    form.SetText(Field::ExportStatus, "Status");
    MakeFolders(host, src);

    EXPECT_EQ(form.List1().Items(),
        (Strings { src, src + "/A", src + "/B", src + "/A/A1", src + "/A/A2", src + "/A/A1/A1x",
            src + "/B/B1" }));
    // The levels above the source's own mirror are made too.
    for (const auto& folder : form.List1().Items())
        EXPECT_TRUE(IsDir(Mirror(folder))) << folder;
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());

    // With a trailing '/' the same entries and mirrors; none appended twice. A mirror that
    // went missing since is made again.
    const Strings mirrored = Entries(temp);
    ::rmdir(Mirror(src + "/A/A2").c_str());
    MakeFolders(host, src + "/");
    EXPECT_EQ(form.List1().Count(), 7u);
    EXPECT_EQ(Entries(temp), mirrored);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, PruningKeepsTheWayToCopiedFilesAndFoldersHoldingAnything)
{
    MakeLetterTree();
    MakeFolders(host, src);
    AddFiles(host, src);
    WriteFile(Mirror(src + "/B") + "/foreign", "placed by another program");
    RemoveEmpties(host, temp);

    const std::string r = paths::RelativePath(src);
    Strings expected = Levels(r);
    for (const char* e :
        { "/A/", "/A/A1/", "/A/A1/A1x/", "/A/A1/A1x/deep.txt", "/B/", "/B/foreign" })
        expected.push_back(r + e);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(temp), expected);
    EXPECT_TRUE(ui.Log().empty());

    RemoveEmpties(host, temp);
    EXPECT_EQ(Entries(temp), expected);
}

TEST_F(CopyPhase, NothingChangedLeavesTheTemporaryFolderEmpty)
{
    MakeLetterTree();
    SetMTime(src + "/A/A1/A1x/deep.txt", before);
    CopyPhaseOf(src);
    EXPECT_TRUE(IsDir(temp));
    EXPECT_TRUE(Entries(temp).empty());
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
}

TEST_F(CopyPhase, CopiesFilesStrictlyAfterTheCutOffWithTheirTimesAndAnyName)
{
    const Strings names = { "at-cut-off.txt", "second-later.txt", "README", "with space.txt",
        "$(touch pwned); `id` 'q\" -x", "caf\xe9 \xff.bin", "before.txt" };
    for (const auto& n : names)
        WriteFile(src + "/sub dir/" + n, "bytes of " + n);
    SetMTime(src + "/sub dir/at-cut-off.txt", cutOff);
    SetMTime(src + "/sub dir/before.txt", cutOff - std::chrono::seconds(1));
    SetMTime(src + "/sub dir/second-later.txt", cutOff + std::chrono::seconds(1));
    for (const auto& n :
        { "README", "with space.txt", "$(touch pwned); `id` 'q\" -x", "caf\xe9 \xff.bin" })
        SetMTime(src + "/sub dir/" + n, after);
    // Links and a FIFO are neither followed nor waited on: a link to /etc pulls nothing in.
    ASSERT_EQ(::symlink("/etc", (src + "/etc").c_str()), 0);
    ASSERT_EQ(::symlink((src + "/sub dir/README").c_str(), (src + "/readme-link").c_str()), 0);
    ASSERT_EQ(::mkfifo((src + "/sub dir/pipe").c_str(), 0600), 0);

    ExportCopyCounters() = {};
    CopyPhaseOf(src);

    const std::string m = Mirror(src) + "/sub dir/";
    Strings expected;
    for (const auto& n : { "README", "with space.txt", "$(touch pwned); `id` 'q\" -x",
             "caf\xe9 \xff.bin", "second-later.txt" })
        expected.push_back(paths::RelativePath(src) + "/sub dir/" + n);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListFilesBelow(temp), expected);
    for (const auto& e : expected) {
        const std::string name = e.substr(e.find_last_of('/') + 1);
        EXPECT_EQ(ReadFile(temp + e), "bytes of " + name);
        EXPECT_EQ(MTime(temp + e), MTime(src + "/sub dir/" + name));
    }
    EXPECT_FALSE(IsDir(Mirror(src) + "/etc"));
    EXPECT_EQ(::access((Mirror(src) + "/readme-link").c_str(), F_OK), -1);
    EXPECT_EQ(::access((dir / "pwned").c_str(), F_OK), -1);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(ExportCopyCounters().examined, 7u);
    EXPECT_EQ(ExportCopyCounters().copied, 5u);
    EXPECT_EQ(ui.CopiedCount(), 5u);
}

TEST_F(CopyPhase, TemporaryFolderInsideTheSourceIsNotWalked)
{
    const std::string home = dir / "home";
    const std::string inner = home + "/backup/tmp/"; // given as typed, not yet normalised
    WriteFile(home + "/docs/a.txt", "a");
    WriteFile(home + "/backup/b.txt", "b");
    WriteFile(inner + "earlier/c.txt", "copied from an earlier source");
    for (const auto& f : { "/docs/a.txt", "/backup/b.txt" })
        SetMTime(home + f, after);
    SetMTime(inner + "earlier/c.txt", after);
    // An earlier export (with another temporary folder) listed a folder that now lies in
    // this export's temporary folder: its mirror is not made there either.
    form.SetText(Field::txtDestinDir, temp);
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

TEST_F(CopyPhase, AMirrorMissingAtCopyTimeIsMadeOnTheSpot)
{
    // Pruned by an earlier source, or never mirrored: the levels above are made as well.
    WriteFile(src + "/x/y/new.txt", "n");
    SetMTime(src + "/x/y/new.txt", after);
    AddFiles(host, src);
    EXPECT_EQ(ReadFile(Mirror(src) + "/x/y/new.txt"), "n");
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
}

TEST_F(CopyPhase, LaterSourcesAndExportsMirrorEarlierEntriesAgain)
{
    const std::string other = dir / "other";
    WriteFile(src + "/a/keep.txt", "k");
    SetMTime(src + "/a/keep.txt", after);
    MakeDirs(other);
    CopyPhaseOf(src);
    std::filesystem::remove_all(temp); // the cleanup of the first export
    ::mkdir(temp.c_str(), 0700);

    MakeFolders(host, other);
    EXPECT_TRUE(IsDir(Mirror(src + "/a")));
    EXPECT_TRUE(IsDir(Mirror(other)));
    EXPECT_EQ(form.List1().Count(), 3u);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(CopyPhase, MalformedDateFailsAtTheFirstFileOnly)
{
    MakeDirs(src + "/empty/deeper");
    form.SetDateText("13-45-2020");
    AddFiles(host, src);
    EXPECT_EQ(form.Text(Field::ExportStatus), "OK");
    EXPECT_TRUE(ui.Log().empty());

    WriteFile(src + "/empty/deeper/f.txt", "f");
    SetMTime(src + "/empty/deeper/f.txt", after);
    AddFiles(host, src);
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[0], "beep");
    EXPECT_EQ(ui.Boxes()[0].title, "Error Add Files");
    EXPECT_EQ(ui.Boxes()[0].icon, Icon::Critical);
    EXPECT_NE(ui.Boxes()[0].text.find("13-45-2020"), std::string::npos);
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_TRUE(ListFilesBelow(temp).empty());
}

TEST_F(CopyPhase, FailuresEndTheStepWithItsOwnBox)
{
    // Missing source: each walk reports it under its own title; the copy leaves the status
    // empty.
    form.SetText(Field::ExportStatus, "OK");
    CopyPhaseOf(dir / "missing");
    EXPECT_EQ(ui.Log().size(), 4u);
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[0].title, "Error Add Folders");
    EXPECT_EQ(ui.Boxes()[1].title, "Error Add Files");
    EXPECT_NE(ui.Boxes()[0].text.find(dir / "missing"), std::string::npos);
    EXPECT_EQ(form.Text(Field::ExportStatus), "");

    // A file where a mirror folder belongs: creating it fails in both walks. The status
    // stays empty and the files before it stay copied.
    ui.Clear();
    WriteFile(src + "/a/1.txt", "1");
    WriteFile(src + "/b/2.txt", "2");
    SetMTime(src + "/a/1.txt", after);
    SetMTime(src + "/b/2.txt", after);
    MakeFolders(host, src);
    std::filesystem::remove(Mirror(src + "/b"));
    WriteFile(Mirror(src + "/b"), "in the way");
    MakeFolders(host, src);
    AddFiles(host, src);
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[0].title, "Error Add Folders");
    EXPECT_EQ(ui.Boxes()[1].title, "Error Add Files");
    EXPECT_EQ(form.Text(Field::ExportStatus), "");
    EXPECT_EQ(ReadFile(Mirror(src) + "/a/1.txt"), "1");

    // The temporary folder gone: pruning reports it.
    ui.Clear();
    RemoveEmpties(host, dir / "gone/");
    EXPECT_EQ(ui.Log().size(), 2u);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].title, "Error Remove Empty Folders");
}

} // namespace
} // namespace vesko::test
