#include "storage/database.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vesko::storage {

namespace {

// A second running copy of the program may hold the write lock for a moment; wait this
// long before telling the person that the store is locked.
constexpr int kBusyTimeoutMs = 3000;

[[noreturn]] void FailErrno(const std::string& path, const std::string& what, int err)
{
    throw StoreError(path, what + ": " + std::strerror(err));
}

// Makes every missing folder on the way to dir, each readable by its owner only.
void MakeFolders(const std::string& path, const std::string& dir)
{
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos < dir.size() && dir[pos] != '/')
            continue;
        std::string prefix = dir.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            FailErrno(path, "cannot create folder \"" + prefix + "\"", errno);
    }
    struct stat st { };
    if (::stat(dir.c_str(), &st) != 0)
        FailErrno(path, "cannot create folder \"" + dir + "\"", errno);
    if (!S_ISDIR(st.st_mode))
        FailErrno(path, "cannot create folder \"" + dir + "\"", ENOTDIR);
}

// True when the file is there; a path that cannot be looked at for another reason fails.
bool FileExists(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) == 0)
        return true;
    const int err = errno;
    if (err != ENOENT && err != ENOTDIR)
        FailErrno(path, "cannot read", err);
    return false;
}

// Made here rather than by the library so that it is the owner's alone from the start.
void CreateFile(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        MakeFolders(path, path.substr(0, slash));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST)
        FailErrno(path, "cannot create the file", errno);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

Error StoreError(const std::string& path, const std::string& reason)
{
    return Error("Settings store \"" + path + "\": " + reason);
}

Database::Database(std::string path, sqlite3* db)
    : path_(std::move(path))
    , db_(db)
{
}

Database::Database(Database&& other) noexcept
    : path_(std::move(other.path_))
    , db_(std::exchange(other.db_, nullptr))
{
}

Database::~Database()
{
    if (db_)
        sqlite3_close_v2(db_);
}

std::optional<Database> Database::OpenForRead(const std::string& path)
{
    if (!FileExists(path))
        return std::nullopt;
    return Connect(path);
}

Database Database::OpenForWrite(const std::string& path)
{
    if (!FileExists(path))
        CreateFile(path);
    return Connect(path);
}

Database Database::Connect(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
        if (const int err = db ? sqlite3_system_errno(db) : 0)
            reason += std::string(" (") + std::strerror(err) + ")";
        sqlite3_close_v2(db);
        throw StoreError(path, reason);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return Database(path, db);
}

void Database::Exec(const char* sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail();
}

void Database::AddMissingColumn(
    std::string_view table, std::string_view column, std::string_view type)
{
    Statement columns(*this, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    if (columns.BindText(1, table).BindText(2, column).Step())
        return;
    Exec(("ALTER TABLE " + std::string(table) + " ADD COLUMN " + std::string(column) + " "
        + std::string(type))
             .c_str());
}

bool Database::HasTable(std::string_view name)
{
    Statement table(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    return table.BindText(1, name).Step();
}

int Database::Changes() const
{
    return sqlite3_changes(db_);
}

std::int64_t Database::LastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

void Database::Fail() const
{
    throw StoreError(path_, sqlite3_errmsg(db_));
}

Statement::Statement(Database& db, const char* sql)
    : db_(db)
{
    if (sqlite3_prepare_v2(db_.db_, sql, -1, &stmt_, nullptr) != SQLITE_OK)
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

Transaction::Transaction(Database& db)
    : db_(db)
{
    db_.Exec("BEGIN IMMEDIATE");
    open_ = true;
}

Transaction::~Transaction()
{
    if (open_)
        sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit()
{
    db_.Exec("COMMIT");
    open_ = false;
}

} // namespace vesko::storage
