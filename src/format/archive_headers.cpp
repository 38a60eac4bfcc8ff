#include "format/archive_headers.h"

#include "format/volume_names.h"
#include "platform/error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

namespace {

constexpr unsigned char kHeaderId[2] = { 0x60, 0xEA };
// The format's limit for a basic header, and for an extended one here.
constexpr std::size_t kLongestHeader = 2600;
// Offsets in a basic header, all numbers little-endian.
// kStamp: when the archiver began the volume (main header), the file's date (file header).
// kPartStart: where in the file a part that continues one before begins.
constexpr std::size_t kFirstSize = 0, kHostOs = 3, kFlags = 4, kFileType = 6, kStamp = 8,
                      kCompressed = 12, kOriginal = 16, kPartStart = 30;
constexpr std::size_t kShortestFirst = 30;
constexpr unsigned char kMainHeader = 2;
// In a main header: another volume follows. In a file header: the file goes on in the next
// volume; kContinued: it began in the one before.
constexpr unsigned char kVolume = 0x04, kContinued = 0x08;
// The volumes the archiver numbers: .a01 … .a99.
constexpr int kLastVolume = kVolumeCount - 1;
// How far the local time may go back between two volumes: the hour summer time ends with.
constexpr std::int64_t kClockSetBack = 3600;

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}();

std::uint32_t Crc32(const unsigned char* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Number(const unsigned char* at, std::size_t bytes)
{
    std::uint32_t n = 0;
    for (std::size_t i = bytes; i-- > 0;)
        n = (n << 8) | at[i];
    return n;
}

class Volume {
public:
    explicit Volume(const std::string& path)
        : path_(path)
        , fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat st { };
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
            const int err = errno;
            if (fd_ >= 0)
                ::close(fd_);
            throw Error("Cannot read the archive \"" + path + "\": " + std::strerror(err));
        }
        size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~Volume() { ::close(fd_); }
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    void Read(unsigned char* into, std::size_t size)
    {
        if (size > size_ - at_)
            Malformed("it ends inside a header");
        while (size > 0) {
            if (at_ < windowAt_ || at_ >= windowAt_ + window_.size())
                Fill();
            const std::size_t offset = static_cast<std::size_t>(at_ - windowAt_);
            const std::size_t n = std::min(size, window_.size() - offset);
            std::memcpy(into, window_.data() + offset, n);
            into += n;
            size -= n;
            at_ += n;
        }
    }
    void Skip(std::uint64_t size)
    {
        if (size > size_ - at_)
            Malformed("a file's data runs past its end");
        at_ += size;
    }
    const std::string& Path() const { return path_; }
    [[noreturn]] void Malformed(const std::string& why) const
    {
        throw Error("The archive \"" + path_ + "\" cannot be read: " + why + ".");
    }

private:
    // The headers of small files lie close together: one read of a window brings many.
    void Fill()
    {
        window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - at_)));
        windowAt_ = at_;
        for (std::size_t done = 0; done < window_.size();) {
            const ssize_t n = ::pread(
                fd_, window_.data() + done, window_.size() - done, static_cast<off_t>(at_ + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Malformed(n < 0 ? std::strerror(errno) : "it ends inside a header");
            done += static_cast<std::size_t>(n);
        }
    }

    static constexpr std::size_t kWindow = 64 * 1024;
    std::string path_;
    int fd_;
    std::uint64_t size_ = 0;
    std::uint64_t at_ = 0;
    std::vector<unsigned char> window_;
    std::uint64_t windowAt_ = 0;
};

// Reads one header with its CRC checked: false at the archive's end.
bool ReadHeader(Volume& volume, std::vector<unsigned char>& basic)
{
    unsigned char start[4];
    volume.Read(start, sizeof start);
    if (start[0] != kHeaderId[0] || start[1] != kHeaderId[1])
        volume.Malformed("no header where one belongs");
    const std::size_t size = Number(start + 2, 2);
    if (size == 0)
        return false;
    if (size > kLongestHeader || size < kShortestFirst)
        volume.Malformed("a header of " + std::to_string(size) + " bytes");
    basic.resize(size);
    volume.Read(basic.data(), size);
    unsigned char word[4];
    volume.Read(word, 4);
    if (Number(word, 4) != Crc32(basic.data(), size))
        volume.Malformed("a header fails its CRC");
    // Extended headers, each with its CRC, until one of size 0.
    std::vector<unsigned char> extended;
    for (;;) {
        volume.Read(word, 2);
        const std::size_t length = Number(word, 2);
        if (length == 0)
            break;
        if (length > kLongestHeader)
            volume.Malformed("an extended header of " + std::to_string(length) + " bytes");
        extended.resize(length);
        volume.Read(extended.data(), length);
        volume.Read(word, 4);
        if (Number(word, 4) != Crc32(extended.data(), length))
            volume.Malformed("an extended header fails its CRC");
    }
    const std::size_t first = basic[kFirstSize];
    if (first < kShortestFirst || first >= size)
        volume.Malformed("a header of the wrong shape");
    // The name and the comment after it, each ended by a zero byte inside the header.
    const auto* text = reinterpret_cast<const char*>(basic.data() + first);
    const std::size_t name = ::strnlen(text, size - first);
    if (name == size - first
        || ::strnlen(text + name + 1, size - first - name - 1) == size - first - name - 1)
        volume.Malformed("a name or comment without its end");
    return true;
}

// Seconds of the local time a header's date gives, from an arbitrary day on: enough to tell
// how far apart two of them lie.
std::int64_t StampSeconds(std::uint32_t stamp)
{
    using namespace std::chrono;
    const sys_days date = year(1980 + static_cast<int>(stamp >> 25)) / month((stamp >> 21) & 0x0F)
        / day((stamp >> 16) & 0x1F);
    return std::int64_t { date.time_since_epoch().count() } * 86400 + ((stamp >> 11) & 0x1F) * 3600
        + ((stamp >> 5) & 0x3F) * 60 + (stamp & 0x1F) * 2;
}

// What the volumes read so far leave for the next one to take up.
struct Unfinished {
    std::string firstVolume;
    std::uint32_t volumeBegun = 0; // the last volume's main header date
    bool goesOn = false; // its last entry goes on in the next volume
    std::string name; // that entry's name
    std::uint32_t modified = 0; // its file date
    std::uint64_t partEnd = 0; // and where in the file its next part begins
};

[[noreturn]] void NotBelonging(
    const Volume& volume, const Unfinished& before, const std::string& why)
{
    throw Error("The volume \"" + volume.Path() + "\" does not belong to the archive \""
        + before.firstVolume + "\": " + why + ".");
}

// The first entry of a volume after the first: it must take up, part for part, the file the
// volume before left unfinished. A set spliced from volumes of different runs passes every
// CRC, and would restore a file made of two runs' halves.
void TakeUp(const Volume& volume, const Unfinished& before, const ArchiveEntry& part,
    std::uint32_t modified, std::uint64_t partStart)
{
    const std::string& unfinished = before.name;
    if (!before.goesOn)
        NotBelonging(volume, before,
            "it continues \"" + part.name + "\", which the volume before it does not leave "
                + "unfinished");
    if (!(part.flags & kContinued) || part.name != unfinished)
        NotBelonging(volume, before,
            "it does not go on with \"" + unfinished + "\", which the volume before it leaves "
                + "unfinished");
    if (modified != before.modified)
        NotBelonging(
            volume, before, "its part of \"" + unfinished + "\" comes from a copy of another date");
    if (partStart != before.partEnd)
        NotBelonging(volume, before,
            "its part of \"" + unfinished + "\" begins at byte " + std::to_string(partStart)
                + ", where the part before it ends at byte " + std::to_string(before.partEnd));
}

// Reads the file headers of one volume into contents, skipping their data.
void ReadEntries(Volume& volume, ArchiveContents& contents, Unfinished& before)
{
    const bool followsOne = !contents.volumes.empty();
    bool first = true;
    std::vector<unsigned char> basic;
    while (ReadHeader(volume, basic)) {
        const std::size_t firstSize = basic[kFirstSize];
        ArchiveEntry entry { reinterpret_cast<const char*>(basic.data() + firstSize),
            basic[kFileType], basic[kHostOs], basic[kFlags], Number(basic.data() + kOriginal, 4) };
        const std::uint32_t modified = Number(basic.data() + kStamp, 4);
        volume.Skip(Number(basic.data() + kCompressed, 4));
        std::uint64_t partStart = 0;
        if (entry.flags & kContinued) {
            if (!first || !followsOne)
                volume.Malformed("\"" + entry.name + "\" continues nothing");
            if (firstSize < kPartStart + 4)
                volume.Malformed("\"" + entry.name + "\" continues a file without saying where");
            partStart = Number(basic.data() + kPartStart, 4);
        }
        if (before.goesOn && !first)
            volume.Malformed("\"" + before.name + "\" is not continued where it should be");
        if (first && followsOne && (before.goesOn || (entry.flags & kContinued))) {
            TakeUp(volume, before, entry, modified, partStart);
            contents.entries.back().size += entry.size;
        } else {
            contents.entries.push_back(std::move(entry));
        }
        before.goesOn = (basic[kFlags] & kVolume) != 0;
        before.name = contents.entries.back().name;
        before.modified = modified;
        before.partEnd = partStart + Number(basic.data() + kOriginal, 4);
        first = false;
    }
    if (first && followsOne && before.goesOn)
        NotBelonging(volume, before,
            "it does not go on with \"" + before.name
                + "\", which the volume before it leaves unfinished");
}

} // namespace

ArchiveContents ReadArchiveHeaders(const std::string& firstVolume)
{
    ArchiveContents contents;
    Unfinished before;
    before.firstVolume = firstVolume;
    for (int n = 0;; ++n) {
        const std::string path = VolumePath(firstVolume, n);
        if (n > 0 && ::access(path.c_str(), F_OK) != 0)
            throw Error("The archive goes on in the volume \"" + path + "\", which is missing.");
        Volume volume(path);
        std::vector<unsigned char> basic;
        if (!ReadHeader(volume, basic) || basic[kFileType] != kMainHeader)
            volume.Malformed("it does not begin with an archive header");
        // Each volume's header bears the time the archiver began that volume: a set written
        // across a few seconds has several. A volume begun before the one before it comes from
        // another run, unless the local time went back by the hour summer time ends with.
        const std::uint32_t begun = Number(basic.data() + kStamp, 4);
        if (n > 0 && StampSeconds(begun) + kClockSetBack < StampSeconds(before.volumeBegun))
            NotBelonging(volume, before, "it was begun before the volume before it");
        before.volumeBegun = begun;
        const bool nextVolume = (basic[kFlags] & kVolume) != 0;
        ReadEntries(volume, contents, before);
        contents.volumes.push_back(path);
        if (before.goesOn && !nextVolume)
            volume.Malformed(
                "\"" + before.name + "\" goes on in a volume the archive does not announce");
        if (!nextVolume)
            return contents;
        if (n == kLastVolume)
            volume.Malformed("it announces more than " + std::to_string(kLastVolume) + " volumes");
    }
}

} // namespace vesko
