#include "storage/staging_records.h"

#include "storage/database.h"
#include "storage/settings_store.h"

namespace vesko::history {

namespace {

constexpr const char* kTable = "import_staging";

storage::Database OpenForWrite(const SettingsStore& store)
{
    storage::Database db = storage::Database::OpenForWrite(store.Path());
    db.Exec("CREATE TABLE IF NOT EXISTS import_staging (path BLOB PRIMARY KEY, "
            "device INTEGER NOT NULL, inode INTEGER NOT NULL, token TEXT NOT NULL)");
    return db;
}

} // namespace

void RecordStagingFolder(SettingsStore& store, const StagingRecord& record)
{
    storage::Database db = OpenForWrite(store);
    storage::Statement insert(db,
        "INSERT OR REPLACE INTO import_staging (path, device, inode, token) VALUES (?, ?, ?, ?)");
    insert.BindBytes(1, record.path)
        .Bind(2, static_cast<std::int64_t>(record.device))
        .Bind(3, static_cast<std::int64_t>(record.inode))
        .BindText(4, record.token)
        .Run();
}

void ForgetStagingFolder(SettingsStore& store, const std::string& path)
{
    storage::Database db = OpenForWrite(store);
    storage::Statement remove(db, "DELETE FROM import_staging WHERE path = ?");
    remove.BindBytes(1, path).Run();
}

std::vector<StagingRecord> StagingFolders(const SettingsStore& store)
{
    std::vector<StagingRecord> records;
    std::optional<storage::Database> db = storage::Database::OpenForRead(store.Path());
    if (!db || !db->HasTable(kTable))
        return records;
    storage::Statement select(
        *db, "SELECT path, device, inode, token FROM import_staging ORDER BY rowid");
    while (select.Step())
        records.push_back({ select.Bytes(0), static_cast<std::uint64_t>(select.Int(1)),
            static_cast<std::uint64_t>(select.Int(2)), select.Bytes(3) });
    return records;
}

} // namespace vesko::history
