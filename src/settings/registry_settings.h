#pragma once

#include "platform/dates.h"

#include <string>

namespace vesko {

struct Host;

inline constexpr const char* kSettingsApplication = "Zeltan's Stuff";
inline constexpr const char* kSettingsSection = "Vesko Backup";
// The instant the copy phase of the last successful export began, recorded with LastExport:
// every file modified since then is in a later export, whatever the day the archiver
// started on.
inline constexpr const char* kLastExportCopyStartKey = "LastExportCopyStart";

// modRegistrySettings: writes one value of the section. No trap of its own.
void SaveRegistrySetting(Host& host, const std::string& key, const std::string& value);
// Records "Last" + datFile (LastExport, LastImport) as the given moment, then RefreshLabels.
// No trap of its own.
void CreateDatFile(Host& host, const std::string& datFile, TimePoint when);

} // namespace vesko
