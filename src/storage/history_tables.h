#pragma once

#include "storage/database.h"

#include <optional>

namespace vesko {

class SettingsStore;

namespace history {

// The history's own connections to the settings file, beside the settings' table.
// Reading never creates anything: nullopt when there is no file or no history in it.
std::optional<storage::Database> OpenHistoryForRead(const SettingsStore& store);
// Writing creates the file and the history's tables when they are missing.
storage::Database OpenHistoryForWrite(const SettingsStore& store);

} // namespace history
} // namespace vesko
