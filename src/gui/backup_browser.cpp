#include "gui/backup_browser.h"

#include "core/ui_services.h"
#include "gui/date_field.h"
#include "gui/path_text.h"
#include "gui/restore_place.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "platform/home_folder.h"
#include "restore/held_as_of.h"
#include "settings/stored_settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <string_view>

namespace vesko {

namespace {

constexpr int kPathRole = Qt::UserRole; // the full path's bytes
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kFirstRole = Qt::UserRole + 2; // a folder's files: [first, end) of the holdings
constexpr int kEndRole = Qt::UserRole + 3;

std::string AsFolder(std::string path)
{
    if (!path.empty() && !path.ends_with('/'))
        path += '/';
    return path;
}

// The restore of everything, as the command line asks for it from the stored settings.
RestoreRequest RequestFromSettings(SettingsStore& store)
{
    const Settings settings = LoadSettings(store);
    RestoreRequest request;
    request.archiverFolder = AsFolder(paths::ExpandHome(settings.archiverFolder));
    request.archiveFolder = AsFolder(paths::ExpandHome(settings.archiveFolder));
    for (const std::string& source : settings.sources)
        request.sources.push_back(paths::ExpandHome(source));
    return request;
}

// A folder's row: every file of [first, end) lies below it; its own rows come on opening.
QTreeWidgetItem* FolderRow(
    const std::string& path, const QString& name, qulonglong first, qulonglong end)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setData(0, kPathRole, QByteArray::fromStdString(path));
    item->setData(0, kFolderRole, true);
    item->setData(0, kFirstRole, first);
    item->setData(0, kEndRole, end);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

QTreeWidgetItem* FileRow(const HeldFile& file, const QString& name)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setData(0, kPathRole, QByteArray::fromStdString(file.path));
    item->setText(1, QString::fromStdString(history::SizeText(file.size)));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(
        2, QString::fromStdString(StoredDateText(TimePoint(std::chrono::seconds(file.modified)))));
    item->setText(3, ShownPath(file.archive.substr(file.archive.rfind('/') + 1)));
    return item;
}

// The asked-for paths: the files are sorted by them, then by path, so each one's lie together.
QList<QTreeWidgetItem*> TopRows(const std::vector<HeldFile>& files)
{
    QList<QTreeWidgetItem*> tops;
    for (std::size_t first = 0, end = 0; first < files.size(); first = end) {
        const std::string& below = files[first].below;
        while (end < files.size() && files[end].below == below)
            ++end;
        tops.push_back(files[first].path == below ? FileRow(files[first], ShownPath(below))
                                                  : FolderRow(below, ShownPath(below), first, end));
    }
    return tops;
}

} // namespace

BackupBrowser::BackupBrowser(SettingsStore& store, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , store_(store)
    , ui_(ui)
{
    setObjectName(QStringLiteral("BackupBrowser"));
    setWindowTitle(QStringLiteral("Browse Backups"));
    resize(760, 560);

    auto* dayLabel = new QLabel(QStringLiteral("As of the end of &day:"), this);
    dayField = new DateField(this);
    dayField->setObjectName(QStringLiteral("dayField"));
    dayField->setDate(QDate::currentDate());
    dayLabel->setBuddy(dayField);
    showButton = new QPushButton(QStringLiteral("&Show"), this);
    showButton->setObjectName(QStringLiteral("showButton"));
    heldNote = new QLabel(this);
    heldNote->setObjectName(QStringLiteral("heldNote"));
    heldNote->setWordWrap(true);
    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(dayLabel);
    dayRow->addWidget(dayField);
    dayRow->addWidget(showButton);
    dayRow->addWidget(heldNote, 1);

    tree = new QTreeWidget(this);
    tree->setObjectName(QStringLiteral("tree"));
    tree->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Size"),
        QStringLiteral("Modified"), QStringLiteral("Archive") });
    tree->setUniformRowHeights(true);
    tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree->header()->setStretchLastSection(false);
    tree->setColumnWidth(1, 90);
    tree->setColumnWidth(2, 150);
    tree->setColumnWidth(3, 150);

    place = new RestorePlace(this);
    restoreButton = new QPushButton(QStringLiteral("&Restore\u2026"), this);
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setToolTip(QStringLiteral("Restores the picked file or folder as shown"));
    restoreButton->setEnabled(false);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addWidget(place, 1);
    restoreRow->addWidget(restoreButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dayRow);
    layout->addWidget(tree, 1);
    layout->addLayout(restoreRow);

    connect(showButton, &QPushButton::clicked, this, [this] { ShowDay(); });
    connect(tree, &QTreeWidget::itemSelectionChanged, this,
        [this] { restoreButton->setEnabled(!tree->selectedItems().isEmpty()); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { RestorePicked(); });
    connect(tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
}

void BackupBrowser::Fill(QTreeWidgetItem* folder)
{
    if (!folder->data(0, kFolderRole).toBool() || folder->childCount() != 0)
        return;
    const std::string path = folder->data(0, kPathRole).toByteArray().toStdString();
    const std::size_t from = path == "/" ? 1 : path.size() + 1;
    const std::vector<HeldFile>& files = held_.files;
    const std::size_t end = folder->data(0, kEndRole).toULongLong();
    QList<QTreeWidgetItem*> rows;
    for (std::size_t i = folder->data(0, kFirstRole).toULongLong(), next; i < end; i = next) {
        const std::string& inFolder = files[i].path;
        const std::size_t slash = inFolder.find('/', from);
        if (slash == std::string::npos) {
            rows.push_back(FileRow(files[i], ShownPath(inFolder.substr(from))));
            next = i + 1;
            continue;
        }
        // Sorted by path, the files below a folder lie together.
        const std::string_view inside(inFolder.data(), slash + 1);
        for (next = i + 1; next < end && files[next].path.starts_with(inside);)
            ++next;
        rows.push_back(FolderRow(
            inFolder.substr(0, slash), ShownPath(inFolder.substr(from, slash - from)), i, next));
    }
    folder->addChildren(rows);
}

void BackupBrowser::ShowDay()
{
    const QString day = dayField->date().toString(QStringLiteral("MM-dd-yyyy"));
    tree->clear();
    held_ = {};
    shownDay_.clear();
    heldNote->setText(QStringLiteral("Reading the archives\u2026"));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        RestoreRequest request = RequestFromSettings(store_);
        request.asOfDay = day.toStdString();
        held_ = HeldAsOf(request, ui_, store_);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        heldNote->setText(QStringLiteral("The backups could not be read: %1")
                              .arg(QString::fromStdString(e.what())));
        return;
    }
    tree->addTopLevelItems(TopRows(held_.files));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->expandItem(tree->topLevelItem(i));
    QApplication::restoreOverrideCursor();
    shownDay_ = day;
    QString note
        = QStringLiteral("As of the end of %1: %2 %3.")
              .arg(day)
              .arg(held_.files.size())
              .arg(held_.files.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
    for (const std::string& path : held_.inNoBackup)
        note += QStringLiteral(" No backup holds %1.").arg(ShownPath(path));
    heldNote->setText(note);
}

void BackupBrowser::RestorePicked()
{
    const QList<QTreeWidgetItem*> picked = tree->selectedItems();
    if (picked.isEmpty() || shownDay_.isEmpty())
        return;
    try {
        RestoreRequest request = RequestFromSettings(store_);
        const std::string path = picked.front()->data(0, kPathRole).toByteArray().toStdString();
        request.paths = { picked.front()->data(0, kFolderRole).toBool() ? AsFolder(path) : path };
        request.asOfDay = shownDay_.toStdString();
        request.to = place->Folder();
        RunRestore(request, ui_, store_);
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Restore Error", e.what());
    }
    if (restored)
        restored();
}

} // namespace vesko
