#include "export/export_messages.h"
#include "export/export_run.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_empties.h"
#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

namespace vesko {

namespace msg = export_messages;
using Field = MainForm::Field;

bool CopyBackupFiles(Host& host, const std::string& strSource, CopyLog& log)
{
    UiServices& ui = host.ui;
    const FileSystem fs;
    // A source that is not there is told now, and left out with the files of the run's
    // other sources still archived; the run cannot end as a success.
    const auto refuse = [&](const char* title, const char* text) {
        ui.Beep();
        ui.MsgBox(text, title, Icon::Exclamation);
        log.leftOut.push_back({ strSource, text });
        return true;
    };
    if (!fs.DriveExists(paths::DriveOf(strSource)))
        return refuse(msg::kInvalidDriveTitle, msg::kSourceDriveText);
    if (!fs.FolderExists(strSource))
        return refuse(msg::kInvalidSourceTitle, msg::kInvalidSourceText);

    AddFiles(host, strSource, log);
    if (host.form.Text(Field::ExportStatus).empty())
        return false;
    RemoveEmpties(host, paths::ExpandHome(host.form.Text(Field::txtDestinDir)));
    return true;
}

} // namespace vesko
