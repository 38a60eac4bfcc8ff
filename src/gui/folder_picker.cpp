#include "gui/folder_picker.h"

#include "core/ui_services.h"
#include "gui/drive_list.h"
#include "gui/form_layout.h"
#include "gui/path_text.h"
#include "platform/error.h"
#include "platform/path_rules.h"

#include <algorithm>
#include <cstdint>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <unistd.h>

namespace vesko {

namespace {

constexpr const char* kLongHelp = "Double-click on a folder to select it and then press the Add "
                                  "button to have it included in the backup list.";

// Each node of folderTree holds its folder's full path as bytes; a folder not yet opened holds
// one placeholder child, so that it can be expanded, until it is.
constexpr int kPathRole = Qt::UserRole;
constexpr int kPlaceholderRole = Qt::UserRole + 1;

std::string PathOf(const QModelIndex& index)
{
    return index.data(kPathRole).toByteArray().toStdString();
}

QStandardItem* FolderNode(const std::string& path, const QString& name)
{
    auto* node = new QStandardItem(name);
    node->setData(QByteArray::fromStdString(path), kPathRole);
    node->setEditable(false);
    auto* placeholder = new QStandardItem;
    placeholder->setData(true, kPlaceholderRole);
    node->appendRow(placeholder);
    return node;
}

// The current folder is drawn in bold, so that the tree itself shows which one it is.
class CurrentFolderDelegate : public QStyledItemDelegate {
public:
    CurrentFolderDelegate(const std::string& current, QObject* parent)
        : QStyledItemDelegate(parent)
        , current_(current)
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (PathOf(index) == current_)
            option->font.setBold(true);
    }

private:
    const std::string& current_;
};

} // namespace

FolderPicker::FolderPicker(UiServices& ui, int& rememberedDrive, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , ui_(ui)
    , rememberedDrive_(rememberedDrive)
{
    setObjectName(QStringLiteral("FolderPicker"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(4680 / 15, 3495 / 15);
    setFont(FormFont());

    helpLabel = new QLabel(QString::fromUtf8(kLongHelp), this);
    helpLabel->setObjectName(QStringLiteral("helpLabel"));
    helpLabel->setWordWrap(true);
    helpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Two lines of the long help text, which the height first given clips by a few pixels.
    helpLabel->setGeometry(Twips(240, 120, 3975, 375));
    helpLabel->resize(helpLabel->width(),
        std::max(helpLabel->height(), helpLabel->heightForWidth(helpLabel->width())));

    driveList = new QComboBox(this);
    driveList->setObjectName(QStringLiteral("driveList"));
    driveList->setGeometry(Twips(240, 720, 3135, 315));
    for (const DriveEntry& drive : ReadDrives())
        driveList->addItem(ShownPath(drive.label), QByteArray::fromStdString(drive.path));
    // A new drive list starts on the drive of the program's current folder.
    if (char* cwd = ::getcwd(nullptr, 0)) {
        const int current = driveList->findData(QByteArray::fromStdString(paths::DriveOf(cwd)));
        std::free(cwd);
        if (current >= 0)
            driveList->setCurrentIndex(current);
    }

    model_ = new QStandardItemModel(this);
    folderTree = new QTreeView(this);
    folderTree->setObjectName(QStringLiteral("folderTree"));
    folderTree->setModel(model_);
    folderTree->setHeaderHidden(true);
    folderTree->setUniformRowHeights(true);
    folderTree->setItemDelegate(new CurrentFolderDelegate(dir1Path_, folderTree));
    // Leaves room below the tree for the line that names the current folder.
    folderTree->setGeometry(Twips(240, 1200, 3135, 1830));
    folderTree->installEventFilter(this);

    currentFolderLabel = new QLabel(this);
    currentFolderLabel->setObjectName(QStringLiteral("currentFolderLabel"));
    currentFolderLabel->setGeometry(Twips(240, 3075, 4215, 270));

    addButton = new QPushButton(QStringLiteral("Add"), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    addButton->setGeometry(Twips(3600, 1200, 855, 375));
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(Twips(3600, 1680, 855, 375));
    newFolderButton = new QPushButton(QStringLiteral("New Folder"), this);
    newFolderButton->setObjectName(QStringLiteral("newFolderButton"));
    newFolderButton->setGeometry(Twips(3600, 2160, 855, 375));

    setTabOrder(driveList, folderTree);
    setTabOrder(folderTree, addButton);
    setTabOrder(addButton, cancelButton);
    setTabOrder(cancelButton, newFolderButton);

    connect(driveList, &QComboBox::currentIndexChanged, this, [this] { DriveChanged(); });
    connect(folderTree, &QTreeView::doubleClicked, this, &FolderPicker::OpenFolderInTree);
    connect(folderTree, &QTreeView::expanded, this,
        [this](const QModelIndex& index) { ReadSubFolders(model_->itemFromIndex(index)); });
    connect(addButton, &QPushButton::clicked, this, [this] { AddClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { CancelClicked(); });
    connect(newFolderButton, &QPushButton::clicked, this, [this] { NewFolderClicked(); });
}

void FolderPicker::LoadWindow()
{
    // The second drive is the home folder. A list with the root alone stays on it.
    if (driveList->count() > 1)
        driveList->setCurrentIndex(1);
    try {
        SetDir1FromDrive(SelectedDrive());
    } catch (const std::exception&) {
        // Neither the home folder nor the remembered drive can be read: the root it is.
        const QSignalBlocker quiet(driveList);
        driveList->setCurrentIndex(0);
        ShowTree("/");
    }
    rememberedDrive_ = driveList->currentIndex();
}

void FolderPicker::DriveChanged()
{
    try {
        SetDir1FromDrive(SelectedDrive());
        rememberedDrive_ = driveList->currentIndex();
    } catch (const std::exception& e) {
        ShowTrap(ui_, kCaption, e.what());
        // Runs this handler again for the old drive; selecting the drive already selected
        // changes nothing, so a drive that fails as well ends it.
        driveList->setCurrentIndex(FallbackPosition());
    }
}

void FolderPicker::AddClicked()
{
    try {
        std::string folder = ChosenFolder();
        if (folder.empty()) {
            ui_.Beep();
            ui_.MsgBox("Please select a folder and try again.", "Folder Selection Required",
                Icon::Exclamation);
            return;
        }
        if (!paths::EndsWithSeparator(folder))
            folder += paths::kSeparator;
        Q_EMIT FolderChosen(target_, QByteArray::fromStdString(folder));
        if (target_ != PickerTarget::SourceList) {
            close();
        } else {
            ui_.Beep();
            ui_.MsgBox("Folder added to the backup list:" + std::string(1, CR) + CR + folder,
                kCaption, Icon::Information);
        }
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Add Folder Error", e.what());
    }
}

std::string FolderPicker::ChosenFolder() const
{
    // The highlighted folder is the one the person means; the current one (opened by a
    // double-click) when none is highlighted.
    const QModelIndexList highlighted = folderTree->selectionModel()->selectedIndexes();
    return highlighted.isEmpty() ? dir1Path_ : PathOf(highlighted.first());
}

void FolderPicker::CancelClicked()
{
    close();
}

void FolderPicker::OpenFolderInTree(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    folderTree->setCurrentIndex(index);
    SetCurrentFolder(PathOf(index));
}

void FolderPicker::closeEvent(QCloseEvent* event)
{
    event->accept();
    Q_EMIT Closed();
}

bool FolderPicker::eventFilter(QObject* watched, QEvent* event)
{
    // Enter opens the highlighted folder, the keyboard's double-click.
    if (watched == folderTree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter)
            && folderTree->currentIndex().isValid()) {
            OpenFolderInTree(folderTree->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::string FolderPicker::SelectedDrive() const
{
    return driveList->currentData().toByteArray().toStdString();
}

int FolderPicker::FallbackPosition() const
{
    // The remembered position is empty at first (counts as 0) and may point past a list
    // that lost a volume since it was remembered.
    return rememberedDrive_ >= 0 && rememberedDrive_ < driveList->count() ? rememberedDrive_ : 0;
}

void FolderPicker::SetDir1FromDrive(const std::string& drive)
{
    CheckDriveReadable(drive);
    ShowTree(drive);
}

void FolderPicker::ShowTree(const std::string& root)
{
    model_->clear();
    treeRoot_ = root;
    AppendSubFolders(model_->invisibleRootItem(), root);
    folderTree->scrollToTop();
    SetCurrentFolder(root);
}

void FolderPicker::ReadSubFolders(QStandardItem* node)
{
    if (!node || node->rowCount() != 1 || !node->child(0)->data(kPlaceholderRole).toBool())
        return;
    node->removeRow(0);
    AppendSubFolders(node, PathOf(node->index()));
}

void FolderPicker::AppendSubFolders(QStandardItem* node, const std::string& path)
{
    // In the order a person reads the names, whatever their bytes.
    std::vector<std::pair<QString, std::string>> shown;
    for (const std::string& name : ReadFolderNames(path))
        shown.emplace_back(
            ShownPath(name), path == "/" ? "/" + name : path + paths::kSeparator + name);
    std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first.toCaseFolded(), b.first.toCaseFolded()) < 0;
    });
    for (const auto& [text, folderPath] : shown)
        node->appendRow(FolderNode(folderPath, text));
}

QModelIndex FolderPicker::FindFolder(const std::string& path)
{
    QStandardItem* node = model_->invisibleRootItem();
    QModelIndex found;
    for (bool descended = true; descended && PathOf(found) != path;) {
        descended = false;
        ReadSubFolders(node);
        for (int row = 0; row < node->rowCount(); ++row) {
            const std::string below = PathOf(node->child(row)->index());
            if (path == below || path.compare(0, below.size() + 1, below + '/') == 0) {
                node = node->child(row);
                found = node->index();
                descended = true;
                break;
            }
        }
    }
    return PathOf(found) == path ? found : QModelIndex();
}

void FolderPicker::SetCurrentFolder(const std::string& path)
{
    dir1Path_ = path;
    const QString shown = ShownPath(path);
    currentFolderLabel->setText(currentFolderLabel->fontMetrics().elidedText(
        QStringLiteral("Current folder: ") + shown, Qt::ElideMiddle, currentFolderLabel->width()));
    currentFolderLabel->setToolTip(shown);
    folderTree->viewport()->update();
}

} // namespace vesko
