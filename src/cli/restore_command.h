#pragma once

#include <ostream>

namespace vesko {

class SettingsStore;
struct Settings;

namespace cli {

class CliUi;
struct CliOptions;

// vesko-backup restore: fills the request from the options and the stored settings, runs
// it, and names on err each newer file kept and each file no archive holds. Returns the
// exit status: 0 restored, 1 nothing changed, 2 a path that is neither absolute nor '~'.
int RunRestoreCommand(const CliOptions& options, const Settings& settings, CliUi& ui,
    SettingsStore& store, std::ostream& err);

} // namespace cli
} // namespace vesko
