#pragma once

#include <string>

namespace vesko {

class SettingsStore;

// The settings of the archives' care, stored beside the others. 0 means "not set": no full
// export forced, every chain kept.
inline constexpr const char* kFullEveryKey = "FullEvery"; // days
inline constexpr const char* kKeepChainsKey = "KeepChains"; // chains
// "1" when the nightly export checks the oldest unchecked archive after its own work; it is
// part of the schedule's command, so it changes with the nightly switch, not with Apply.
inline constexpr const char* kCheckAfterNightlyKey = "CheckAfterNightly";

struct CareSettings {
    int fullEveryDays = 0;
    int keepChains = 0;

    bool operator==(const CareSettings&) const = default;
};

// A stored value that is not a whole number from 0 to 36500 reads as 0. Throws Error when the
// store cannot be read.
CareSettings LoadCareSettings(SettingsStore& store);
// Writes only the values that differ from what the store reads as. Throws Error.
void SaveCareSettings(SettingsStore& store, const CareSettings& care);

bool LoadCheckAfterNightly(SettingsStore& store);
void SaveCheckAfterNightly(SettingsStore& store, bool on);

// The number a count option or field holds: 1 to 36500 digits only; false otherwise.
bool ParseCareCount(const std::string& text, int& count);

} // namespace vesko
