#pragma once

#include "restore/archive_catalogue.h"
#include "restore/restore_run.h"

#include <cstdint>
#include <optional>
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

// What the backups hold below the selection's asked-for paths in the state at asOfEnd (none:
// the newest): the files a restore brings back, each with its copy's size and time; files of
// the state that no archive holds a copy of are not among them.
Holdings HeldFiles(const std::vector<CataloguedArchive>& catalogue,
    std::optional<std::int64_t> asOfEnd, const std::vector<std::string>& wanted);

// What RunRestore of the request would bring back, read from the archives as it reads them:
// the history's, else the archive folder's (or only request.from's). Its paths, else its
// sources, else the state's own sources are asked for; to and stateOfArchive are not looked
// at. Throws Error when the archiver or an archive cannot be read.
Holdings HeldAsOf(const RestoreRequest& request, UiServices& ui, SettingsStore& store);

} // namespace vesko
