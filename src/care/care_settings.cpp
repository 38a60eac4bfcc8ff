#include "care/care_settings.h"

#include "settings/stored_settings.h"

namespace vesko {

namespace {

// A hundred years of days: any number above is a typing slip.
constexpr int kLargestCount = 36500;

int StoredCount(SettingsStore& store, const char* key)
{
    int count = 0;
    return ParseCareCount(StoredSetting(store, key), count) ? count : 0;
}

} // namespace

bool ParseCareCount(const std::string& text, int& count)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    const int value = std::stoi(text);
    if (value < 1 || value > kLargestCount)
        return false;
    count = value;
    return true;
}

CareSettings LoadCareSettings(SettingsStore& store)
{
    CareSettings care;
    care.fullEveryDays = StoredCount(store, kFullEveryKey);
    care.keepChains = StoredCount(store, kKeepChainsKey);
    return care;
}

void SaveCareSettings(SettingsStore& store, const CareSettings& care)
{
    // A value that reads as it is keeps its stored bytes; an Apply that changed nothing here
    // writes nothing.
    const CareSettings stored = LoadCareSettings(store);
    if (care.fullEveryDays != stored.fullEveryDays)
        SaveSetting(store, kFullEveryKey, std::to_string(care.fullEveryDays));
    if (care.keepChains != stored.keepChains)
        SaveSetting(store, kKeepChainsKey, std::to_string(care.keepChains));
}

bool LoadCheckAfterNightly(SettingsStore& store)
{
    return StoredSetting(store, kCheckAfterNightlyKey) == "1";
}

void SaveCheckAfterNightly(SettingsStore& store, bool on)
{
    SaveSetting(store, kCheckAfterNightlyKey, on ? "1" : "0");
}

} // namespace vesko
