// The entries an import refuses before anything is extracted, by name, type or where they
// would land; and, with the real archiver under a hard time limit, the names it never
// finishes extracting.
#include "format/archive_headers.h"
#include "format/entry_safety.h"
#include "support/archive_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vesko::test {
namespace {

// The entry refused, as shown, and why; empty when every entry passes.
std::string Refused(const ArchiveContents& contents, const std::string& folder)
{
    const std::optional<UnsafeEntry> unsafe = FirstUnsafeEntry(contents, folder);
    return unsafe ? unsafe->name + "|" + unsafe->reason : "";
}

TEST(EntrySafety, ByNameTypeOrPlace)
{
    TempDir tmp;
    const std::string folder = tmp / "";
    WriteFile(folder + "w.arj", "first volume");
    WriteFile(folder + "w.a01", "second volume");
    const std::string climbs = "|climbs out of its folder through \"..\"",
                      absolute = "|has an absolute path",
                      ours = "|bears a name this program keeps for its own files",
                      hangs = "|cannot be extracted: the archiver hangs on a top-level name that "
                              "begins with \".\"",
                      special = "|is a link, a special file or of a type not known";
    struct Row {
        std::string name;
        ArchiveEntry entry;
        std::string said;
    };
    const Row rows[] = {
        { "plain file", { "n.txt" }, "" },
        { "text file below folders", { "d/e/n.txt", ArchiveEntry::kTextFile }, "" },
        { "empty and '.' components", { "./d//n.txt" }, "" },
        { "folder", { "d", ArchiveEntry::kFolder }, "" },
        { "dot name below a folder", { "d/.profile" }, "" },
        { "two dots inside names", { "a..b/c.." }, "" },
        { "named like a volume not there", { "w.a02" }, "" },
        { "a volume's name below a folder", { "d/w.arj" }, "" },
        { "'..' with '/'", { "a/../../v" }, "a/../../v" + climbs },
        { "'..' with '\\'", { "a\\..\\v" }, "a\\..\\v" + climbs },
        { "absolute path", { "/etc/v" }, "/etc/v" + absolute },
        { "absolute with '\\'", { "\\v" }, "\\v" + absolute },
        { "drive letter", { "C:" }, "C:" + absolute },
        { "empty name", { "" }, "|has an empty name" },
        { "no file below the folder", { "./" }, "./|names no file below the folder" },
        { "link as the archiver keeps it", { "lnk", 6 }, "lnk" + special },
        { "volume label", { "n.txt", 4 }, "n.txt" + special },
        { "control characters", { "a\x01\x1f\x7f" }, "a???|holds a control character in its name" },
        { "top-level dot folder", { ".x/y" }, ".x/y" + hangs },
        { "dot name after '.'", { "./.x" }, "./.x" + hangs },
        { "run marker", { "d/.vesko-backup-run" }, "d/.vesko-backup-run" + ours },
        { "staging folder", { "d\\.vesko-import-Ab12Cd/n" }, "d\\.vesko-import-Ab12Cd/n" + ours },
        { "its second volume", { "./w.a01" },
            "./w.a01|would land on the archive's own volume \"" + folder + "w.a01\"" },
    };
    ArchiveContents contents { { folder + "w.arj", folder + "w.a01" }, {} };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        contents.entries = { { "good.txt" }, row.entry, { "after.txt" } };
        EXPECT_EQ(Refused(contents, folder), row.said);
    }
}

// The archiver spins for ever on a top-level name beginning with '.', and extracts one below
// a folder: the rule follows it exactly. Each archive is the real archiver's, its entry
// renamed byte-wise (it cannot even add such a name).
TEST(EntrySafety, DotNamesAsTheArchiverExtractsThem)
{
    const struct {
        std::string name;
        bool hangs;
    } rows[] = { { ".profile", true }, { ".x/y", true }, { "x/.profile", false } };
    TempDir tmp;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string area = tmp / std::to_string(&row - rows);
        std::string stored = row.name;
        stored[stored.find('.')] = 'X';
        ASSERT_EQ(ArchivedByArj(area, area + "/made.arj", { { stored, "bytes\n" } }), 0);
        std::string bytes = ReadFile(area + "/made.arj");
        Rewrite(bytes, HeaderStarts(bytes)[1], [&](std::string& basic) {
            basic.replace(std::uint8_t(basic[0]), row.name.size(), row.name);
        });
        WriteFile(area + "/dot.arj", bytes);
        MakeDirs(area + "/out");

        EXPECT_EQ(
            Refused(ReadArchiveHeaders(area + "/dot.arj"), area + "/out/").empty(), !row.hangs);
        EXPECT_EQ(Shell("timeout 2 /usr/bin/arj x -v -y -i '" + area + "/dot.arj' '" + area
                      + "/out/' >/dev/null 2>&1"),
            row.hangs ? 124 : 0);
        EXPECT_EQ(ListFilesBelow(area + "/out"),
            row.hangs ? std::vector<std::string> {} : std::vector<std::string> { row.name });
    }
}

} // namespace
} // namespace vesko::test
