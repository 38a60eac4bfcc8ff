#include "care/archive_check.h"

#include "care/care_tables.h"
#include "core/volume_drift.h"
#include "format/archive_headers.h"
#include "format/archiver_command_lines.h"
#include "format/run_manifest_entry.h"
#include "platform/error.h"
#include "platform/process.h"
#include "storage/run_records.h"

#include <chrono>
#include <unordered_map>

namespace vesko {

namespace {

using storage::Statement;

constexpr const char* kVerdictNames[] = { "holds", "missing", "changed", "damaged" };

ArchiveCheck Verdict(ArchiveCheck check, CheckVerdict verdict, const std::string& detail)
{
    check.verdict = verdict;
    check.detail = detail;
    return check;
}

// The first recorded volume that is gone or has another size; nothing when all are there.
std::optional<ArchiveCheck> VolumeProblem(
    const ArchiveCheck& check, const history::KnownArchive& archive)
{
    const std::optional<VolumeDrift> drift = FirstDriftedVolume(archive.volumes);
    if (!drift)
        return std::nullopt;
    const ArchiveVolume& volume = *drift->volume;
    if (drift->kind == VolumeDrift::Missing)
        return Verdict(check, CheckVerdict::Missing, volume.path + " is missing");
    return Verdict(check, CheckVerdict::Changed,
        volume.path + " is " + std::to_string(drift->sizeNow) + " bytes, "
            + std::to_string(volume.size) + " when written");
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The headers name each file by its copy's path in the temporary tree, which ends with the
// path below its source that the history recorded. "" when they agree.
std::string ListProblem(const ArchiveContents& contents, const std::vector<ArchivedFile>& files)
{
    std::unordered_multimap<std::string, const ArchiveEntry*> byName;
    std::size_t entries = 0;
    // The run's own description rides along with the files; the history lists only those.
    const ArchiveEntry* manifest = RunManifestEntry(contents);
    for (const ArchiveEntry& entry : contents.entries)
        if (entry.IsFile() && &entry != manifest) {
            byName.emplace(BaseName(entry.name), &entry);
            ++entries;
        }
    for (const ArchivedFile& file : files) {
        const auto [first, last] = byName.equal_range(BaseName(file.path));
        bool found = false;
        for (auto it = first; it != last && !found; ++it) {
            const std::string& name = it->second->name;
            found = it->second->size == file.size && name.size() > file.path.size()
                && name.ends_with("/" + file.path);
        }
        if (!found)
            return file.path + " is not in the archive as recorded";
    }
    if (entries != files.size())
        return "the archive lists " + std::to_string(entries) + " files, "
            + std::to_string(files.size()) + " when written";
    return {};
}

} // namespace

const char* VerdictName(CheckVerdict verdict)
{
    return kVerdictNames[static_cast<int>(verdict)];
}

ArchiveCheck CheckArchive(SettingsStore& store, const history::KnownArchive& archive,
    const std::string& archiver, UiServices& ui)
{
    ArchiveCheck check;
    check.run = archive.run;
    check.archive = archive.archive;
    check.checked = std::chrono::system_clock::now();
    if (const std::optional<ArchiveCheck> problem = VolumeProblem(check, archive))
        return *problem;
    const ProcessOutcome tested = RunProcess(ArchiverTestCommand(archiver, archive.archive), ui);
    if (!tested.Succeeded())
        return Verdict(
            check, CheckVerdict::Damaged, "the archiver's test failed: " + tested.Describe());
    ArchiveContents contents;
    try {
        contents = ReadArchiveHeaders(archive.archive);
    } catch (const Error& e) {
        return Verdict(check, CheckVerdict::Damaged, e.what());
    }
    if (const std::string problem
        = ListProblem(contents, history::ArchivedFiles(store, archive.run));
        !problem.empty())
        return Verdict(check, CheckVerdict::Changed, problem);
    return check;
}

void RecordCheck(SettingsStore& store, const ArchiveCheck& check)
{
    storage::Database db = history::OpenCareForWrite(store);
    Statement(
        db, "INSERT INTO history_checks (run, checked, verdict, detail) VALUES (?1, ?2, ?3, ?4)")
        .Bind(1, check.run)
        .Bind(2,
            std::chrono::duration_cast<std::chrono::nanoseconds>(check.checked.time_since_epoch())
                .count())
        .BindText(3, VerdictName(check.verdict))
        .BindText(4, check.detail)
        .Run();
}

std::map<std::int64_t, ArchiveCheck> LastChecks(SettingsStore& store)
{
    std::map<std::int64_t, ArchiveCheck> last;
    std::optional<storage::Database> db = history::OpenCareForRead(store);
    if (!db || !db->HasTable("history_checks"))
        return last;
    Statement rows(*db,
        "SELECT c.run, r.archive, c.checked, c.verdict, c.detail FROM history_checks AS c "
        "JOIN history_runs AS r ON r.id = c.run ORDER BY c.id");
    while (rows.Step()) {
        ArchiveCheck check;
        check.run = rows.Int(0);
        check.archive = rows.Bytes(1);
        check.checked = TimePoint(
            std::chrono::duration_cast<TimePoint::duration>(std::chrono::nanoseconds(rows.Int(2))));
        const std::string verdict = rows.Bytes(3);
        for (int v = 0; v < 4; ++v)
            if (verdict == kVerdictNames[v])
                check.verdict = static_cast<CheckVerdict>(v);
        check.detail = rows.Bytes(4);
        last[check.run] = check;
    }
    return last;
}

} // namespace vesko
