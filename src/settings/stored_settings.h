#pragma once

#include "core/run_report.h"
#include "core/settings.h"
#include "platform/dates.h"

#include <optional>
#include <string>

namespace vesko {

class SettingsStore;

inline constexpr const char* kSettingsApplication = "Zeltan's Stuff";
inline constexpr const char* kSettingsSection = "Vesko Backup";
// The instant the copy phase of the last successful export began, recorded with LastExport:
// every file modified since then is in a later export, whatever the day the archiver
// started on.
inline constexpr const char* kLastExportCopyStartKey = "LastExportCopyStart";

// One value of the section; "" when it is not stored.
std::string StoredSetting(SettingsStore& store, const std::string& key);
void SaveSetting(SettingsStore& store, const std::string& key, const std::string& value);

// The stored settings, the folders given their ending '/'. Throws Error.
Settings LoadSettings(SettingsStore& store);
// Stores the settings all or nothing. A value left as loaded keeps its stored bytes (a folder
// shown with the '/' the loading gave it included), and a source list left as loaded keeps
// its keys, those written by other tools included. The first Apply (NothingStored) writes
// every value; a folder is written with its ending '/'. Throws Error.
void ApplySettings(SettingsStore& store, const Settings& settings);

// True when none of the Settings tab's values and no source is stored: the other keys (the
// dates of the runs, the window's size) say nothing about what to back up.
bool NothingStored(SettingsStore& store);

// When the copy phase of the last successful export began; LastExport stands in for a store
// written before that instant was recorded. None when no export is recorded.
std::optional<TimePoint> LastExportCopyStart(SettingsStore& store);

// The last successful export's and import's dates as stored ("" when none).
struct LastRunDates {
    std::string lastExport;
    std::string lastImport;
};
LastRunDates LoadLastRunDates(SettingsStore& store);
// Records LastExport or LastImport as the given moment.
void RecordLastRun(SettingsStore& store, RunKind kind, TimePoint when);

} // namespace vesko
