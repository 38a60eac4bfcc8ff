// The header reader, road by road and read directly: archives the real archiver made, whole,
// damaged byte by byte or spliced from volumes of different runs, and crafted ones.
#include "format/archive_headers.h"
#include "format/volume_names.h"
#include "platform/error.h"
#include "support/archive_bytes.h"
#include "support/made_files.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vesko::test {
namespace {

using Volumes = std::vector<std::string>; // the bytes of a.arj, a.a01, ...
using Files = std::map<std::string, std::string>;

// The date a header keeps: local time, to the even second.
std::uint32_t Stamp(int day, int hour, int minute, int second)
{
    return std::uint32_t(2024 - 1980) << 25 | 5u << 21 | unsigned(day) << 16 | unsigned(hour) << 11
        | unsigned(minute) << 5 | unsigned(second / 2);
}

// The volumes with each main header saying it was begun at the given date.
Volumes Begun(Volumes volumes, const std::vector<std::uint32_t>& stamps)
{
    for (std::size_t n = 0; n < volumes.size(); ++n)
        Rewrite(volumes[n], 0, [&](std::string& basic) { basic.replace(8, 4, Le(stamps[n], 4)); });
    return volumes;
}

// Each entry with its size and how many volumes were read, or the error.
std::string Read(const std::string& first)
{
    try {
        const ArchiveContents contents = ReadArchiveHeaders(first);
        std::string listing;
        for (const ArchiveEntry& entry : contents.entries)
            listing += entry.name + " " + std::to_string(entry.size) + ", ";
        return listing + std::to_string(contents.volumes.size()) + " volumes";
    } catch (const Error& e) {
        return e.what();
    }
}

class HeaderReader : public ::testing::Test {
protected:
    // The volumes the real archiver makes of these files, in volumes of 300 KB.
    Volumes Made(const std::string& area, const Files& files, const std::string& switches)
    {
        const std::string archive = tmp / area + "/s.arj";
        EXPECT_EQ(ArchivedByArj(tmp / area, archive, files, switches), 0);
        Volumes volumes;
        for (int n = 0; Exists(VolumePath(archive, n)); ++n)
            volumes.push_back(ReadFile(VolumePath(archive, n)));
        return volumes;
    }
    struct Road {
        std::string name;
        Volumes volumes;
        std::string said; // {dir}: the folder they lie in
    };
    void Run(const std::vector<Road>& roads)
    {
        for (std::size_t i = 0; i < roads.size(); ++i) {
            const Road& road = roads[i];
            SCOPED_TRACE(road.name);
            const std::string dir = tmp / ("road " + std::to_string(i)) + "/";
            for (std::size_t n = 0; n < road.volumes.size(); ++n)
                WriteFile(VolumePath(dir + "a.arj", int(n)), road.volumes[n]);
            std::string said = road.said;
            for (std::size_t at; (at = said.find("{dir}")) != std::string::npos;)
                said.replace(at, 5, dir);
            EXPECT_EQ(Read(dir + "a.arj"), said);
        }
    }
    TempDir tmp;
};

std::string Unreadable(const std::string& why, const std::string& volume = "a.arj")
{
    return "The archive \"{dir}" + volume + "\" cannot be read: " + why + ".";
}
std::string NotBelonging(const std::string& why, const std::string& volume = "a.a01")
{
    return "The volume \"{dir}" + volume
        + "\" does not belong to the archive \"{dir}a.arj\": " + why + ".";
}

// Volumes of one run, and of others whose volumes look alike: each passes its CRC, so only
// what ties a volume to the one before it can tell them apart.
TEST_F(HeaderReader, VolumesOfOneRunOnly)
{
    const std::string big = RandomBytes(700000, 1);
    const Volumes week = Made("week", { { "big.bin", big }, { "small.txt", "small\n" } }, "-v300K");
    const Volumes shifted
        = Made("shifted", { { "a.txt", RandomBytes(5000, 3) }, { "big.bin", big } }, "-v300K");
    ASSERT_EQ(week.size(), 3u);
    const std::size_t weekPart = NumberAt(week[0], HeaderStarts(week[0])[1] + 4 + 16, 4);
    const std::size_t shiftedStart = NumberAt(shifted[1], HeaderStarts(shifted[1])[1] + 4 + 30, 4);
    const std::uint32_t noon = Stamp(6, 12, 0, 0);
    Run({
        { "made by the archiver", week, "big.bin 700000, small.txt 6, 3 volumes" },
        { "volumes begun seconds apart",
            Begun(week, { noon, Stamp(6, 12, 0, 4), Stamp(6, 12, 0, 6) }),
            "big.bin 700000, small.txt 6, 3 volumes" },
        { "the hour summer time takes back",
            Begun(week, { Stamp(6, 2, 59, 58), Stamp(6, 2, 0, 0), Stamp(6, 2, 0, 2) }),
            "big.bin 700000, small.txt 6, 3 volumes" },
        { "a volume begun the day before", Begun(week, { noon, Stamp(5, 12, 0, 0), noon }),
            NotBelonging("it was begun before the volume before it") },
        { "the third volume begun before the second",
            Begun(week, { noon, noon, Stamp(6, 10, 59, 58) }),
            NotBelonging("it was begun before the volume before it", "a.a02") },
        { "a part taken up at another byte", { week[0], shifted[1], shifted[2] },
            NotBelonging("its part of \"big.bin\" begins at byte " + std::to_string(shiftedStart)
                + ", where the part before it ends at byte " + std::to_string(weekPart)) },
    });
}

// Damaged where a reader could go wrong: the real archiver's headers cut short, flipped,
// lengthened or pointing past the volume, and crafted ones that no CRC gives away.
TEST_F(HeaderReader, DamagedOrCrafted)
{
    const Volumes one = Made("one", { { "m.txt", "m\n" }, { "n.txt", "n\n" } }, "");
    const std::vector<std::size_t> at = HeaderStarts(one[0]);
    ASSERT_EQ(at.size(), 3u);
    std::string flipped = one[0], longer = one[0], pastEnd = one[0];
    flipped[at[1] + 4 + flipped[at[1] + 4]] ^= 1; // the first byte of the name
    longer.replace(at[1] + 2, 2, Le(2601, 2));
    Rewrite(pastEnd, at[2], [](std::string& basic) { basic.replace(12, 4, Le(1000, 4)); });

    const std::string n = "n.txt", main = Header(Basic({ "c.arj", 2, 0, 0 }));
    std::string shortBasic = Basic({ n }), wrongShape = shortBasic,
                noNameEnd = shortBasic.substr(0, 35), noCommentEnd = shortBasic + "cmt",
                unplaced = Basic({ n, 0, 8 }), badExtended = Header(Basic({ n }), { "ext" });
    shortBasic.resize(29);
    wrongShape[0] = char(wrongShape.size());
    noCommentEnd.erase(36, 1);
    unplaced.erase(30, 4)[0] = 30;
    badExtended[badExtended.size() - 3] ^= 1;
    const auto goingOn = Crafted({ { n, 0, 4 } }, 4);
    const std::string unfinished = "it does not go on with \"n.txt\", which the volume before it "
                                   "leaves unfinished";
    Run({
        { "main header cut short", { one[0].substr(0, 20) },
            Unreadable("it ends inside a header") },
        { "file header cut short", { one[0].substr(0, at[1] + 10) },
            Unreadable("it ends inside a header") },
        { "a byte flipped", { flipped }, Unreadable("a header fails its CRC") },
        { "a header longer than any", { longer }, Unreadable("a header of 2601 bytes") },
        { "data past the volume's end", { pastEnd },
            Unreadable("a file's data runs past its end") },
        { "no header", { "PK\3\4 and more" }, Unreadable("no header where one belongs") },
        { "a file first", { Header(Basic({ n })) + "xxx" + kArchiveEnd },
            Unreadable("it does not begin with an archive header") },
        { "a header too short", { main + Header(shortBasic) + kArchiveEnd },
            Unreadable("a header of 29 bytes") },
        { "an extended header too long",
            { main + Header(Basic({ n }), { std::string(2601, 'e') }) + "xxx" + kArchiveEnd },
            Unreadable("an extended header of 2601 bytes") },
        { "an extended header flipped", { main + badExtended + "xxx" + kArchiveEnd },
            Unreadable("an extended header fails its CRC") },
        { "the name's start past the header", { main + Header(wrongShape) + "xxx" + kArchiveEnd },
            Unreadable("a header of the wrong shape") },
        { "no end to the name", { main + Header(noNameEnd) + "xxx" + kArchiveEnd },
            Unreadable("a name or comment without its end") },
        { "no end to the comment", { main + Header(noCommentEnd) + "xxx" + kArchiveEnd },
            Unreadable("a name or comment without its end") },
        { "continues in the first volume", { Crafted({ { n, 0, 8 } }) },
            Unreadable("\"n.txt\" continues nothing") },
        { "continues without saying where", { goingOn, main + Header(unplaced) + "xxx" },
            Unreadable("\"n.txt\" continues a file without saying where", "a.a01") },
        { "more after a file that goes on", { Crafted({ { n, 0, 4 }, { "m.txt" } }, 4) },
            Unreadable("\"n.txt\" is not continued where it should be") },
        { "goes on where no volume is announced", { Crafted({ { n, 0, 4 } }) },
            Unreadable("\"n.txt\" goes on in a volume the archive does not announce") },
        { "another file taken up", { goingOn, Crafted({ { "m.txt", 0, 8 } }) },
            NotBelonging(unfinished) },
        { "not taken up", { goingOn, Crafted({ { n } }) }, NotBelonging(unfinished) },
        { "nothing in the next volume", { goingOn, Crafted({}) }, NotBelonging(unfinished) },
        { "takes up what was whole", { Crafted({ { n } }, 4), Crafted({ { n, 0, 8, 3, "", 3 } }) },
            NotBelonging("it continues \"n.txt\", which the volume before it does not leave "
                         "unfinished") },
    });
}

} // namespace
} // namespace vesko::test
