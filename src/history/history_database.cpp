#include "history/history_database.h"

#include "platform/error.h"
#include "platform/settings_backing.h"

#include <sqlite3.h>

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
)sql";

} // namespace

Database::Database(SettingsStore& store, Mode mode)
    : path_(store.Path())
    , db_(store.Connect(mode == Mode::Write))
{
    if (!db_)
        return;
    try {
        if (mode == Mode::Write) {
            Exec(kCreateTables);
            return;
        }
        Statement table(
            *this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'history_runs'");
        if (table.Step())
            return;
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

Database::~Database()
{
    if (db_)
        sqlite3_close_v2(db_);
}

void Database::Exec(const char* sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail();
}

int Database::Changes() const
{
    return sqlite3_changes(db_);
}

std::int64_t Database::LastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

void Database::Fail()
{
    throw Error("Settings store \"" + path_ + "\": " + sqlite3_errmsg(db_));
}

Statement::Statement(Database& db, const char* sql)
    : db_(db)
{
    if (sqlite3_prepare_v2(db_.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
        db_.Fail();
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        db_.Fail();
    return *this;
}

Statement& Statement::Bind(int index, std::optional<int> value)
{
    if ((value ? sqlite3_bind_int64(stmt_, index, *value) : sqlite3_bind_null(stmt_, index))
        != SQLITE_OK)
        db_.Fail();
    return *this;
}

Statement& Statement::BindText(int index, std::string_view text)
{
    // An empty view may carry a null pointer, which would bind NULL, not "".
    if (sqlite3_bind_text(stmt_, index, text.empty() ? "" : text.data(),
            static_cast<int>(text.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        db_.Fail();
    return *this;
}

Statement& Statement::BindBytes(int index, std::string_view bytes)
{
    if (sqlite3_bind_blob(stmt_, index, bytes.empty() ? "" : bytes.data(),
            static_cast<int>(bytes.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        db_.Fail();
    return *this;
}

bool Statement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_.Fail();
}

void Statement::Run()
{
    while (Step()) { }
    Reset();
}

void Statement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Int(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

std::optional<std::int64_t> Statement::OptionalInt(int column) const
{
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Bytes(int column) const
{
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

WriteTransaction::WriteTransaction(Database& db)
    : db_(db)
{
    db_.Exec("BEGIN IMMEDIATE");
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (open_)
        sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::Commit()
{
    db_.Exec("COMMIT");
    open_ = false;
}

} // namespace vesko::history
