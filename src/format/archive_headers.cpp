#include "format/archive_headers.h"

#include "format/volume_names.h"
#include "platform/error.h"

#include <algorithm>
#include <array>
#include <cerrno>
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
constexpr std::size_t kFirstSize = 0, kHostOs = 3, kFlags = 4, kFileType = 6, kCompressed = 12,
                      kOriginal = 16;
constexpr std::size_t kShortestFirst = 30;
constexpr unsigned char kMainHeader = 2;
// In a main header: another volume follows. In a file header: the file goes on in the next
// volume; kContinued: it began in the one before.
constexpr unsigned char kVolume = 0x04, kContinued = 0x08;
// The volumes the archiver numbers: .a01 … .a99.
constexpr int kLastVolume = kVolumeCount - 1;

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

} // namespace

ArchiveContents ReadArchiveHeaders(const std::string& firstVolume)
{
    ArchiveContents contents;
    bool goesOn = false; // the last entry read continues in the next volume
    for (int n = 0;; ++n) {
        const std::string path = VolumePath(firstVolume, n);
        if (n > 0 && ::access(path.c_str(), F_OK) != 0)
            throw Error("The archive goes on in the volume \"" + path + "\", which is missing.");
        Volume volume(path);
        contents.volumes.push_back(path);
        std::vector<unsigned char> basic;
        if (!ReadHeader(volume, basic) || basic[kFileType] != kMainHeader)
            volume.Malformed("it does not begin with an archive header");
        const bool nextVolume = (basic[kFlags] & kVolume) != 0;
        while (ReadHeader(volume, basic)) {
            const auto* name = reinterpret_cast<const char*>(basic.data() + basic[kFirstSize]);
            const std::uint32_t compressed = Number(basic.data() + kCompressed, 4);
            ArchiveEntry entry { name, basic[kFileType], basic[kHostOs], basic[kFlags],
                Number(basic.data() + kOriginal, 4) };
            volume.Skip(compressed);
            if (entry.flags & kContinued) {
                if (!goesOn || contents.entries.back().name != entry.name)
                    volume.Malformed("\"" + entry.name + "\" continues nothing");
                contents.entries.back().size += entry.size;
            } else {
                if (goesOn)
                    volume.Malformed("\"" + contents.entries.back().name
                        + "\" is not continued where it should be");
                contents.entries.push_back(std::move(entry));
            }
            goesOn = (basic[kFlags] & kVolume) != 0;
        }
        if (goesOn && !nextVolume)
            volume.Malformed("\"" + contents.entries.back().name
                + "\" goes on in a volume the archive does not announce");
        if (!nextVolume)
            return contents;
        if (n == kLastVolume)
            volume.Malformed("it announces more than " + std::to_string(kLastVolume) + " volumes");
    }
}

} // namespace vesko
