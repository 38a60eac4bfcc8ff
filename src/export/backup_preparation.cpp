#include "export/backup_preparation.h"

#include "export/export_messages.h"
#include "export/export_run.h"
#include "foldertree/add_files.h"
#include "foldertree/remove_empties.h"
#include "platform/filesystem.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

#include <exception>

namespace vesko {

namespace msg = export_messages;
using Field = MainForm::Field;

namespace {

// The temporary tree holds copies of the person's files: nobody else may read them or plant
// links in it while the archiver reads it.
constexpr mode_t kPrivateFolder = 0700;

void Refuse(UiServices& ui, const std::string& title, const std::string& text)
{
    ui.Beep();
    ui.MsgBox(text, title, Icon::Exclamation);
}

} // namespace

namespace export_steps {

bool PrepareSource(Host& host, const std::string& strSource, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination)
{
    UiServices& ui = host.ui;
    bool madeDestination = false;
    try {
        const FileSystem fs;
        // Empty from here on until AddFiles finishes.
        host.form.SetText(Field::ExportStatus, "");

        if (!fs.DriveExists(paths::DriveOf(strSource))) {
            Refuse(ui, msg::kInvalidDriveTitle, msg::kSourceDriveText);
            return false;
        }
        if (!fs.DriveExists(paths::DriveOf(strDestination))) {
            Refuse(ui, msg::kInvalidDriveTitle, msg::kDestinationDriveText);
            return false;
        }
        if (!fs.DriveExists(paths::DriveOf(strArchiveDir))) {
            Refuse(ui, msg::kInvalidDriveTitle, msg::kArchiveDriveText);
            return false;
        }
        if (!fs.FolderExists(strSource)) {
            Refuse(ui, msg::kInvalidSourceTitle, msg::kInvalidSourceText);
            return false;
        }
        if (const std::string archive = strArchiveDir + strArchiveFile + ".arj";
            fs.FileExists(archive)) {
            Refuse(ui, msg::kArchiveExistsTitle, msg::ArchiveExistsText(archive));
            return false;
        }
        if (!fs.FolderExists(strDestination)) {
            fs.MakeDir(strDestination, kPrivateFolder);
            madeDestination = true;
        }

        // The walk makes the mirror folders as files land in them. Each reports its own
        // failures; the pruning runs whatever the copy met, and takes away a mirror that a
        // failed copy left empty.
        AddFiles(host, strSource);
        RemoveEmpties(host, strDestination);

        if (!fs.FolderExists(strArchiveDir))
            fs.MakeDir(strArchiveDir);
    } catch (const std::exception& e) {
        ShowTrap(ui, msg::kCopyTrapTitle, e.what());
        // AddFiles may have written "OK" before the archive folder failed; an archiver that
        // cannot write its archive must not be started.
        host.form.SetText(Field::ExportStatus, "");
    }
    return madeDestination;
}

} // namespace export_steps

void CopyBackupFiles(Host& host, const std::string& strSource, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination)
{
    export_steps::PrepareSource(host, strSource, strArchiveDir, strArchiveFile, strDestination);
}

} // namespace vesko
