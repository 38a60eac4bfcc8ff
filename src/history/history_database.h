#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vesko {

class SettingsStore;

namespace history {

// One connection of the history's own to the settings file. Every failure throws
// vesko::Error naming the file.
class Database {
public:
    // Writing creates the file and the history's tables when they are missing; reading
    // never creates anything, and a file without them reads as an empty history.
    enum class Mode { Read, Write };
    Database(SettingsStore& store, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // False when reading found no file or no history in it.
    bool HasHistory() const { return db_ != nullptr; }
    void Exec(const char* sql);
    // Rows changed by the last statement; the id the last insert gave.
    int Changes() const;
    std::int64_t LastInsertId() const;
    [[noreturn]] void Fail();

    sqlite3* Handle() const { return db_; }

private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

// A prepared statement, reset and reused for every row it writes or reads. Columns and
// parameters count from 0 and 1, as in SQLite.
class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::optional<int> value);
    // Text for names the program chooses; bytes for paths, which need not be UTF-8.
    Statement& BindText(int index, std::string_view text);
    Statement& BindBytes(int index, std::string_view bytes);

    // True while there is a row to read.
    bool Step();
    // Steps once to the end and makes the statement ready for its next parameters.
    void Run();
    void Reset();

    std::int64_t Int(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;
    std::string Bytes(int column) const;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// One transaction, rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool open_ = false;
};

} // namespace history
} // namespace vesko
