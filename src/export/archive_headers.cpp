#include "export/archive_headers.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vesko {

namespace {

constexpr unsigned char kHeaderId[2] = { 0x60, 0xEA };
constexpr std::size_t kLongestHeader = 2600;
// Offsets in a basic header, all numbers little-endian.
constexpr std::size_t kFirstSize = 0, kFileType = 6, kCompressed = 12, kOriginal = 16;
constexpr std::size_t kShortestFirst = 30;
constexpr unsigned char kMainHeader = 2;

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
        if (fd_ < 0)
            throw Error("Cannot read the archive \"" + path + "\": " + std::strerror(errno));
    }
    ~Volume() { ::close(fd_); }
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    void Read(unsigned char* into, std::size_t size)
    {
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::pread(fd_, into + done, size - done, at_ + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Malformed(n < 0 ? std::strerror(errno) : "it ends inside a header");
            done += static_cast<std::size_t>(n);
        }
        at_ += size;
    }
    void Skip(std::uint64_t size) { at_ += size; }
    [[noreturn]] void Malformed(const std::string& why) const
    {
        throw Error("The archive \"" + path_ + "\" cannot be read: " + why);
    }

private:
    std::string path_;
    int fd_;
    std::uint64_t at_ = 0;
};

// Reads one header: false at the archive's end.
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
    volume.Read(word, 4); // the header's CRC
    // Extended headers, each with its CRC, until one of size 0.
    for (;;) {
        volume.Read(word, 2);
        const std::size_t extended = Number(word, 2);
        if (extended == 0)
            break;
        volume.Skip(extended + 4);
    }
    return true;
}

} // namespace

std::map<std::string, std::uint64_t> StoredSizes(const std::vector<std::string>& volumes)
{
    std::map<std::string, std::uint64_t> sizes;
    for (const std::string& path : volumes) {
        Volume volume(path);
        std::vector<unsigned char> basic;
        if (!ReadHeader(volume, basic) || basic[kFileType] != kMainHeader)
            volume.Malformed("it does not begin with an archive header");
        while (ReadHeader(volume, basic)) {
            const std::size_t first = basic[kFirstSize];
            if (first < kShortestFirst || first >= basic.size())
                volume.Malformed("a file header of the wrong shape");
            const auto* name = reinterpret_cast<const char*>(basic.data() + first);
            const std::size_t length = ::strnlen(name, basic.size() - first);
            if (length == basic.size() - first)
                volume.Malformed("a name without its end");
            sizes[std::string(name, length)] += Number(basic.data() + kOriginal, 4);
            volume.Skip(Number(basic.data() + kCompressed, 4));
        }
    }
    return sizes;
}

} // namespace vesko
