#pragma once

#include "restore/restore_run.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;

// A file the backups hold, as a restore would bring it back.
struct HeldFile {
    std::string path; // its full original path
    std::string below; // the asked-for path (a source folder, most often) it lies at or below
    std::uint64_t size = 0; // of its copy
    std::int64_t modified = 0; // its copy's modification time, seconds since the epoch
    std::string archive; // the first volume of the archive holding that copy
};

struct Holdings {
    std::vector<HeldFile> files; // by asked-for path, then by path
    std::vector<std::string> inNoBackup; // asked-for paths no file of the state lies at or below
};

// What RunRestore of the request would bring back, read and chosen as it reads and chooses
// (SelectForRequest), each file with its copy's size and time; request.to is not looked at.
// Throws Error when the archiver or an archive cannot be read.
Holdings HeldAsOf(const RestoreRequest& request, UiServices& ui, SettingsStore& store);

} // namespace vesko
