#include "care/care_tables.h"

#include "storage/history_tables.h"

namespace vesko::history {

namespace {

// Kept apart from history_runs: a run is recorded once, when it ends, while its archive
// may be checked many times and removed long after. Instants are nanoseconds since the epoch.
constexpr const char* kCreateCareTables = R"sql(
CREATE TABLE IF NOT EXISTS history_removed (
    run INTEGER PRIMARY KEY, removed INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS history_checks (
    id INTEGER PRIMARY KEY AUTOINCREMENT, run INTEGER NOT NULL, checked INTEGER NOT NULL,
    verdict TEXT NOT NULL, detail TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS history_checks_by_run ON history_checks (run);
)sql";

} // namespace

storage::Database OpenCareForWrite(SettingsStore& store)
{
    storage::Database db = OpenHistoryForWrite(store);
    db.Exec(kCreateCareTables);
    return db;
}

std::optional<storage::Database> OpenCareForRead(const SettingsStore& store)
{
    return OpenHistoryForRead(store);
}

} // namespace vesko::history
