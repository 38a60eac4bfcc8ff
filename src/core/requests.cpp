#include "core/requests.h"

#include "platform/home_folder.h"
#include "platform/path_rules.h"

namespace vesko {

ExportRequest MakeExportRequest(Settings settings, const std::string& cutOffDay)
{
    AddTrailingSlashes(settings);
    ExportRequest request;
    request.tempFolder = paths::ExpandHome(settings.tempFolder);
    request.archiveFolder = paths::ExpandHome(settings.archiveFolder);
    request.archiveName = settings.exportName;
    request.archiverFolder = paths::ExpandHome(settings.archiverFolder);
    request.spanVolumes = settings.spanVolumes;
    request.cutOff = CutOffFromDateField(cutOffDay);
    request.cutOffDay = cutOffDay;
    request.full = cutOffDay == kEverythingDay;
    for (const std::string& source : settings.sources)
        if (!source.empty())
            request.sources.push_back(paths::ExpandHome(source));
    return request;
}

ImportRequest MakeImportRequest(
    Settings settings, const std::string& importFolder, const std::string& archiveName)
{
    AddTrailingSlashes(settings);
    ImportRequest request;
    request.archiverFolder = paths::ExpandHome(settings.archiverFolder);
    request.importFolder = paths::ExpandHome(importFolder);
    if (!paths::EndsWithSeparator(request.importFolder))
        request.importFolder += paths::kSeparator;
    request.archiveName = archiveName;
    return request;
}

} // namespace vesko
