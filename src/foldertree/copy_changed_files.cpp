// The files of one source tree changed after the cut-off, copied into their
// mirror folders: its walk's plan, then the copy of it.
#include "foldertree/copy_changed_files.h"

#include "foldertree/copy_plan.h"

namespace vesko {

CopyEnd CopyChangedFiles(UiServices& ui, const std::string& tempFolder, const std::string& source,
    TimePoint cutOff, CopyLog& log, const std::string& archiveFolder)
{
    CopyPlan plan;
    const CopyEnd walked = PlanCopy(ui, tempFolder, source, cutOff, log, plan, archiveFolder);
    return walked == CopyEnd::Done ? CopyPlannedFiles(ui, plan, log) : walked;
}

} // namespace vesko
