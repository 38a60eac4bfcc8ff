#include "gui/main_window.h"

#include "care/full_rhythm.h"
#include "cli/name_pattern.h"
#include "export/archiver_check.h"
#include "export/export_run.h"
#include "gui/date_field.h"
#include "gui/export_tab.h"
#include "gui/folder_picker_controller.h"
#include "gui/form_layout.h"
#include "gui/history_window.h"
#include "gui/import_tab.h"
#include "gui/nightly_controls.h"
#include "gui/path_field.h"
#include "gui/path_text.h"
#include "gui/settings_tab.h"
#include "history/export_warning.h"
#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "platform/home_folder.h"
#include "platform/path_rules.h"
#include "settings/default_settings.h"
#include "settings/stored_settings.h"

#include <chrono>
#include <exception>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>

// The icon lives in the library's resources, which a static library must register itself.
static void InitResources()
{
    Q_INIT_RESOURCE(vesko_backup);
}

namespace vesko {

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent)
    , ui_(this)
{
    InitResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/vesko-backup.svg")));
    setFont(FormFont());
    setMinimumSize(kFirstSize);
    resize(kFirstSize);

    tabs_ = Place(new QTabWidget(this), "tabs", Twips(120, 120, 5775, 4215));
    exportTab_ = new ExportTab;
    importTab_ = new ImportTab;
    settingsTab_ = new SettingsTab;
    tabs_->addTab(exportTab_, QStringLiteral("&Export"));
    tabs_->addTab(importTab_, QStringLiteral("&Import"));
    tabs_->addTab(settingsTab_, QStringLiteral("&Settings"));
    tabs_->setCurrentWidget(settingsTab_);
    // Below the date field, in the free row above the buttons.
    cutOffSinceLabel_
        = Place(new QLabel(exportTab_), "cutOffSinceLabel", Twips(2595, 1710, 3090, 255));
    connect(exportTab_->cutOffEdit, &QDateEdit::dateChanged, this, [this] { ShowCutOffMeaning(); });

    SetTabOrder();
    ConnectButtons();
    picker_ = std::make_unique<FolderPickerController>(ui_, this,
        [this](PickerTarget target, const std::string& folder) { Deliver(target, folder); });
    nightly_ = std::make_unique<NightlyControls>(
        *settingsTab_, ui_, store_, [this] { return settingsTab_->exportNameEdit->Path(); });
    SetUpStretch();
    LoadWindow();
    RestoreWindowSize();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetTabOrder()
{
    // The keyboard focus order of the window, the tab control first.
    SettingsTab* s = settingsTab_;
    QWidget* order[] = {
        tabs_,
        exportTab_->cutOffEdit,
        exportTab_->exportButton,
        exportTab_->historyButton,
        importTab_->importNameEdit,
        importTab_->importFolderEdit,
        importTab_->importButton,
        s->archiveFolderEdit,
        s->browseButtons[0],
        s->archiverFolderEdit,
        s->browseButtons[1],
        s->tempFolderEdit,
        s->browseButtons[2],
        s->exportNameEdit,
        s->browseButtons[3],
        s->storedImportNameEdit,
        s->browseButtons[4],
        s->spanCheck,
        s->sourceFolderEdit,
        s->browseButtons[5],
        s->sourceList,
        s->addSourceButton,
        s->deleteSourceButton,
        s->fullEveryEdit,
        s->keepChainsEdit,
        s->applyButton,
        s->resetButton,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::ConnectButtons()
{
    SettingsTab* s = settingsTab_;
    connect(exportTab_->exportButton, &QPushButton::clicked, this, [this] { ExportClicked(); });
    connect(exportTab_->historyButton, &QPushButton::clicked, this, [this] { HistoryClicked(); });
    connect(exportTab_->warningLine, &QLabel::linkActivated, this, [this] { HistoryClicked(); });
    connect(importTab_->importButton, &QPushButton::clicked, this, [this] { ImportClicked(); });
    connect(s->applyButton, &QPushButton::clicked, this, [this] { ApplyClicked(); });
    connect(s->resetButton, &QPushButton::clicked, this, [this] { ResetClicked(); });
    connect(s->addSourceButton, &QPushButton::clicked, this, [this] { AddSourceClicked(); });
    connect(s->deleteSourceButton, &QPushButton::clicked, this, [this] { DeleteSourceClicked(); });
    for (std::size_t i = 0; i < s->browseButtons.size(); ++i)
        connect(s->browseButtons[i], &QPushButton::clicked, this,
            [this, i] { BrowseClicked(static_cast<int>(i)); });
}

template <typename Handler> void MainWindow::Run(Handler&& handler)
{
    // One handler at a time; the progress window keeps events flowing while a run works.
    if (running_)
        return;
    running_ = true;
    try {
        handler();
    } catch (const std::exception& e) {
        // The handlers trap their own failures; this only keeps a stray one from ending
        // the program.
        ShowTrap(ui_, kAppTitle, e.what());
    }
    running_ = false;
    // An export or import just recorded belongs in the open history at once.
    if (history_ && history_->isVisible())
        history_->Reload();
}

void MainWindow::LoadWindow()
{
    Run([this] {
        LoadSettingsIntoWindow();
        nightly_->ShowStatus();
        try {
            ShowCutOffSinceLastExport();
        } catch (const std::exception& e) {
            exportTab_->cutOffEdit->setDate(QDate::currentDate());
            ShowTrap(ui_, "Refresh Labels Error", e.what());
        }
    });
}

void MainWindow::UnloadWindow()
{
    if (picker_)
        picker_->Close();
    if (history_)
        history_->close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Not in the middle of a run: its progress window is modal and owns the person's input.
    if (running_ || ui_.Progress() || !ConfirmCloseWithEdits()) {
        event->ignore();
        return;
    }
    RememberWindowSize();
    UnloadWindow();
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Shown again (restored, say) after a night: what the nightly export did is news now.
    ShowExportWarning();
    // Once, over the window: a first start without the archiver says so before the person
    // fills in anything.
    if (!warnedAboutArchiver_) {
        warnedAboutArchiver_ = true;
        WarnWithoutArchiver();
    }
}

void MainWindow::WarnWithoutArchiver()
{
    const std::string folder = paths::ExpandHome(settingsTab_->archiverFolderEdit->Path());
    if (ArchiverRunnable(folder))
        return;
    const bool unset = folder.empty() || folder == "/";
    ui_.Beep();
    ui_.MsgBox(unset && ArchiverFolderOnPath().empty()
            ? std::string("The archiver arj was not found on PATH.") + CR + CR
                + "Install the Debian package arj (sudo apt install arj), then set the ARJ "
                + "Folder in the settings section to the folder that holds it."
            : ArchiverNotFoundText(folder + "arj"),
        kArchiverNotFoundTitle, Icon::Exclamation);
}

bool MainWindow::HasUnappliedChanges() const
{
    Settings shown = SettingsInWindow();
    AddTrailingSlashes(shown);
    try {
        return shown != loadedSettings_ || CareInWindow() != loadedCare_;
    } catch (const Error&) {
        return true; // a care field holds what was never stored
    }
}

bool MainWindow::ConfirmCloseWithEdits()
{
    if (!HasUnappliedChanges())
        return true;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle),
        QStringLiteral("The settings have changes that were not applied."), QMessageBox::NoButton,
        this);
    box.setInformativeText(QStringLiteral("Apply them before closing?"));
    box.setStandardButtons(QMessageBox::Apply | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Apply);
    box.setEscapeButton(QMessageBox::Cancel);
    ui_.Beep();
    const int answer = box.exec();
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Apply)
        return false;
    ApplyClicked();
    // A failed Apply has shown its box; the edits stay, and so does the window.
    return !HasUnappliedChanges();
}

Settings MainWindow::SettingsInWindow() const
{
    const SettingsTab* s = settingsTab_;
    Settings settings;
    settings.archiveFolder = s->archiveFolderEdit->Path();
    settings.archiverFolder = s->archiverFolderEdit->Path();
    settings.tempFolder = s->tempFolderEdit->Path();
    settings.exportName = s->exportNameEdit->Path();
    settings.importName = s->storedImportNameEdit->Path();
    settings.spanVolumes = s->spanCheck->isChecked();
    for (int i = 0; i < s->sourceList->count(); ++i)
        settings.sources.push_back(
            s->sourceList->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return settings;
}

void MainWindow::ShowSettings(const Settings& settings)
{
    SettingsTab* s = settingsTab_;
    s->archiveFolderEdit->SetPath(settings.archiveFolder);
    s->archiverFolderEdit->SetPath(settings.archiverFolder);
    s->tempFolderEdit->SetPath(settings.tempFolder);
    s->exportNameEdit->SetPath(settings.exportName);
    s->storedImportNameEdit->SetPath(settings.importName);
    s->spanCheck->setChecked(settings.spanVolumes);
    s->sourceList->clear();
    for (const std::string& source : settings.sources)
        AppendSource(source);
}

void MainWindow::AppendSource(const std::string& folder)
{
    // The list shows the folder readably and keeps its bytes; the tooltip shows what the
    // narrow list cuts short.
    auto* entry = new QListWidgetItem(ShownPath(folder));
    entry->setData(Qt::UserRole, QByteArray::fromStdString(folder));
    entry->setToolTip(entry->text());
    settingsTab_->sourceList->addItem(entry);
}

void MainWindow::ShowLastRunDates()
{
    const LastRunDates dates = LoadLastRunDates(store_);
    exportTab_->lastImportLabel->setText(
        QString::fromStdString("Date of last import:   " + LongDateForDisplay(dates.lastImport)));
    exportTab_->lastExportLabel->setText(
        QString::fromStdString("Date of last export:   " + LongDateForDisplay(dates.lastExport)));
    ShowExportWarning();
}

void MainWindow::ShowExportWarning()
{
    exportTab_->ShowWarning(
        QString::fromStdString(history::ExportWarning(store_, std::chrono::system_clock::now())));
}

void MainWindow::LoadSettingsIntoWindow()
{
    try {
        Settings settings = LoadSettingsOrDefaults(store_);
        ShowSettings(settings);
        AddTrailingSlashes(settings);
        loadedSettings_ = settings;
        loadedCare_ = LoadCareSettings(store_);
        ShowCare(loadedCare_);
        ShowLastRunDates();
        importTab_->importFolderEdit->SetPath(settings.archiveFolder);
        importTab_->importNameEdit->SetPath(settings.importName);
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Refresh Labels Error", e.what());
    }
}

Settings MainWindow::SettingsForRun()
{
    Settings settings = SettingsInWindow();
    AddTrailingSlashes(settings);
    SettingsTab* s = settingsTab_;
    s->archiveFolderEdit->SetPath(settings.archiveFolder);
    s->archiverFolderEdit->SetPath(settings.archiverFolder);
    s->tempFolderEdit->SetPath(settings.tempFolder);
    return settings;
}

bool MainWindow::RefuseNothingInWindow(const Settings& settings)
{
    // The fields as they stand, applied or not: a list without a source backs nothing up.
    if (!settings.sources.empty())
        return false;
    ui_.Beep();
    ui_.MsgBox(std::string("No folder to back up is in the source list.") + CR + CR
            + "Add the folders to back up on the Settings tab (press Apply to keep them).",
        "Nothing Set Up", Icon::Exclamation);
    return true;
}

void MainWindow::ExportClicked()
{
    Run([this] {
        const std::string day
            = exportTab_->cutOffEdit->date().toString(QStringLiteral("MM-dd-yyyy")).toStdString();
        Settings settings = SettingsForRun();
        if (RefuseNothingInWindow(settings))
            return;
        // The date fields of the Export Name name this run's archive.
        std::string name, error;
        if (!cli::ExpandNamePattern(
                settings.exportName, std::chrono::system_clock::now(), name, error)) {
            ui_.Beep();
            ui_.MsgBox("The Export Name " + settings.exportName
                    + " holds a '%' that is none of %Y %m %d %H %M and %%.",
                "Invalid Export Name", Icon::Exclamation);
            return;
        }
        settings.exportName = name;
        try {
            MakeDefaultTempParents(settings.tempFolder);
        } catch (const std::exception&) {
            // The export names the folder it cannot make its tree in.
        }
        const RunReport report
            = RunExport(MakeExportRequest(settings,
                            WindowCutOffDay(store_, day, std::chrono::system_clock::now())),
                ui_, store_);
        ShowLastRunDates();
        // The next export goes on from this one.
        if (report.outcome == RunOutcome::Success && report.files > 0)
            ShowCutOffSinceLastExport();
    });
}

void MainWindow::ImportClicked()
{
    Run([this] {
        const Settings settings = SettingsForRun();
        PathField* folderEdit = importTab_->importFolderEdit;
        if (!paths::EndsWithSeparator(folderEdit->Path()))
            folderEdit->SetPath(folderEdit->Path() + paths::kSeparator);
        RunImport(
            MakeImportRequest(settings, folderEdit->Path(), importTab_->importNameEdit->Path()),
            ui_, store_);
        ShowLastRunDates();
    });
}

void MainWindow::ApplyClicked()
{
    Run([this] {
        CareSettings care;
        try {
            care = CareInWindow();
        } catch (const Error& e) {
            // Nothing is stored while a field holds what no run could use.
            ui_.Beep();
            ui_.MsgBox(e.what(), "Invalid Setting", Icon::Exclamation);
            return;
        }
        try {
            ApplySettings(store_, SettingsInWindow());
            SaveCareSettings(store_, care);
        } catch (const std::exception& e) {
            ShowTrap(ui_, "Apply Changes Error", e.what());
            return;
        }
        LoadSettingsIntoWindow();
    });
}

void MainWindow::ResetClicked()
{
    Run([this] { LoadSettingsIntoWindow(); });
}

void MainWindow::AddSourceClicked()
{
    Run([this] {
        PathField* edit = settingsTab_->sourceFolderEdit;
        std::string text = edit->Path();
        // Only the empty text is refused; a blank is a folder name like any other.
        if (text.empty()) {
            ui_.Beep();
            ui_.MsgBox("Please enter a folder (with full path) and try again.", "Entry Required",
                Icon::Exclamation);
            return;
        }
        if (!paths::EndsWithSeparator(text))
            text += paths::kSeparator;
        AppendSource(text);
        edit->SetPath("");
    });
}

void MainWindow::DeleteSourceClicked()
{
    Run([this] {
        QListWidget* list = settingsTab_->sourceList;
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (selected.isEmpty()) {
            ui_.Beep();
            ui_.MsgBox(
                "Select an item from the list first.", "Selection Required", Icon::Exclamation);
            return;
        }
        delete list->takeItem(list->row(selected.first()));
        // The list would select the next item, which a second Delete would remove unasked.
        list->clearSelection();
    });
}

void MainWindow::BrowseClicked(int index)
{
    static constexpr PickerTarget kTargets[]
        = { PickerTarget::ArchiveFolder, PickerTarget::ArchiverFolder, PickerTarget::TempFolder,
              PickerTarget::ExportName, PickerTarget::ImportName, PickerTarget::SourceList };
    const PickerTarget target = kTargets[index];
    Run([this, target] {
        picker_->Show(target,
            target == PickerTarget::SourceList
                ? "Double-click on a folder to select it and then press the Add button to "
                  "have it included in the backup list."
                : "Double-click on a folder to select it and then press the Add button.");
    });
}

void MainWindow::Deliver(PickerTarget target, const std::string& folder)
{
    SettingsTab* s = settingsTab_;
    switch (target) {
    case PickerTarget::ArchiveFolder:
        return s->archiveFolderEdit->SetPath(folder);
    case PickerTarget::ArchiverFolder:
        return s->archiverFolderEdit->SetPath(folder);
    case PickerTarget::TempFolder:
        return s->tempFolderEdit->SetPath(folder);
    case PickerTarget::ExportName:
        return s->exportNameEdit->SetPath(folder);
    case PickerTarget::ImportName:
        return s->storedImportNameEdit->SetPath(folder);
    case PickerTarget::SourceList:
        return AppendSource(folder);
    }
}

void MainWindow::HistoryClicked()
{
    // Not through Run: the history window shows its own failures.
    if (!history_)
        history_ = new HistoryWindow(store_, ui_, this);
    else
        history_->Reload();
    history_->show();
    history_->raise();
    history_->activateWindow();
}

} // namespace vesko
