// The history window's Restore…: the files of the selected run, or those selected among
// the search's, brought back as their run found them, to their places or into a folder;
// and its Browse Backups…, for anything the backups hold as of a day.
#include "core/ui_services.h"
#include "gui/backup_browser.h"
#include "gui/history_window.h"
#include "gui/restore_place.h"
#include "platform/error.h"
#include "platform/home_folder.h"
#include "restore/archive_catalogue.h"
#include "restore/restore_run.h"
#include "restore/restore_selection.h"
#include "settings/stored_settings.h"
#include "storage/run_records.h"

#include <map>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <unistd.h>

namespace vesko {

namespace {

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
    row->setObjectName(QStringLiteral("restoreRow"));
    restorePlace_ = new RestorePlace(row);
    originalPlaceButton = restorePlace_->originalPlaceButton;
    chosenFolderButton = restorePlace_->chosenFolderButton;
    restoreFolderEdit = restorePlace_->restoreFolderEdit;
    restoreButton = new QPushButton(QStringLiteral("&Restore\u2026"), row);
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setToolTip(QStringLiteral(
        "Restores the files of the selected run, or the files selected among those found"));
    browseButton = new QPushButton(QStringLiteral("&Browse Backups\u2026"), row);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    browseButton->setToolTip(
        QStringLiteral("Shows every file the backups hold as of a day, to restore any of them"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(restorePlace_, 1);
    layout->addWidget(restoreButton);
    layout->addWidget(browseButton);
    return row;
}

void HistoryWindow::BrowseClicked()
{
    if (!browser_) {
        browser_ = new BackupBrowser(store_, ui_, this);
        // A restore is a run of the history's own.
        browser_->restored = [this] { Reload(); };
    }
    browser_->show();
    browser_->raise();
    browser_->activateWindow();
}

void HistoryWindow::RestoreClicked()
{
    try {
        const Settings settings = LoadSettings(store_);
        RestoreRequest request;
        request.archiverFolder = paths::ExpandHome(settings.archiverFolder);
        request.to = restorePlace_->Folder();
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
