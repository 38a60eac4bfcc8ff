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

// The keys of the Settings tab's values, the source list's aside.
constexpr const char* kFieldKeys[]
    = { "ArcFolder", "ArjFolder", "DestinDir", "DisksSpan", "ExportArj", "ImportArj" };

// Writes a value unless the person left it as the window showed it: then the stored text
// stays byte for byte, also where the loading gave a folder its ending '/' (an unset folder
// shows as "/" and must not become the root). The first Apply writes every value, so that
// the store says what the runs use. A folder written gets its ending '/'.
void SaveChanged(
    SettingsStore& store, const std::string& key, const std::string& text, bool folder, bool first)
{
    const std::string stored = StoredSetting(store, key);
    const bool shownAsStored
        = text == stored || (folder && !paths::EndsWithSeparator(stored) && text == stored + '/');
    if (first || !shownAsStored)
        SaveSetting(store, key,
            folder && !text.empty() && !paths::EndsWithSeparator(text) ? text + '/' : text);
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
    const bool first = NothingStored(store);
    SaveChanged(store, "ArcFolder", settings.archiveFolder, true, first);
    SaveChanged(store, "ArjFolder", settings.archiverFolder, true, first);
    SaveChanged(store, "DestinDir", settings.tempFolder, true, first);
    if (first || settings.spanVolumes != (StoredSetting(store, "DisksSpan") == "yes"))
        SaveSetting(store, "DisksSpan", settings.spanVolumes ? "yes" : "no");
    SaveChanged(store, "ExportArj", settings.exportName, false, first);
    SaveChanged(store, "ImportArj", settings.importName, false, first);
    SaveSources(store, settings.sources);
    transaction.Commit();
}

bool NothingStored(SettingsStore& store)
{
    for (const auto& entry : store.GetAllSettings(kSettingsApplication, kSettingsSection)) {
        if (IsSourceKey(entry.first))
            return false;
        for (const char* key : kFieldKeys)
            if (entry.first == key)
                return false;
    }
    return true;
}

std::optional<TimePoint> LastExportCopyStart(SettingsStore& store)
{
    TimePoint last;
    if (ParseStoredDate(StoredSetting(store, kLastExportCopyStartKey), last)
        || ParseStoredDate(StoredSetting(store, "LastExport"), last))
        return last;
    return std::nullopt;
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
