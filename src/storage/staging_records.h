#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;

// The staging folders that imports of this settings store made and have not removed yet,
// kept in the table import_staging beside the history. A folder is this program's to
// delete only while a record names its path, its identity on disk and the token written
// inside it: a folder of the same name that no record knows is the person's.
struct StagingRecord {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string token;
};

namespace history {

// Written when the folder is made, before anything goes into it.
void RecordStagingFolder(SettingsStore& store, const StagingRecord& record);
// Once the folder is gone, or handed over to the person.
void ForgetStagingFolder(SettingsStore& store, const std::string& path);
// Every record, oldest first; none when the store has no such table yet.
std::vector<StagingRecord> StagingFolders(const SettingsStore& store);

} // namespace history
} // namespace vesko
