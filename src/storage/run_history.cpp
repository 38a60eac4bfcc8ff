#include "storage/run_history.h"

#include "platform/filesystem.h"
#include "storage/history_tables.h"
#include "storage/run_names.h"

#include <chrono>
#include <exception>
#include <iostream>

namespace vesko::history {

namespace {

using storage::Database;
using storage::Statement;

std::int64_t Signed(std::uint64_t value)
{
    return static_cast<std::int64_t>(value);
}

// The archive the run leaves for the history to list: an export's only once it was written.
// A refused export wrote nothing (a name it found taken belongs to an earlier run), and a
// failed one may have named an archive that the archiver never wrote or that was removed.
std::string ArchiveOfRecord(const RunReport& report)
{
    if (report.kind != RunKind::Export || report.outcome == RunOutcome::Success
        || report.outcome == RunOutcome::Incomplete)
        return report.archive;
    if (report.outcome == RunOutcome::Refused || report.archive.empty()
        || !FileSystem().FileExists(report.archive))
        return {};
    return report.archive;
}

void Complain(const char* what, const std::exception& e)
{
    std::cerr << "vesko-backup: the run history could not " << what << ": " << e.what() << "\n";
}

// Keeps the newest kKeptRuns runs. A path goes with the last run that named it.
void DropOldRuns(Database& db)
{
    Statement oldest(db, "SELECT id FROM history_runs ORDER BY id DESC LIMIT 1 OFFSET ?1");
    oldest.Bind(1, static_cast<std::int64_t>(kKeptRuns - 1));
    if (!oldest.Step())
        return;
    const std::int64_t kept = oldest.Int(0);
    oldest.Reset();
    for (const char* sql : {
             "DELETE FROM history_paths WHERE id IN "
             "(SELECT path FROM history_archived WHERE run < ?1) AND NOT EXISTS "
             "(SELECT 1 FROM history_archived AS a WHERE a.path = history_paths.id "
             "AND a.run >= ?1)",
             "DELETE FROM history_archived WHERE run < ?1",
             "DELETE FROM history_left_out WHERE run < ?1",
             "DELETE FROM history_not_taken WHERE run < ?1",
             "DELETE FROM history_volumes WHERE run < ?1",
             "DELETE FROM history_catalogues WHERE run < ?1",
             "DELETE FROM history_runs WHERE id < ?1",
         })
        Statement(db, sql).Bind(1, kept).Run();
}

void WriteArchived(Database& db, std::int64_t id, const std::vector<ArchivedFile>& files)
{
    Statement findPath(db, "SELECT id FROM history_paths WHERE path = ?1");
    Statement addPath(db, "INSERT INTO history_paths (path) VALUES (?1)");
    Statement add(db,
        "INSERT INTO history_archived (run, seq, path, size, modified) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    std::int64_t seq = 0;
    for (const ArchivedFile& file : files) {
        findPath.BindBytes(1, file.path);
        std::int64_t pathId = 0;
        if (findPath.Step()) {
            pathId = findPath.Int(0);
        } else {
            addPath.BindBytes(1, file.path).Run();
            pathId = db.LastInsertId();
        }
        findPath.Reset();
        add.Bind(1, id)
            .Bind(2, seq++)
            .Bind(3, pathId)
            .Bind(4, Signed(file.size))
            .Bind(5, storage::StoredInstant(file.modified))
            .Run();
    }
}

void WriteNotTaken(Database& db, std::int64_t id, const std::vector<LeftOutFile>& entries)
{
    Statement add(
        db, "INSERT INTO history_not_taken (run, seq, path, kind) VALUES (?1, ?2, ?3, ?4)");
    std::int64_t seq = 0;
    for (const LeftOutFile& e : entries)
        add.Bind(1, id).Bind(2, seq++).BindBytes(3, e.path).BindText(4, e.reason).Run();
}

} // namespace

std::int64_t BeginRun(SettingsStore& store, const RunReport& report)
{
    try {
        Database db = OpenHistoryForWrite(store);
        storage::Transaction transaction(db);
        Statement(db,
            "INSERT INTO history_runs (kind, outcome, started, cut_off_day, files, bytes, "
            "archive, message) VALUES (?1, ?2, ?3, ?4, 0, 0, ?5, '')")
            .BindText(1, KindName(report.kind))
            .BindText(2, OutcomeName(RunOutcome::Unfinished))
            .Bind(3, storage::StoredInstant(report.started))
            .BindText(4, report.cutOffDay)
            .BindBytes(5, report.archive)
            .Run();
        const std::int64_t id = db.LastInsertId();
        DropOldRuns(db);
        transaction.Commit();
        return id;
    } catch (const std::exception& e) {
        Complain("record the start of this run", e);
        return 0;
    }
}

void EndRun(SettingsStore& store, std::int64_t id, const RunReport& report)
{
    try {
        Database db = OpenHistoryForWrite(store);
        storage::Transaction transaction(db);
        Statement(db,
            "UPDATE history_runs SET outcome = ?2, ended = ?3, cut_off_day = ?4, files = ?5, "
            "bytes = ?6, archive = ?7, archiver_status = ?8, message = ?9, full = ?10 "
            "WHERE id = ?1 AND ended IS NULL")
            .Bind(1, id)
            .BindText(2, OutcomeName(report.outcome))
            .Bind(3, storage::StoredInstant(report.ended))
            .BindText(4, report.cutOffDay)
            .Bind(5, Signed(report.files))
            .Bind(6, Signed(report.bytes))
            .BindBytes(7, ArchiveOfRecord(report))
            .Bind(8, report.archiverStatus)
            .BindText(9, report.message)
            .Bind(10, std::int64_t { report.full ? 1 : 0 })
            .Run();
        // Dropped meanwhile by a thousand younger runs: its lists would belong to no run.
        if (db.Changes() == 0)
            return;

        Statement volume(
            db, "INSERT INTO history_volumes (run, seq, path, size) VALUES (?1, ?2, ?3, ?4)");
        std::int64_t seq = 0;
        for (const ArchiveVolume& v : report.volumes)
            volume.Bind(1, id).Bind(2, seq++).BindBytes(3, v.path).Bind(4, Signed(v.size)).Run();

        Statement leftOut(
            db, "INSERT INTO history_left_out (run, seq, path, reason) VALUES (?1, ?2, ?3, ?4)");
        seq = 0;
        for (const LeftOutFile& f : report.leftOut)
            leftOut.Bind(1, id).Bind(2, seq++).BindBytes(3, f.path).BindText(4, f.reason).Run();

        WriteNotTaken(db, id, report.notTaken);
        WriteArchived(db, id, report.archived);
        transaction.Commit();
    } catch (const std::exception& e) {
        Complain("record the end of this run", e);
    }
}

void RecordRun(SettingsStore& store, const RunReport& report)
{
    if (const std::int64_t id = BeginRun(store, report))
        EndRun(store, id, report);
}

} // namespace vesko::history
