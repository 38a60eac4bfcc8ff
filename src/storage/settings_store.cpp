#include "storage/settings_store.h"

#include "platform/home_folder.h"

#include <cstdlib>

namespace vesko {

namespace {

constexpr const char* kCreateTable
    = "CREATE TABLE IF NOT EXISTS settings (id INTEGER PRIMARY KEY AUTOINCREMENT, "
      "application TEXT NOT NULL, section TEXT NOT NULL, key TEXT NOT NULL, "
      "value TEXT NOT NULL, UNIQUE (application, section, key))";

} // namespace

SettingsStore::SettingsStore()
    : path_(DefaultPath())
{
}

SettingsStore::SettingsStore(std::string path)
    : path_(std::move(path))
{
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

void SettingsStore::Read(const Use& use)
{
    if (held_) {
        use(*held_);
        return;
    }
    std::optional<storage::Database> db = storage::Database::OpenForRead(path_);
    // A database made by another program need not have the table yet; it then holds no
    // entries.
    if (db && db->HasTable("settings"))
        use(*db);
}

void SettingsStore::Write(const Use& use)
{
    if (held_) {
        use(*held_);
        return;
    }
    storage::Database db = storage::Database::OpenForWrite(path_);
    db.Exec(kCreateTable);
    use(db);
}

std::string SettingsStore::GetSetting(
    const std::string& application, const std::string& section, const std::string& key)
{
    std::string value;
    Read([&](storage::Database& db) {
        storage::Statement st(
            db, "SELECT value FROM settings WHERE application = ?1 AND section = ?2 AND key = ?3");
        if (st.BindText(1, application).BindText(2, section).BindText(3, key).Step())
            value = st.Bytes(0);
    });
    return value;
}

void SettingsStore::SaveSetting(const std::string& application, const std::string& section,
    const std::string& key, const std::string& value)
{
    Write([&](storage::Database& db) {
        // An upsert keeps the entry's id, and with it its place in the enumeration order.
        storage::Statement(db,
            "INSERT INTO settings (application, section, key, value) VALUES (?1, ?2, ?3, ?4) "
            "ON CONFLICT (application, section, key) DO UPDATE SET value = excluded.value")
            .BindText(1, application)
            .BindText(2, section)
            .BindText(3, key)
            .BindText(4, value)
            .Run();
    });
}

SettingsStore::Entries SettingsStore::GetAllSettings(
    const std::string& application, const std::string& section)
{
    Entries entries;
    Read([&](storage::Database& db) {
        storage::Statement st(db,
            "SELECT key, value FROM settings WHERE application = ?1 AND section = ?2 "
            "ORDER BY id");
        st.BindText(1, application).BindText(2, section);
        while (st.Step())
            entries.emplace_back(st.Bytes(0), st.Bytes(1));
    });
    return entries;
}

void SettingsStore::DeleteSetting(
    const std::string& application, const std::string& section, const std::string& key)
{
    Read([&](storage::Database& db) {
        storage::Statement(
            db, "DELETE FROM settings WHERE application = ?1 AND section = ?2 AND key = ?3")
            .BindText(1, application)
            .BindText(2, section)
            .BindText(3, key)
            .Run();
    });
}

SettingsStore::Transaction::Transaction(SettingsStore& store)
    : store_(store)
{
    if (store_.held_)
        throw storage::StoreError(store_.path_, "a change is already in progress");
    db_.emplace(storage::Database::OpenForWrite(store_.path_));
    change_.emplace(*db_);
    db_->Exec(kCreateTable);
    store_.held_ = &*db_;
}

SettingsStore::Transaction::~Transaction()
{
    // The members close the change (rolled back unless committed) and then the connection.
    if (db_)
        store_.held_ = nullptr;
}

void SettingsStore::Transaction::Commit()
{
    if (!change_)
        throw storage::StoreError(store_.path_, "no change in progress");
    change_->Commit();
    change_.reset();
    db_.reset();
    store_.held_ = nullptr;
}

} // namespace vesko
