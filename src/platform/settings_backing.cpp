#include "platform/settings_backing.h"

#include "platform/error.h"
#include "platform/home_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sqlite3.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vesko {

namespace {

// A second running copy of the program may hold the write lock for a moment; wait this
// long before telling the person that the store is locked.
constexpr int kBusyTimeoutMs = 3000;

constexpr const char* kCreateTable
    = "CREATE TABLE IF NOT EXISTS settings (id INTEGER PRIMARY KEY AUTOINCREMENT, "
      "application TEXT NOT NULL, section TEXT NOT NULL, key TEXT NOT NULL, "
      "value TEXT NOT NULL, UNIQUE (application, section, key))";

[[noreturn]] void Fail(const std::string& path, const std::string& reason)
{
    throw Error("Settings store \"" + path + "\": " + reason);
}

[[noreturn]] void FailSqlite(const std::string& path, sqlite3* db)
{
    Fail(path, sqlite3_errmsg(db));
}

[[noreturn]] void FailErrno(const std::string& path, const std::string& what, int err)
{
    Fail(path, what + ": " + std::strerror(err));
}

template <class F> struct OnExit {
    F f;
    ~OnExit() { f(); }
};
template <class F> OnExit(F) -> OnExit<F>;

void Exec(const std::string& path, sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        FailSqlite(path, db);
}

// One prepared statement with its text parameters bound in order.
class Statement {
public:
    Statement(const std::string& path, sqlite3* db, const char* sql,
        std::initializer_list<std::string_view> params)
        : path_(path)
        , db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            FailSqlite(path_, db_);
        int i = 1;
        for (std::string_view p : params) {
            // An empty view may carry a null pointer, which would bind NULL, not "".
            const char* data = p.empty() ? "" : p.data();
            if (sqlite3_bind_text(stmt_, i++, data, static_cast<int>(p.size()), SQLITE_TRANSIENT)
                != SQLITE_OK)
                FailSqlite(path_, db_);
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while there is a row to read.
    bool Step()
    {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        FailSqlite(path_, db_);
    }
    std::string Column(int i)
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)))
                    : std::string();
    }

private:
    const std::string& path_;
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A database made by another program need not have the table yet; it then holds no entries.
bool HasTable(const std::string& path, sqlite3* db)
{
    Statement st(
        path, db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'settings'", {});
    return st.Step();
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

} // namespace

SettingsStore::SettingsStore()
    : path_(DefaultPath())
{
}

SettingsStore::SettingsStore(std::string path)
    : path_(std::move(path))
{
}

SettingsStore::~SettingsStore()
{
    if (db_)
        sqlite3_close_v2(db_);
}

std::string SettingsStore::DefaultPath()
{
    std::string base;
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        base = paths::HomeFolder() + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/vesko-backup/settings.sqlite";
}

sqlite3* SettingsStore::Connect(bool create)
{
    struct stat st { };
    if (::stat(path_.c_str(), &st) != 0) {
        int err = errno;
        if (err != ENOENT && err != ENOTDIR)
            FailErrno(path_, "cannot read", err);
        if (!create)
            return nullptr;
        std::size_t slash = path_.rfind('/');
        if (slash != std::string::npos && slash > 0)
            MakeFolders(path_, path_.substr(0, slash));
        // Made here rather than by the library so that it is the owner's alone from the start.
        int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            FailErrno(path_, "cannot create the file", errno);
        if (fd >= 0)
            ::close(fd);
    }

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
        if (int err = db ? sqlite3_system_errno(db) : 0)
            reason += std::string(" (") + std::strerror(err) + ")";
        sqlite3_close_v2(db);
        Fail(path_, reason);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

sqlite3* SettingsStore::OpenForRead()
{
    return db_ ? db_ : Connect(false);
}

sqlite3* SettingsStore::OpenForWrite()
{
    if (db_)
        return db_;
    sqlite3* db = Connect(true);
    OnExit closeOnFailure { [&] {
        if (db)
            sqlite3_close_v2(db);
    } };
    Exec(path_, db, kCreateTable);
    return std::exchange(db, nullptr);
}

void SettingsStore::Release(sqlite3* db)
{
    if (db && db != db_)
        sqlite3_close_v2(db);
}

std::string SettingsStore::GetSetting(
    const std::string& application, const std::string& section, const std::string& key)
{
    sqlite3* db = OpenForRead();
    if (!db)
        return {};
    OnExit release { [&] { Release(db); } };
    if (!HasTable(path_, db))
        return {};
    Statement st(path_, db,
        "SELECT value FROM settings WHERE application = ?1 AND section = ?2 AND key = ?3",
        { application, section, key });
    return st.Step() ? st.Column(0) : std::string();
}

void SettingsStore::SaveSetting(const std::string& application, const std::string& section,
    const std::string& key, const std::string& value)
{
    sqlite3* db = OpenForWrite();
    OnExit release { [&] { Release(db); } };
    // An upsert keeps the entry's id, and with it its place in the enumeration order.
    Statement st(path_, db,
        "INSERT INTO settings (application, section, key, value) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (application, section, key) DO UPDATE SET value = excluded.value",
        { application, section, key, value });
    st.Step();
}

SettingsStore::Entries SettingsStore::GetAllSettings(
    const std::string& application, const std::string& section)
{
    Entries entries;
    sqlite3* db = OpenForRead();
    if (!db)
        return entries;
    OnExit release { [&] { Release(db); } };
    if (!HasTable(path_, db))
        return entries;
    Statement st(path_, db,
        "SELECT key, value FROM settings WHERE application = ?1 AND section = ?2 "
        "ORDER BY id",
        { application, section });
    while (st.Step())
        entries.emplace_back(st.Column(0), st.Column(1));
    return entries;
}

void SettingsStore::DeleteSetting(
    const std::string& application, const std::string& section, const std::string& key)
{
    sqlite3* db = OpenForRead();
    if (!db)
        return;
    OnExit release { [&] { Release(db); } };
    if (!HasTable(path_, db))
        return;
    Statement st(path_, db,
        "DELETE FROM settings WHERE application = ?1 AND section = ?2 AND key = ?3",
        { application, section, key });
    st.Step();
}

SettingsStore::Transaction::Transaction(SettingsStore& store)
    : store_(store)
{
    if (store_.db_)
        Fail(store_.path_, "a change is already in progress");
    sqlite3* db = store_.Connect(true);
    store_.db_ = db;
    try {
        Exec(store_.path_, db, "BEGIN IMMEDIATE");
        open_ = true;
        Exec(store_.path_, db, kCreateTable);
    } catch (...) {
        if (open_)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        open_ = false;
        store_.db_ = nullptr;
        sqlite3_close_v2(db);
        throw;
    }
}

SettingsStore::Transaction::~Transaction()
{
    if (!store_.db_)
        return;
    if (open_)
        sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(store_.db_);
    store_.db_ = nullptr;
}

void SettingsStore::Transaction::Commit()
{
    if (!open_)
        Fail(store_.path_, "no change in progress");
    Exec(store_.path_, store_.db_, "COMMIT");
    open_ = false;
    sqlite3_close_v2(store_.db_);
    store_.db_ = nullptr;
}

} // namespace vesko
