// The history window's Restore…: the files of the selected run, or those selected among
// the search's, brought back as their run found them, to their places or into a folder.
#include "core/ui_services.h"
#include "gui/history_window.h"
#include "platform/error.h"
#include "platform/home_folder.h"
#include "restore/archive_catalogue.h"
#include "restore/restore_run.h"
#include "restore/restore_selection.h"
#include "settings/stored_settings.h"
#include "storage/run_records.h"

#include <map>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <unistd.h>

namespace vesko {

namespace {

std::string FolderText(const QLineEdit* edit)
{
    std::string folder = paths::ExpandHome(QFile::encodeName(edit->text()).toStdString());
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder;
}

// The chosen files by their runs: the search's selected rows, else the selected run's.
std::map<std::int64_t, std::vector<std::string>> ChosenFiles(
    QTableWidget* found, std::int64_t selectedRun, SettingsStore& store)
{
    std::map<std::int64_t, std::vector<std::string>> byRun;
    for (const QModelIndex& index : found->selectionModel()->selectedRows())
        byRun[found->item(index.row(), 0)->data(Qt::UserRole).toLongLong()].push_back(
            found->item(index.row(), 5)->data(Qt::UserRole).toByteArray().toStdString());
    if (byRun.empty() && selectedRun != 0)
        for (const ArchivedFile& file : history::ArchivedFiles(store, selectedRun))
            byRun[selectedRun].push_back(file.path);
    return byRun;
}

} // namespace

QWidget* HistoryWindow::MakeRestoreRow()
{
    auto* row = new QWidget(this);
    originalPlaceButton = new QRadioButton(QStringLiteral("To their &original location"), row);
    originalPlaceButton->setObjectName(QStringLiteral("originalPlaceButton"));
    originalPlaceButton->setChecked(true);
    chosenFolderButton = new QRadioButton(QStringLiteral("Into this &folder:"), row);
    chosenFolderButton->setObjectName(QStringLiteral("chosenFolderButton"));
    restoreFolderEdit = new QLineEdit(row);
    restoreFolderEdit->setObjectName(QStringLiteral("restoreFolderEdit"));
    restoreButton = new QPushButton(QStringLiteral("&Restore\u2026"), row);
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setToolTip(QStringLiteral(
        "Restores the files of the selected run, or the files selected among those found"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(originalPlaceButton);
    layout->addWidget(chosenFolderButton);
    layout->addWidget(restoreFolderEdit, 1);
    layout->addWidget(restoreButton);
    return row;
}

void HistoryWindow::RestoreClicked()
{
    try {
        const Settings settings = LoadSettings(store_);
        RestoreRequest request;
        request.archiverFolder = paths::ExpandHome(settings.archiverFolder);
        if (chosenFolderButton->isChecked())
            request.to = FolderText(restoreFolderEdit);
        for (const auto& [run, below] : ChosenFiles(found, SelectedRun(), store_)) {
            const std::optional<history::RecordedRun> recorded = history::ReadRun(store_, run);
            if (!recorded || recorded->report.kind != RunKind::Export
                || recorded->report.archive.empty()) {
                ui_.MsgBox("Run " + std::to_string(run) + " wrote no archive to restore from.",
                    "Restore", Icon::Information);
                continue;
            }
            const std::string program = request.archiverFolder + "arj";
            const std::vector<CataloguedArchive> read
                = ReadCatalogue({ recorded->report.archive }, program, ui_);
            if (read.empty())
                throw Error(
                    "The archive " + recorded->report.archive + " does not describe its run.");
            request.paths = OriginalPaths(read.front(), below);
            request.stateOfArchive = recorded->report.archive;
            RunRestore(request, ui_, store_);
        }
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Restore Error", e.what());
    }
    Reload();
}

} // namespace vesko
