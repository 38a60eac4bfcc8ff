#include "export/archive_verification.h"

#include "export/export_messages.h"
#include "foldertree/add_files.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/ui_services.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <sys/stat.h>

namespace vesko {

namespace {

namespace msg = export_messages;

// How many missing or mismatched files a failure box names.
constexpr std::size_t kMismatchesShown = 5;

std::string TwoDigits(int n)
{
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// The first volume and the .a01, .a02, ... that follow it without a gap; false when the
// first is missing.
bool CollectVolumes(const std::string& archive, std::vector<ArchiveVolume>& volumes)
{
    const std::string base = archive.substr(0, archive.size() - 4); // without ".arj"
    for (int n = 0; n < 100; ++n) {
        const std::string path = n == 0 ? archive : base + ".a" + TwoDigits(n);
        struct stat st { };
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break;
        volumes.push_back({ path, static_cast<std::uint64_t>(st.st_size) });
    }
    return !volumes.empty();
}

// The archiver's verbose listing: every stored path with its size, the parts of a file
// that spans volumes added up. An entry is a line "NNN) path" followed by a line whose
// third field is the size ("11 UNIX  1456174  1456174 1.000 ...").
std::map<std::string, std::uint64_t> ParseListing(const std::string& output)
{
    std::map<std::string, std::uint64_t> sizes;
    std::string pending;
    bool expectSizes = false;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find('\n', at);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(at, end - at);
        at = end + 1;
        if (expectSizes) {
            expectSizes = false;
            std::size_t field = 0, pos = 0;
            while (pos < line.size()) {
                const std::size_t start = line.find_first_not_of(' ', pos);
                if (start == std::string::npos)
                    break;
                pos = line.find(' ', start);
                if (pos == std::string::npos)
                    pos = line.size();
                if (++field == 3) {
                    std::uint64_t size = 0;
                    const auto [p, ec]
                        = std::from_chars(line.data() + start, line.data() + pos, size);
                    if (ec == std::errc() && p == line.data() + pos)
                        sizes[pending] += size;
                    break;
                }
            }
            continue;
        }
        const std::size_t digits = line.find_first_not_of("0123456789");
        if (digits != 0 && digits != std::string::npos && line.compare(digits, 2, ") ") == 0) {
            pending = line.substr(digits + 2);
            expectSizes = true;
        }
    }
    return sizes;
}

// The name the archiver stores for a path it was given: without the leading '/'.
std::string StoredName(const std::string& path)
{
    const std::size_t first = path.find_first_not_of('/');
    return first == std::string::npos ? std::string() : path.substr(first);
}

} // namespace

std::string VerifyArchive(const std::string& program, const std::string& archive,
    const std::vector<CopiedFile>& copied, UiServices& ui, RunReport& report)
{
    ui.ProgressStep(msg::kVerifyingStep);
    report.volumes.clear();
    if (!CollectVolumes(archive, report.volumes))
        return "The archiver ended without writing the archive " + archive + ".";

    // Without -v the test reads a file that spans volumes from its first part alone.
    const std::vector<std::string> test = { program, "t", "-v", "-y", archive };
    const ProcessOutcome tested = RunProcess(test, ui);
    if (!tested.Succeeded())
        return "The archiver's test of the archive failed." + std::string(1, CR)
            + tested.Describe();

    std::string listing;
    ProcessOptions capture;
    capture.output = &listing;
    const ProcessOutcome listed = RunProcess({ program, "v", "-v", "-y", archive }, ui, capture);
    if (!listed.Succeeded())
        return "The archiver could not list the archive." + std::string(1, CR) + listed.Describe();
    const std::map<std::string, std::uint64_t> stored = ParseListing(listing);

    // Compared with the copies, which are what the archiver read: a source file written
    // to during the copy may differ from its size when listed.
    std::vector<std::string> mismatches;
    report.archived.clear();
    for (const CopiedFile& file : copied) {
        struct stat st { };
        if (::lstat(file.copy.c_str(), &st) != 0) {
            mismatches.push_back(file.copy + ": the copy is gone (" + std::strerror(errno) + ")");
            continue;
        }
        const auto entry = stored.find(StoredName(file.copy));
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (entry == stored.end())
            mismatches.push_back(file.original + ": not in the archive");
        else if (entry->second != size)
            mismatches.push_back(file.original + ": " + std::to_string(entry->second)
                + " bytes in the archive, " + std::to_string(size) + " copied");
        else
            report.archived.push_back({ file.below, size,
                TimePoint(std::chrono::duration_cast<TimePoint::duration>(
                    std::chrono::seconds(st.st_mtim.tv_sec)
                    + std::chrono::nanoseconds(st.st_mtim.tv_nsec))) });
    }
    if (mismatches.empty())
        return {};
    std::string text
        = "The archive does not hold " + msg::FileCount(mismatches.size()) + " of those copied:";
    for (std::size_t i = 0; i < mismatches.size() && i < kMismatchesShown; ++i)
        text += CR + mismatches[i];
    if (mismatches.size() > kMismatchesShown)
        text += CR + std::string("\u2026 and ")
            + std::to_string(mismatches.size() - kMismatchesShown) + " more";
    return text;
}

} // namespace vesko
