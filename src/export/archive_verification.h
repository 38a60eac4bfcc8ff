#pragma once

#include "core/run_report.h"

#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;
struct CopiedFile;

// Checks an archive the archiver said it wrote: every volume is there, the archiver's own
// test of it passes (following the volumes), and its listing holds every copied file with
// the size of its copy. Fills report.volumes and report.archived. A sound archive's headers
// and manifest are kept beside the history for the restore (a failure to keep them is only
// said on standard error). Answers what failed, for the failure box; empty when the archive
// is sound.
std::string VerifyArchive(const std::string& program, const std::string& archive,
    const std::vector<CopiedFile>& copied, UiServices& ui, RunReport& report, SettingsStore& store);

} // namespace vesko
