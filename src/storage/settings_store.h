#pragma once

#include "storage/database.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesko {

// The per-user settings store: one SQLite file,
// $XDG_CONFIG_HOME/vesko-backup/settings.sqlite (XDG_CONFIG_HOME defaults to ~/.config),
// created on the first write and readable by its owner only. The settings table (the run
// history's tables beside it are storage/history_tables.cpp's):
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
        std::optional<storage::Database> db_;
        std::optional<storage::Transaction> change_;
    };

private:
    using Use = std::function<void(storage::Database&)>;
    // Runs use on the open Transaction's connection, or on a fresh one closed when it ends.
    // Reading never creates the file and skips use when there is no file or no table yet;
    // writing creates the folder, the file and the table when they are missing.
    void Read(const Use& use);
    void Write(const Use& use);

    std::string path_;
    storage::Database* held_ = nullptr; // the open Transaction's connection
};

} // namespace vesko
