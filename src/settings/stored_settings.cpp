#include "settings/stored_settings.h"

#include "platform/path_rules.h"
#include "storage/settings_store.h"

#include <string_view>
#include <vector>

namespace vesko {

namespace {

// Every key that begins with these nine characters is an item of the stored source list,
// whatever follows them, including entries written by other tools.
constexpr std::string_view kSourceKeyPrefix = "SourceDir";

bool IsSourceKey(const std::string& key)
{
    return key.compare(0, kSourceKeyPrefix.size(), kSourceKeyPrefix) == 0;
}

std::vector<std::string> StoredSources(const SettingsStore::Entries& entries)
{
    std::vector<std::string> sources;
    for (const auto& [key, value] : entries)
        if (IsSourceKey(key))
            sources.push_back(value);
    return sources;
}

// Writes a value unless the person left it as the window showed it: then the stored text
// stays byte for byte, also where the loading gave a folder its ending '/' (an unset folder
// shows as "/" and must not become the root).
void SaveChanged(SettingsStore& store, const std::string& key, const std::string& text, bool folder)
{
    const std::string stored = StoredSetting(store, key);
    const bool shownAsStored
        = text == stored || (folder && !paths::EndsWithSeparator(stored) && text == stored + '/');
    if (!shownAsStored)
        SaveSetting(store, key, text);
}

void SaveSources(SettingsStore& store, const std::vector<std::string>& sources)
{
    const SettingsStore::Entries entries
        = store.GetAllSettings(kSettingsApplication, kSettingsSection);
    // A list left as it was loaded keeps its keys, those written by other tools included.
    if (sources == StoredSources(entries))
        return;
    for (const auto& entry : entries)
        if (IsSourceKey(entry.first))
            store.DeleteSetting(kSettingsApplication, kSettingsSection, entry.first);
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (!sources[i].empty())
            SaveSetting(store, std::string(kSourceKeyPrefix) + std::to_string(i), sources[i]);
}

} // namespace

std::string StoredSetting(SettingsStore& store, const std::string& key)
{
    return store.GetSetting(kSettingsApplication, kSettingsSection, key);
}

void SaveSetting(SettingsStore& store, const std::string& key, const std::string& value)
{
    store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
}

Settings LoadSettings(SettingsStore& store)
{
    Settings settings;
    settings.archiveFolder = StoredSetting(store, "ArcFolder");
    settings.archiverFolder = StoredSetting(store, "ArjFolder");
    settings.tempFolder = StoredSetting(store, "DestinDir");
    settings.exportName = StoredSetting(store, "ExportArj");
    settings.importName = StoredSetting(store, "ImportArj");
    settings.spanVolumes = StoredSetting(store, "DisksSpan") == "yes";
    settings.sources = StoredSources(store.GetAllSettings(kSettingsApplication, kSettingsSection));
    AddTrailingSlashes(settings);
    return settings;
}

void ApplySettings(SettingsStore& store, const Settings& settings)
{
    // All or nothing: a failure part-way must not leave the stored source list empty or
    // half written.
    SettingsStore::Transaction transaction(store);
    SaveChanged(store, "ArcFolder", settings.archiveFolder, true);
    SaveChanged(store, "ArjFolder", settings.archiverFolder, true);
    SaveChanged(store, "DestinDir", settings.tempFolder, true);
    if (settings.spanVolumes != (StoredSetting(store, "DisksSpan") == "yes"))
        SaveSetting(store, "DisksSpan", settings.spanVolumes ? "yes" : "no");
    SaveChanged(store, "ExportArj", settings.exportName, false);
    SaveChanged(store, "ImportArj", settings.importName, false);
    SaveSources(store, settings.sources);
    transaction.Commit();
}

LastRunDates LoadLastRunDates(SettingsStore& store)
{
    return { StoredSetting(store, "LastExport"), StoredSetting(store, "LastImport") };
}

void RecordLastRun(SettingsStore& store, RunKind kind, TimePoint when)
{
    SaveSetting(store, kind == RunKind::Export ? "LastExport" : "LastImport", StoredDateText(when));
}

} // namespace vesko
