#pragma once

#include "platform/dates.h"

namespace vesko {

struct CopyLog;
struct ExportRequest;

// Writes the run's manifest into the export's temporary folder, for the archiver to add
// with the copies: the sources with their mirrors, and every file the walk looked at.
// Throws Error when it cannot be written.
void WriteExportManifest(const ExportRequest& request, const CopyLog& log, TimePoint copyBegan);

} // namespace vesko
