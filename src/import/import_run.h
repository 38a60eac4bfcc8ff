#pragma once

#include "core/requests.h"
#include "core/run_report.h"

namespace vesko {

class SettingsStore;
class UiServices;

// One import. The archive's headers are read and refused when an entry could land outside
// the import folder; it is extracted into a staging folder there and moved into place only
// when the archiver ended with 0 and every listed file came out whole; files in the folder
// newer than the archive's copies are kept unless the person says otherwise. Success when
// all is in place and the date was recorded; on any other ending the folder is as it was.
// Every run is recorded in the history; the report says how it went (the newer files kept
// among its left-out files).
RunReport RunImport(const ImportRequest& request, UiServices& ui, SettingsStore& store);

} // namespace vesko
