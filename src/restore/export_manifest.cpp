#include "restore/export_manifest.h"

#include "core/requests.h"
#include "foldertree/copy_changed_files.h"
#include "foldertree/temp_tree.h"
#include "platform/path_rules.h"
#include "restore/run_manifest.h"

#include <chrono>

namespace vesko {

void WriteExportManifest(const ExportRequest& request, const CopyLog& log, TimePoint copyBegan)
{
    RunManifest manifest;
    manifest.started
        = std::chrono::duration_cast<std::chrono::seconds>(copyBegan.time_since_epoch()).count();
    manifest.full = request.full;
    manifest.cutOffDay = request.cutOffDay;
    for (const std::string& source : request.sources) {
        // As the walk names the mirror: without a trailing or repeated '/'.
        const std::string original = foldertree::NormalisedPath(source);
        manifest.sources.push_back({ original, paths::RelativePath(original) });
    }
    manifest.files.reserve(log.walked.size());
    for (const WalkedFile& file : log.walked)
        manifest.files.push_back({ file.original, file.size, file.modified });
    WriteManifestFile(request.tempFolder, manifest);
}

} // namespace vesko
