#pragma once

#include "core/settings.h"

#include <string>

namespace vesko {

class SettingsStore;

// Shown in a field whose value was never stored, and stored with the first Apply: values a
// first export works with, so that a new person only has to name the folders to back up.
//   archive folder  ~/Backups/
//   ARJ folder      the folder of the `arj` found on PATH, "" when there is none
//   temp folder     $XDG_CACHE_HOME/vesko-backup/tree/ (~/.cache when that is unset)
//   export name     backup-%Y-%m-%d: each day its own archive
Settings DefaultSettings();
inline constexpr const char* kDefaultExportName = "backup-%Y-%m-%d";

// The folder holding `arj` found on PATH, ending with '/'; "" when PATH has none.
std::string ArchiverFolderOnPath();

// Makes the folders above the default temporary folder when that is the one given (a new
// account has no ~/.cache/vesko-backup/); the tree itself is left to the export, which makes
// it fresh. Throws Error when one cannot be made.
void MakeDefaultTempParents(const std::string& tempFolder);

// The stored settings (LoadSettings), each value never stored replaced by its default.
// Throws Error.
Settings LoadSettingsOrDefaults(SettingsStore& store);

} // namespace vesko
