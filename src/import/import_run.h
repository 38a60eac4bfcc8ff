#pragma once

#include "core/requests.h"
#include "core/run_report.h"

namespace vesko {

class SettingsStore;
class UiServices;

// One import. First, a placement that an earlier import of this settings store was killed in
// is finished or rolled back (with a box saying which, recorded in the history as a run of
// its own, or as this run when no archive name is given). The archive's headers are read and
// refused when an entry could land outside the import folder; it is extracted into a staging folder
// there and moved into place only when the archiver ended with 0 and every listed file came out
// whole; files in the folder newer than the archive's copies are kept unless the person says
// otherwise. Success when all is in place and the date was recorded; on any other ending the folder
// is as it was. Every run is recorded in the history; the report says how it went (the newer files
// kept among its left-out files).
RunReport RunImport(const ImportRequest& request, UiServices& ui, SettingsStore& store);

} // namespace vesko
