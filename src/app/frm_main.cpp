#include "app/frm_main.h"

#include "app/date_field.h"
#include "app/export_tab.h"
#include "app/form_layout.h"
#include "app/history_window.h"
#include "app/import_tab.h"
#include "app/path_field.h"
#include "app/path_text.h"
#include "app/settings_tab.h"
#include "dialogs/make_folder_dialog.h"
#include "export/export_run.h"
#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/folder_dialog.h"
#include "settings/settings_tab.h"
#include "settings/source_list.h"

#include <chrono>
#include <exception>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

// The icon lives in the library's resources, which a static library must register itself.
static void InitResources()
{
    Q_INIT_RESOURCE(vesko_backup);
}

namespace vesko {

frmMain::frmMain(QWidget* parent)
    : QWidget(parent)
    , ui_(this)
    , host_ { *this, ui_, store_, nullptr }
{
    InitResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/vesko-backup.svg")));
    setFont(FormFont());
    setFixedSize(404, 248);

    vaTabPro1_ = Place(new QTabWidget(this), "vaTabPro1", Twips(120, 120, 5775, 3495));
    exportTab_ = new ExportTab;
    importTab_ = new ImportTab;
    settingsTab_ = new SettingsTab;
    vaTabPro1_->addTab(exportTab_, QStringLiteral("&Export"));
    vaTabPro1_->addTab(importTab_, QStringLiteral("&Import"));
    vaTabPro1_->addTab(settingsTab_, QStringLiteral("&Settings"));
    vaTabPro1_->setCurrentWidget(settingsTab_);

    // The keyboard focus order of the window, the tab control first.
    SettingsTab* s = settingsTab_;
    QWidget* order[] = {
        vaTabPro1_,
        exportTab_->fpDateTime1,
        exportTab_->cmdExport,
        exportTab_->cmdHistory,
        importTab_->txtImportName,
        importTab_->txtImportFolder,
        importTab_->cmdImport,
        s->txtArcFolder,
        s->cmdDirList[0],
        s->txtArjFolder,
        s->cmdDirList[1],
        s->txtDestinDir,
        s->cmdDirList[2],
        s->txtExportArj,
        s->cmdDirList[3],
        s->txtImportArj,
        s->cmdDirList[4],
        s->fpBoolean1,
        s->txtSourceDir,
        s->cmdDirList[5],
        s->txtSourceDirList,
        s->cmdAddSource,
        s->cmdDeleteSource,
        s->cmdApply,
        s->cmdReset,
        exportTab_->ExportStatus,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(exportTab_->cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    connect(exportTab_->cmdHistory, &QPushButton::clicked, this, [this] { cmdHistory_Click(); });
    connect(importTab_->cmdImport, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(s->cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(s->cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    connect(s->cmdAddSource, &QPushButton::clicked, this, [this] { cmdAddSource_Click(); });
    connect(s->cmdDeleteSource, &QPushButton::clicked, this, [this] { cmdDeleteSource_Click(); });
    // One handler for the control array; the button's Index says which one was pressed.
    for (QPushButton* button : s->cmdDirList)
        connect(button, &QPushButton::clicked, this,
            [this, button] { cmdDirList_Click(button->property("Index").toInt()); });

    dialog_ = MakeFolderDialog(host_, this);
    host_.dialog = dialog_.get();

    Form_Load();
}

frmMain::~frmMain() = default;

template <typename Handler> void frmMain::Run(Handler&& handler)
{
    // One handler at a time, as on the one thread of the original design; the progress
    // window keeps events flowing while a run works.
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

void frmMain::Form_Load()
{
    Run([this] {
        SetDateText(DateFieldText(std::chrono::system_clock::now()));
        RefreshLabels(host_);
    });
}

void frmMain::Form_Unload()
{
    if (dialog_)
        dialog_->Close();
    if (history_)
        history_->close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Not in the middle of a run: its progress window is modal and owns the person's input.
    if (running_ || ui_.Progress()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::cmdExport_Click()
{
    Run([this] { vesko::cmdExport_Click(host_); });
}

void frmMain::cmdImport_Click()
{
    Run([this] { vesko::cmdImport_Click(host_); });
}

void frmMain::cmdApply_Click()
{
    Run([this] { vesko::cmdApply_Click(host_); });
}

void frmMain::cmdReset_Click()
{
    Run([this] { vesko::cmdReset_Click(host_); });
}

void frmMain::cmdAddSource_Click()
{
    Run([this] { vesko::cmdAddSource_Click(host_); });
}

void frmMain::cmdDeleteSource_Click()
{
    Run([this] { vesko::cmdDeleteSource_Click(host_); });
}

void frmMain::cmdDirList_Click(int Index)
{
    Run([this, Index] { vesko::cmdDirList_Click(host_, Index); });
}

void frmMain::cmdHistory_Click()
{
    // Not through Run: the history window shows its own failures.
    if (!history_)
        history_ = new HistoryWindow(store_, this);
    else
        history_->Reload();
    history_->show();
    history_->raise();
    history_->activateWindow();
}

// The working state.

PathField* frmMain::PathWidget(Field field) const
{
    switch (field) {
    case Field::txtArcFolder:
        return settingsTab_->txtArcFolder;
    case Field::txtArjFolder:
        return settingsTab_->txtArjFolder;
    case Field::txtDestinDir:
        return settingsTab_->txtDestinDir;
    case Field::txtExportArj:
        return settingsTab_->txtExportArj;
    case Field::txtImportArj:
        return settingsTab_->txtImportArj;
    case Field::txtSourceDir:
        return settingsTab_->txtSourceDir;
    case Field::txtImportName:
        return importTab_->txtImportName;
    case Field::txtImportFolder:
        return importTab_->txtImportFolder;
    case Field::ExportStatus:
        break;
    }
    return nullptr;
}

std::string frmMain::Text(Field field) const
{
    if (const PathField* path = PathWidget(field))
        return path->Path();
    return exportTab_->ExportStatus->text().toStdString();
}

void frmMain::SetText(Field field, const std::string& text)
{
    if (PathField* path = PathWidget(field)) {
        path->SetPath(text);
        return;
    }
    exportTab_->ExportStatus->setText(QString::fromStdString(text));
    exportTab_->ExportStatus->setCursorPosition(0);
}

std::string frmMain::Caption(Label label) const
{
    const QLabel* widget
        = label == Label::lblExport ? exportTab_->lblExport : exportTab_->lblImport;
    return widget->text().toStdString();
}

void frmMain::SetCaption(Label label, const std::string& text)
{
    QLabel* widget = label == Label::lblExport ? exportTab_->lblExport : exportTab_->lblImport;
    widget->setText(QString::fromStdString(text));
}

int frmMain::SpanValue() const
{
    return settingsTab_->fpBoolean1->isChecked() ? 1 : 0;
}

void frmMain::SetSpanValue(int value)
{
    settingsTab_->fpBoolean1->setChecked(value != 0);
}

std::string frmMain::DateText() const
{
    return exportTab_->fpDateTime1->date().toString(QStringLiteral("MM-dd-yyyy")).toStdString();
}

void frmMain::SetDateText(const std::string& text)
{
    // Read as the core reads the field (a text that is no date is refused the same way);
    // the start of that day in local time names the day.
    const auto start = CutOffFromDateField(text);
    const auto ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count();
    exportTab_->fpDateTime1->setDate(QDateTime::fromMSecsSinceEpoch(ms).date());
}

int frmMain::SourceCount() const
{
    return settingsTab_->txtSourceDirList->count();
}

std::string frmMain::SourceItem(int index) const
{
    const QListWidgetItem* item = settingsTab_->txtSourceDirList->item(index);
    return item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

void frmMain::AppendSource(const std::string& item)
{
    // The list shows the folder readably and keeps its bytes; the tooltip shows what the
    // narrow list cuts short.
    auto* entry = new QListWidgetItem(ShownPath(item));
    entry->setData(Qt::UserRole, QByteArray::fromStdString(item));
    entry->setToolTip(entry->text());
    settingsTab_->txtSourceDirList->addItem(entry);
}

void frmMain::RemoveSource(int index)
{
    QListWidget* list = settingsTab_->txtSourceDirList;
    delete list->takeItem(index);
    // The list would select the next item, which a second Delete would remove unasked.
    list->clearSelection();
}

void frmMain::ClearSources()
{
    settingsTab_->txtSourceDirList->clear();
}

int frmMain::SelectedSourceCount() const
{
    return static_cast<int>(settingsTab_->txtSourceDirList->selectedItems().size());
}

int frmMain::SelectedSourceIndex() const
{
    const QList<QListWidgetItem*> selected = settingsTab_->txtSourceDirList->selectedItems();
    return selected.isEmpty() ? -1 : settingsTab_->txtSourceDirList->row(selected.first());
}

void frmMain::RepaintSources()
{
    settingsTab_->txtSourceDirList->viewport()->update();
}

} // namespace vesko
