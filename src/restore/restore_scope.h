#pragma once

#include "restore/archive_catalogue.h"
#include "restore/restore_run.h"
#include "restore/restore_selection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;

// The settings' archiver; on a computer without settings, the one on PATH. Throws Error.
std::string ArchiverProgram(const std::string& folder);

// The end of the day the text names, in seconds since the epoch: the next day's local
// midnight. None without a day.
std::optional<std::int64_t> AsOfEnd(const std::optional<std::string>& day);

// What a restore of the request reads and brings back: the history's archives first (up to
// request.stateOfArchive when set); the archive folder's own when the history knows none for
// what was asked (a new computer, an emptied settings folder); only request.from's with it.
// Asked for are its paths, else its sources, else the state's own sources. Throws Error when
// an archive cannot be read, or stateOfArchive is not among the history's.
Selection SelectForRequest(const RestoreRequest& request, const std::string& program,
    std::optional<std::int64_t> asOfEnd, UiServices& ui, SettingsStore& store,
    std::vector<CataloguedArchive>& catalogue);

} // namespace vesko
