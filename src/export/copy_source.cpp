#include "core/ui_services.h"
#include "export/export_messages.h"
#include "export/export_run.h"
#include "foldertree/copy_plan.h"
#include "foldertree/prune_empty_folders.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"

namespace vesko {

namespace msg = export_messages;

CopyEnd PlanSource(UiServices& ui, const ExportRequest& request, const std::string& source,
    CopyLog& log, CopyPlan& plan)
{
    const FileSystem fs;
    // A source that is not there is told now, and left out with the files of the run's
    // other sources still archived; the run cannot end as a success.
    const auto refuse = [&](const char* title, const char* text) {
        ui.Beep();
        ui.MsgBox(text, title, Icon::Exclamation);
        log.leftOut.push_back({ source, text });
        return CopyEnd::Done;
    };
    if (!fs.DriveExists(paths::DriveOf(source)))
        return refuse(msg::kInvalidDriveTitle, msg::kSourceDriveText);
    if (!fs.FolderExists(source))
        return refuse(msg::kInvalidSourceTitle, msg::kInvalidSourceText);

    const std::size_t skippedBefore = log.skippedFolders.size();
    const CopyEnd end = PlanCopy(
        ui, request.tempFolder, source, request.cutOff, log, plan, request.archiveFolder);
    // Said once, as the walk steps around it: a person who backs up the home folder learns
    // why the archives are not in the next archive.
    for (std::size_t i = skippedBefore; i < log.skippedFolders.size(); ++i)
        ui.ProgressStep(msg::SkippedFolderStep(log.skippedFolders[i]));
    return end;
}

CopyEnd CopySource(
    UiServices& ui, const ExportRequest& request, const std::string& source, CopyLog& log)
{
    CopyPlan plan;
    CopyEnd end = PlanSource(ui, request, source, log, plan);
    if (end == CopyEnd::Done)
        end = CopyPlannedFiles(ui, plan, log);
    if (end == CopyEnd::Done)
        PruneEmptyFolders(ui, request.tempFolder);
    return end;
}

} // namespace vesko
