#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

// One entry of an archive as its file headers give it. A file that spans volumes is one
// entry with its whole size.
struct ArchiveEntry {
    // What the entry is, as its header's file type gives it; any other number is a link, a
    // special file or a type this reader does not know.
    static constexpr unsigned char kBinaryFile = 0, kTextFile = 1, kFolder = 3;
    // The name's '\\' were turned into '/' when it was stored.
    static constexpr unsigned char kPathSymbols = 0x10;

    std::string name; // as stored, byte for byte
    unsigned char type = kBinaryFile;
    unsigned char hostOs = 0; // the system that stored it (0 DOS, 2 UNIX, 10 and 11 Windows …)
    unsigned char flags = 0; // the header's flags, kPathSymbols among them
    std::uint64_t size = 0; // original size

    bool IsFile() const { return type == kBinaryFile || type == kTextFile; }
    bool IsFolder() const { return type == kFolder; }
};

struct ArchiveContents {
    std::vector<std::string> volumes; // the paths read, in order
    std::vector<ArchiveEntry> entries;
};

// Reads the headers of the archive whose first volume is given, following its volumes as the
// archiver's extraction with -v does (.a01, .a02 … after .arj); the compressed data is
// skipped. The archive may come from anyone: a header that is too long, cut short, fails its
// CRC, points past its volume, or a volume announced but missing throws Error saying why; so
// does a volume that does not belong with the one before it (begun before it, or not taking
// up, part for part, the file that one leaves unfinished), naming it.
ArchiveContents ReadArchiveHeaders(const std::string& firstVolume);

} // namespace vesko
