#include "storage/run_records.h"

#include "storage/history_tables.h"
#include "storage/run_names.h"

#include <chrono>

namespace vesko::history {

namespace {

using storage::Statement;

std::uint64_t Count(std::int64_t value)
{
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

constexpr const char* kRunColumns
    = "SELECT id, kind, outcome, started, ended, cut_off_day, files, bytes, archive, "
      "archiver_status, message, full FROM history_runs";

// A row of kRunColumns. A word this program never writes reads as an unfinished run of
// the kind it names, rather than as a success.
RecordedRun RunFromRow(const Statement& row)
{
    RecordedRun run;
    run.id = row.Int(0);
    RunReport& r = run.report;
    r.kind = KindFromName(row.Bytes(1)).value_or(RunKind::Export);
    r.outcome = OutcomeFromName(row.Bytes(2)).value_or(RunOutcome::Unfinished);
    r.started = storage::InstantFromStore(row.Int(3));
    if (const auto ended = row.OptionalInt(4))
        r.ended = storage::InstantFromStore(*ended);
    else
        r.outcome = RunOutcome::Unfinished;
    r.cutOffDay = row.Bytes(5);
    r.files = Count(row.Int(6));
    r.bytes = Count(row.Int(7));
    r.archive = row.Bytes(8);
    if (const auto status = row.OptionalInt(9))
        r.archiverStatus = static_cast<int>(*status);
    r.message = row.Bytes(10);
    r.full = row.Int(11) != 0;
    return run;
}

} // namespace

std::vector<RecordedRun> ListRuns(SettingsStore& store)
{
    std::vector<RecordedRun> runs;
    std::optional<storage::Database> db = OpenHistoryForRead(store);
    if (!db)
        return runs;
    Statement rows(*db, (std::string(kRunColumns) + " ORDER BY id DESC").c_str());
    while (rows.Step())
        runs.push_back(RunFromRow(rows));
    return runs;
}

std::optional<RecordedRun> ReadRun(SettingsStore& store, std::int64_t id)
{
    std::optional<storage::Database> db = OpenHistoryForRead(store);
    if (!db)
        return std::nullopt;
    Statement row(*db, (std::string(kRunColumns) + " WHERE id = ?1").c_str());
    if (!row.Bind(1, id).Step())
        return std::nullopt;
    RecordedRun run = RunFromRow(row);

    Statement volumes(*db, "SELECT path, size FROM history_volumes WHERE run = ?1 ORDER BY seq");
    volumes.Bind(1, id);
    while (volumes.Step())
        run.report.volumes.push_back({ volumes.Bytes(0), Count(volumes.Int(1)) });
    Statement leftOut(*db, "SELECT path, reason FROM history_left_out WHERE run = ?1 ORDER BY seq");
    leftOut.Bind(1, id);
    while (leftOut.Step())
        run.report.leftOut.push_back({ leftOut.Bytes(0), leftOut.Bytes(1) });
    // Added after the first release: a history written before has no such table.
    if (db->HasTable("history_not_taken")) {
        Statement notTaken(
            *db, "SELECT path, kind FROM history_not_taken WHERE run = ?1 ORDER BY seq");
        notTaken.Bind(1, id);
        while (notTaken.Step())
            run.report.notTaken.push_back({ notTaken.Bytes(0), notTaken.Bytes(1) });
    }
    Statement count(*db, "SELECT count(*) FROM history_archived WHERE run = ?1");
    if (count.Bind(1, id).Step())
        run.archivedCount = Count(count.Int(0));
    return run;
}

std::vector<ArchivedFile> ArchivedFiles(SettingsStore& store, std::int64_t id)
{
    std::vector<ArchivedFile> files;
    std::optional<storage::Database> db = OpenHistoryForRead(store);
    if (!db)
        return files;
    Statement rows(*db,
        "SELECT p.path, a.size, a.modified FROM history_archived AS a "
        "JOIN history_paths AS p ON p.id = a.path WHERE a.run = ?1 ORDER BY a.seq");
    rows.Bind(1, id);
    while (rows.Step())
        files.push_back(
            { rows.Bytes(0), Count(rows.Int(1)), storage::InstantFromStore(rows.Int(2)) });
    return files;
}

std::vector<FoundFile> FindArchived(SettingsStore& store, const std::string& text)
{
    std::vector<FoundFile> found;
    std::optional<storage::Database> db = OpenHistoryForRead(store);
    if (!db)
        return found;
    // The paths are few beside the rows that name them: match them first, then their rows
    // through the index. CROSS JOIN keeps that order; left to itself, without statistics,
    // SQLite walks every archived row (seconds for a thousand nights).
    Statement rows(*db,
        "SELECT r.id, r.started, r.archive, p.path, a.size, a.modified "
        "FROM history_paths AS p CROSS JOIN history_archived AS a ON a.path = p.id "
        "CROSS JOIN history_runs AS r ON r.id = a.run "
        "WHERE instr(p.path, ?1) > 0 ORDER BY r.id DESC, a.seq");
    rows.BindBytes(1, text);
    while (rows.Step())
        found.push_back({ rows.Int(0), storage::InstantFromStore(rows.Int(1)), rows.Bytes(2),
            { rows.Bytes(3), Count(rows.Int(4)), storage::InstantFromStore(rows.Int(5)) } });
    return found;
}

} // namespace vesko::history
