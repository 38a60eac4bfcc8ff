#pragma once

#include "storage/database.h"

#include <optional>

namespace vesko {

class SettingsStore;

namespace history {

// The archives' later life beside the run history: which were removed by the retention and
// when, and every check of an archive with its verdict. Opening for write creates the history
// tables too, so that a removal or a check can be recorded before any run ends.
storage::Database OpenCareForWrite(SettingsStore& store);
// nullopt when the store holds no history yet; the care tables may still be missing.
std::optional<storage::Database> OpenCareForRead(const SettingsStore& store);

} // namespace history
} // namespace vesko
