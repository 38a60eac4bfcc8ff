#pragma once

#include "platform/dates.h"
#include "platform/error.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vesko::storage {

// The store keeps an instant as nanoseconds since the epoch.
inline std::int64_t StoredInstant(TimePoint when)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
}
inline TimePoint InstantFromStore(std::int64_t nanoseconds)
{
    return TimePoint(
        std::chrono::duration_cast<TimePoint::duration>(std::chrono::nanoseconds(nanoseconds)));
}

// The program keeps one SQLite file, the settings store; every failure names it so:
// Settings store "<path>": <reason>.
Error StoreError(const std::string& path, const std::string& reason);

// One connection to the file, closed with the object. A second running copy of the program
// holding the write lock for a moment is waited for before a write fails.
class Database {
public:
    // The file as it is; nullopt when there is none. Reading never creates anything.
    static std::optional<Database> OpenForRead(const std::string& path);
    // Creates the missing folders (0700) and the file (0600), so that it is its owner's
    // alone from the start. A file that is not a database fails on the first statement and
    // is never overwritten.
    static Database OpenForWrite(const std::string& path);

    Database(Database&& other) noexcept;
    Database& operator=(Database&&) = delete;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    const std::string& Path() const { return path_; }
    void Exec(const char* sql);
    bool HasTable(std::string_view name);
    // Adds a column to a table written by an older version of the program, unless it has it.
    void AddMissingColumn(std::string_view table, std::string_view column, std::string_view type);
    // Rows changed by the last statement; the id the last insert gave.
    int Changes() const;
    std::int64_t LastInsertId() const;
    // Throws the library's description of the last failure.
    [[noreturn]] void Fail() const;

private:
    friend class Statement;
    friend class Transaction;
    Database(std::string path, sqlite3* db);
    static Database Connect(const std::string& path);

    std::string path_;
    sqlite3* db_ = nullptr;
};

// A prepared statement, reset and reused for every row it writes or reads. Columns and
// parameters count from 0 and 1, as in SQLite. It must not outlive its connection.
class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::optional<int> value);
    // Text for names the program chooses and settings; bytes for paths, which need not be
    // UTF-8.
    Statement& BindText(int index, std::string_view text);
    Statement& BindBytes(int index, std::string_view bytes);

    // True while there is a row to read.
    bool Step();
    // Steps once to the end and makes the statement ready for its next parameters.
    void Run();
    void Reset();

    std::int64_t Int(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;
    // The column's bytes as stored, text or not; a NULL reads as empty.
    std::string Bytes(int column) const;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// All or nothing: begun at once for writing (so that two writers never deadlock), rolled back
// by the destructor unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool open_ = false;
};

} // namespace vesko::storage
