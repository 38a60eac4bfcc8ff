#include "cli/export_ending.h"

#include "history/export_warning.h"
#include "platform/desktop_notification.h"

namespace vesko::cli {

void TellExportEnding(const RunReport& report, std::ostream& err)
{
    switch (report.outcome) {
    case RunOutcome::Success:
        err << "Archived " << report.files << (report.files == 1 ? " file, " : " files, ")
            << report.bytes << (report.bytes == 1 ? " byte" : " bytes") << ", in " << report.archive
            << "\n";
        return;
    case RunOutcome::Incomplete:
        SendDesktopNotice(
            "Backup incomplete", history::UnsuccessfulExportText(report), NoticeUrgency::Normal);
        return;
    case RunOutcome::Failed:
    case RunOutcome::Refused:
        SendDesktopNotice(
            "Backup failed", history::UnsuccessfulExportText(report), NoticeUrgency::Critical);
        return;
    case RunOutcome::Cancelled:
    case RunOutcome::Unfinished:
        return;
    }
}

} // namespace vesko::cli
