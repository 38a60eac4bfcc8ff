#pragma once

#include "core/settings.h"
#include "platform/dates.h"

#include <optional>
#include <string>
#include <vector>

namespace vesko {

// One export, as the window or the command line asks for it. Folders end with '/', and '~'
// is already replaced by the home folder.
struct ExportRequest {
    std::string tempFolder; // made fresh for the run, removed afterwards
    std::string archiveFolder;
    std::string archiveName; // without ".arj"
    std::string archiverFolder;
    bool spanVolumes = false; // 1440 KB volumes
    TimePoint cutOff; // files changed after this instant are copied
    std::string cutOffDay; // the day of cutOff as the person named it, MM-DD-YYYY
    std::vector<std::string> sources;
    bool full = false; // everything, whenever it changed: the start of a chain of exports
    // Chains of archives kept after a success, this run only; none: the stored setting.
    std::optional<int> keepChains;
};

// The day before every file: an export since then backs up everything.
inline constexpr const char* kEverythingDay = "01-01-1970";

// One import: the archive folder + name is extracted where it lies.
struct ImportRequest {
    std::string archiverFolder;
    std::string importFolder;
    std::string archiveName; // as typed; ".arj" is added unless it holds it
};

// The request of an export of settings since the start of the day a date field text names
// ("12-06-2026"); kEverythingDay asks for a full export. Throws Error when that text is not
// a day.
ExportRequest MakeExportRequest(Settings settings, const std::string& cutOffDay);
ImportRequest MakeImportRequest(
    Settings settings, const std::string& importFolder, const std::string& archiveName);

} // namespace vesko
