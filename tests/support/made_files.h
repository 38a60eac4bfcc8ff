#pragma once

#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace vesko::test {

// Bytes no archiver can compress, the same for the same seed.
inline std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random() & 0xff);
    return bytes;
}

// An executable shell script at path, with the given body.
inline void WriteScript(const std::string& path, const std::string& body)
{
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Settings written with the store's own code into the store at path; without one, into the
// store the program reads (below XDG_CONFIG_HOME).
inline void StoreSettings(
    const std::map<std::string, std::string>& settings, const std::string& path = "")
{
    SettingsStore store(path.empty() ? SettingsStore::DefaultPath() : path);
    for (const auto& [key, value] : settings)
        SaveSetting(store, key, value);
}

} // namespace vesko::test
