#include "storage/history_tables.h"

#include "storage/settings_store.h"

namespace vesko::history {

namespace {

// The tables are described for the person in docs/settings-store.md; keep the two together.
// Paths are bytes (BLOB): a name need not be UTF-8. An archived file names its path through
// history_paths, so that a path seen by a thousand nightly runs is stored once.
constexpr const char* kCreateTables = R"sql(
CREATE TABLE IF NOT EXISTS history_runs (
    id INTEGER PRIMARY KEY AUTOINCREMENT, kind TEXT NOT NULL, outcome TEXT NOT NULL,
    started INTEGER NOT NULL, ended INTEGER, cut_off_day TEXT NOT NULL,
    files INTEGER NOT NULL, bytes INTEGER NOT NULL, archive BLOB NOT NULL,
    archiver_status INTEGER, message TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS history_volumes (
    run INTEGER NOT NULL, seq INTEGER NOT NULL, path BLOB NOT NULL, size INTEGER NOT NULL,
    PRIMARY KEY (run, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS history_paths (
    id INTEGER PRIMARY KEY, path BLOB NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS history_archived (
    run INTEGER NOT NULL, seq INTEGER NOT NULL, path INTEGER NOT NULL,
    size INTEGER NOT NULL, modified INTEGER NOT NULL,
    PRIMARY KEY (run, seq)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS history_archived_by_path ON history_archived (path);
CREATE TABLE IF NOT EXISTS history_left_out (
    run INTEGER NOT NULL, seq INTEGER NOT NULL, path BLOB NOT NULL, reason TEXT NOT NULL,
    PRIMARY KEY (run, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS history_not_taken (
    run INTEGER NOT NULL, seq INTEGER NOT NULL, path BLOB NOT NULL, kind TEXT NOT NULL,
    PRIMARY KEY (run, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS history_catalogues (
    run INTEGER PRIMARY KEY, volume_times TEXT NOT NULL, entries BLOB NOT NULL,
    manifest BLOB NOT NULL, manifest_files BLOB NOT NULL);
)sql";

} // namespace

std::optional<storage::Database> OpenHistoryForRead(const SettingsStore& store)
{
    std::optional<storage::Database> db = storage::Database::OpenForRead(store.Path());
    if (db && !db->HasTable("history_runs"))
        db.reset();
    return db;
}

storage::Database OpenHistoryForWrite(const SettingsStore& store)
{
    storage::Database db = storage::Database::OpenForWrite(store.Path());
    db.Exec(kCreateTables);
    // Added after the first release: an export that backed up everything, not only what
    // changed since a day.
    db.AddMissingColumn("history_runs", "full", "INTEGER NOT NULL DEFAULT 0");
    return db;
}

} // namespace vesko::history
