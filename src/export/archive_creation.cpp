#include "export/export_messages.h"
#include "export/export_run.h"
#include "platform/home_folder.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/process.h"
#include "platform/ui_services.h"
#include "settings/registry_settings.h"

#include <exception>
#include <string>
#include <vector>

namespace vesko {

namespace msg = export_messages;
using Field = MainForm::Field;

namespace {

// The archiver is given its arguments one by one, without a shell: spaces, quotes, "$(...)"
// and ";" in a folder reach it as they are and run nothing.
std::vector<std::string> ArchiverArguments(
    const MainForm& form, const std::string& archiveName, const std::string& strDestination)
{
    std::vector<std::string> argv { paths::ExpandHome(form.Text(Field::txtArjFolder)) + "arj", "a",
        "-r" };
    if (form.SpanValue() == 1)
        argv.push_back("-v1440");
    argv.push_back("-y");
    argv.push_back(archiveName);
    // "*", not "*.*": on Linux the archiver's "*.*" matches only names holding a dot, and
    // would leave a README or a Makefile silently out of the archive.
    argv.push_back(strDestination + "*");
    return argv;
}

} // namespace

void ArchiveCopiedFiles(Host& host, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination)
{
    UiServices& ui = host.ui;
    try {
        host.form.SetText(Field::ExportStatus, "");
        // The archiver adds ".arj" only to a name without a dot: it is given the very name
        // that the preparation found free, so that an Export Name such as week.12 can
        // neither miss that check nor have an earlier archive silently updated.
        const std::string archiveName = strArchiveDir + strArchiveFile + ".arj";
        const std::vector<std::string> argv
            = ArchiverArguments(host.form, archiveName, strDestination);
        ui.ProgressStep("Archiving: " + JoinCommandLine(argv));

        // Waits for the archiver: only its exit status tells whether the archive was
        // written, and the cleanup must not take the tree away while it still reads it.
        const ProcessOutcome outcome = RunProcess(argv, ui);
        if (!outcome.Succeeded()) {
            ui.Beep();
            ui.MsgBox(std::string(msg::kArchiveFailedText) + CR + CR + outcome.Describe(),
                msg::kArchiveFailedTitle, Icon::Exclamation);
            return;
        }

        CreateDatFile(host, "Export", outcome.startedAt);
        // Last, so that "OK" means both: the archive is written and its date recorded.
        host.form.SetText(Field::ExportStatus, "OK");
    } catch (const std::exception& e) {
        ShowTrap(ui, msg::kArchiveTrapTitle, e.what());
    }
}

} // namespace vesko
