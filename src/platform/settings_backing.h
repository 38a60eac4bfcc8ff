#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace vesko {

// The per-user settings store: one SQLite file,
// $XDG_CONFIG_HOME/vesko-backup/settings.sqlite (XDG_CONFIG_HOME defaults to ~/.config),
// created on the first write and readable by its owner only. The settings table (the run
// history's tables beside it are src/history's):
//   settings (id INTEGER PRIMARY KEY AUTOINCREMENT, application TEXT NOT NULL,
//             section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL,
//             UNIQUE (application, section, key))
// Every failure throws vesko::Error with a description. A missing file or section reads as
// empty. A file that is not a database is never overwritten.
class SettingsStore {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // The store at the default per-user path.
    SettingsStore();
    explicit SettingsStore(std::string path);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    static std::string DefaultPath();
    const std::string& Path() const { return path_; }

    std::string GetSetting(
        const std::string& application, const std::string& section, const std::string& key);
    // Replaces the value of an existing key in place (its position in GetAllSettings stays).
    void SaveSetting(const std::string& application, const std::string& section,
        const std::string& key, const std::string& value);
    // The section's entries in creation order.
    Entries GetAllSettings(const std::string& application, const std::string& section);
    void DeleteSetting(
        const std::string& application, const std::string& section, const std::string& key);

    // All or nothing: a Transaction's writes are undone by its destructor unless it was
    // committed. One at a time per store object.
    class Transaction {
    public:
        explicit Transaction(SettingsStore& store);
        ~Transaction();
        void Commit();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

    private:
        SettingsStore& store_;
        bool open_ = false;
    };

    // A fresh connection to the file, which the caller closes; nullptr when there is no
    // file and create is false. Creating makes the missing folders (0700) and the file
    // (0600). The run history keeps its own tables in the same file through it.
    sqlite3* Connect(bool create);

private:
    friend class Transaction;
    // The open transaction's connection, or a fresh one for a single operation. Reading
    // never creates the file (nullptr when there is none yet); writing creates the folder,
    // the file and the table when they are missing.
    sqlite3* OpenForRead();
    sqlite3* OpenForWrite();
    // Closes a connection that OpenFor... gave, unless it belongs to the open transaction.
    void Release(sqlite3* db);

    std::string path_;
    sqlite3* db_ = nullptr; // held only while a Transaction is open
};

} // namespace vesko
