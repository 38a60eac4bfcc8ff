#include "storage/export_leftovers.h"

#include "storage/history_tables.h"

namespace vesko::history {

namespace {

using storage::Database;
using storage::Statement;

// Described beside the history's tables in docs/settings-store.md.
constexpr const char* kCreateTables = R"sql(
CREATE TABLE IF NOT EXISTS export_temp_trees (
    run INTEGER PRIMARY KEY, token TEXT NOT NULL, path BLOB NOT NULL,
    device INTEGER NOT NULL, inode INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS export_work_files (
    run INTEGER NOT NULL, path BLOB NOT NULL, PRIMARY KEY (run, path)) WITHOUT ROWID;
)sql";

Database OpenForWrite(SettingsStore& store)
{
    Database db = OpenHistoryForWrite(store);
    db.Exec(kCreateTables);
    return db;
}

std::optional<Database> OpenForRead(SettingsStore& store, const char* table)
{
    std::optional<Database> db = OpenHistoryForRead(store);
    if (db && !db->HasTable(table))
        db.reset();
    return db;
}

} // namespace

void RecordTempTree(SettingsStore& store, const TempTreeRecord& tree)
{
    Database db = OpenForWrite(store);
    Statement(db,
        "INSERT OR REPLACE INTO export_temp_trees (run, token, path, device, inode) "
        "VALUES (?1, ?2, ?3, ?4, ?5)")
        .Bind(1, tree.run)
        .BindText(2, tree.token)
        .BindBytes(3, tree.path)
        .Bind(4, static_cast<std::int64_t>(tree.identity.device))
        .Bind(5, static_cast<std::int64_t>(tree.identity.inode))
        .Run();
}

std::optional<TempTreeRecord> FindEndedTempTree(
    SettingsStore& store, std::int64_t run, const std::string& token, std::int64_t current)
{
    std::optional<Database> db = OpenForRead(store, "export_temp_trees");
    if (!db || run == current)
        return std::nullopt;
    Statement row(*db,
        "SELECT token, path, device, inode FROM export_temp_trees WHERE run = ?1 AND token = ?2");
    if (!row.Bind(1, run).BindText(2, token).Step())
        return std::nullopt;
    return TempTreeRecord { run, row.Bytes(0), row.Bytes(1),
        { static_cast<dev_t>(row.Int(2)), static_cast<ino_t>(row.Int(3)) } };
}

void ForgetTempTree(SettingsStore& store, std::int64_t run)
{
    Database db = OpenForWrite(store);
    Statement(db, "DELETE FROM export_temp_trees WHERE run = ?1").Bind(1, run).Run();
}

void RecordWorkFiles(SettingsStore& store, std::int64_t run, const std::vector<std::string>& paths)
{
    Database db = OpenForWrite(store);
    storage::Transaction transaction(db);
    Statement add(db, "INSERT OR IGNORE INTO export_work_files (run, path) VALUES (?1, ?2)");
    for (const std::string& path : paths)
        add.Bind(1, run).BindBytes(2, path).Run();
    transaction.Commit();
}

std::vector<std::string> EndedRunsWorkFiles(SettingsStore& store, std::int64_t current)
{
    std::vector<std::string> paths;
    std::optional<Database> db = OpenForRead(store, "export_work_files");
    if (!db)
        return paths;
    Statement rows(*db, "SELECT DISTINCT path FROM export_work_files WHERE run != ?1");
    rows.Bind(1, current);
    while (rows.Step())
        paths.push_back(rows.Bytes(0));
    return paths;
}

void ForgetWorkFiles(SettingsStore& store, std::int64_t run, std::int64_t current)
{
    Database db = OpenForWrite(store);
    if (run != 0)
        Statement(db, "DELETE FROM export_work_files WHERE run = ?1").Bind(1, run).Run();
    else
        Statement(db, "DELETE FROM export_work_files WHERE run != ?1").Bind(1, current).Run();
}

} // namespace vesko::history
