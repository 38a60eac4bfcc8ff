#include "export/archive_verification.h"

#include "core/ui_services.h"
#include "export/export_messages.h"
#include "foldertree/copy_changed_files.h"
#include "format/archive_headers.h"
#include "format/archiver_command_lines.h"
#include "format/volume_names.h"
#include "platform/error.h"
#include "platform/process.h"
#include "restore/catalogue_copy.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <sys/stat.h>

namespace vesko {

namespace {

namespace msg = export_messages;

// How many missing or mismatched files a failure box names.
constexpr std::size_t kMismatchesShown = 5;

// The first volume and the .a01, .a02, ... that follow it without a gap; false when the
// first is missing.
bool CollectVolumes(const std::string& archive, std::vector<ArchiveVolume>& volumes)
{
    for (int n = 0; n < kVolumeCount; ++n) {
        const std::string path = VolumePath(archive, n);
        struct stat st { };
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break;
        volumes.push_back({ path, static_cast<std::uint64_t>(st.st_size) });
    }
    return !volumes.empty();
}

// The name the archiver stores for a path it was given: without the leading '/'.
std::string StoredName(const std::string& path)
{
    const std::size_t first = path.find_first_not_of('/');
    return first == std::string::npos ? std::string() : path.substr(first);
}

// Without the copy a restore reads the archive itself: slower, never wrong.
void KeepForRestore(SettingsStore& store, std::int64_t run, const ArchiveContents& contents)
{
    if (run == 0)
        return;
    try {
        KeepCatalogueCopy(store, run, contents);
    } catch (const std::exception& e) {
        std::cerr << "vesko-backup: the archive's description was not kept for the restore: "
                  << e.what() << "\n";
    }
}

} // namespace

std::string VerifyArchive(const std::string& program, const std::string& archive,
    const std::vector<CopiedFile>& copied, UiServices& ui, RunReport& report, SettingsStore& store)
{
    ui.ProgressStep(msg::kVerifyingStep);
    report.volumes.clear();
    if (!CollectVolumes(archive, report.volumes))
        return "The archiver ended without writing the archive " + archive + ".";

    const std::vector<std::string> test = ArchiverTestCommand(program, archive);
    const ProcessOutcome tested = RunProcess(test, ui);
    if (!tested.Succeeded())
        return "The archiver's test of the archive failed." + std::string(1, CR)
            + tested.Describe();

    // The listing is read from the headers: the archiver's own listing would cost as much
    // again as its test.
    std::map<std::string, std::uint64_t> stored;
    ArchiveContents contents;
    try {
        contents = ReadArchiveHeaders(archive);
        for (const ArchiveEntry& entry : contents.entries)
            stored[entry.name] += entry.size;
    } catch (const Error& e) {
        return e.what();
    }

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
    if (mismatches.empty()) {
        KeepForRestore(store, report.id, contents);
        return {};
    }
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
