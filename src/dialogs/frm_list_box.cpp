#include "dialogs/frm_list_box.h"

#include "app/form_layout.h"
#include "app/path_text.h"
#include "dialogs/drive_list.h"
#include "platform/error.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <unistd.h>

namespace vesko {

namespace {

constexpr const char* kLongHelp = "Double-click on a folder to select it and then press the Add "
                                  "button to have it included in the backup list.";

// Each node of Dir1 holds its folder's full path as bytes; a folder not yet opened holds
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

// Text1 as the Add button reads it. Only the browse buttons write it, so anything but 0 to
// 5 is a fault, told rather than ignored.
int TargetIndex(const QString& text)
{
    const std::string digits = text.trimmed().toStdString();
    std::int16_t value = -1;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || ec != std::errc() || ptr != end || value < 0 || value > 5)
        throw Error("The target index \"" + digits + "\" is not a number from 0 to 5.");
    return value;
}

} // namespace

frmListBox::frmListBox(Host& host, int& rememberedDrive, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , host_(host)
    , rememberedDrive_(rememberedDrive)
{
    setObjectName(QStringLiteral("frmListBox"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(4680 / 15, 3495 / 15);
    setFont(FormFont());

    Label1 = new QLabel(QString::fromUtf8(kLongHelp), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Two lines of the long help text, which the design height clips by a few pixels.
    Label1->setGeometry(Twips(240, 120, 3975, 375));
    Label1->resize(
        Label1->width(), std::max(Label1->height(), Label1->heightForWidth(Label1->width())));

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips(240, 720, 3135, 315));
    for (const DriveEntry& drive : ReadDrives())
        Drive1->addItem(ShownPath(drive.label), QByteArray::fromStdString(drive.path));
    // A new drive list starts on the drive of the program's current folder.
    if (char* cwd = ::getcwd(nullptr, 0)) {
        const int current = Drive1->findData(QByteArray::fromStdString(paths::DriveOf(cwd)));
        std::free(cwd);
        if (current >= 0)
            Drive1->setCurrentIndex(current);
    }

    model_ = new QStandardItemModel(this);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(model_);
    Dir1->setHeaderHidden(true);
    Dir1->setUniformRowHeights(true);
    Dir1->setItemDelegate(new CurrentFolderDelegate(dir1Path_, Dir1));
    // Leaves room below the tree for the line that names the current folder.
    Dir1->setGeometry(Twips(240, 1200, 3135, 1830));
    Dir1->installEventFilter(this);

    lblCurrentFolder = new QLabel(this);
    lblCurrentFolder->setObjectName(QStringLiteral("lblCurrentFolder"));
    lblCurrentFolder->setGeometry(Twips(240, 3075, 4215, 270));

    cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdAdd->setGeometry(Twips(3600, 1200, 855, 375));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(Twips(3600, 1680, 855, 375));

    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Twips(3720, 2520, 615, 285));
    Text1->setVisible(false);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, cmdAdd);
    setTabOrder(cmdAdd, cmdCancel);
    // Qt leaves a widget without focus out of setTabOrder, so the label takes its place in
    // the design order while it could take focus; a label never does.
    Label1->setFocusPolicy(Qt::TabFocus);
    setTabOrder(cmdCancel, Label1);
    setTabOrder(Label1, Text1);
    Label1->setFocusPolicy(Qt::NoFocus);

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(Dir1, &QTreeView::doubleClicked, this, &frmListBox::Dir1_DblClick);
    connect(Dir1, &QTreeView::expanded, this,
        [this](const QModelIndex& index) { ReadSubFolders(model_->itemFromIndex(index)); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmListBox::Form_Load()
{
    // The second drive is the home folder. A list with the root alone stays on it.
    if (Drive1->count() > 1)
        Drive1->setCurrentIndex(1);
    try {
        SetDir1FromDrive(SelectedDrive());
    } catch (const std::exception&) {
        // Neither the home folder nor the remembered drive can be read: the root it is.
        const QSignalBlocker quiet(Drive1);
        Drive1->setCurrentIndex(0);
        ShowTree("/");
    }
    rememberedDrive_ = Drive1->currentIndex();
}

void frmListBox::Drive1_Change()
{
    try {
        SetDir1FromDrive(SelectedDrive());
        rememberedDrive_ = Drive1->currentIndex();
    } catch (const std::exception& e) {
        ShowTrap(host_.ui, kCaption, e.what());
        // Runs this handler again for the old drive; selecting the drive already selected
        // changes nothing, so a drive that fails as well ends it.
        Drive1->setCurrentIndex(FallbackPosition());
    }
}

void frmListBox::cmdAdd_Click()
{
    try {
        std::string folder = dir1Path_;
        const int index = TargetIndex(Text1->text());
        if (folder.empty()) {
            host_.ui.Beep();
            host_.ui.MsgBox("Please select a folder and try again.", "Folder Selection Required",
                Icon::Exclamation);
            return;
        }
        if (!paths::EndsWithSeparator(folder))
            folder += paths::kSeparator;
        static constexpr MainForm::Field kTargets[] = {
            MainForm::Field::txtArcFolder,
            MainForm::Field::txtArjFolder,
            MainForm::Field::txtDestinDir,
            MainForm::Field::txtExportArj,
            MainForm::Field::txtImportArj,
        };
        if (index < 5) {
            host_.form.SetText(kTargets[index], folder);
            close();
        } else {
            host_.form.AppendSource(folder);
            host_.form.RepaintSources();
            host_.ui.Beep();
            host_.ui.MsgBox("Folder added to the backup list.", kCaption, Icon::Information);
        }
    } catch (const std::exception& e) {
        ShowTrap(host_.ui, "Add Folder Error", e.what());
    }
}

void frmListBox::cmdCancel_Click()
{
    close();
}

void frmListBox::Dir1_DblClick(const QModelIndex& index)
{
    if (index.isValid())
        SetCurrentFolder(PathOf(index));
}

void frmListBox::closeEvent(QCloseEvent* event)
{
    event->accept();
    Q_EMIT Closed();
}

bool frmListBox::eventFilter(QObject* watched, QEvent* event)
{
    // Enter opens the highlighted folder, the keyboard's double-click.
    if (watched == Dir1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Dir1->currentIndex().isValid()) {
            Dir1_DblClick(Dir1->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::string frmListBox::SelectedDrive() const
{
    return Drive1->currentData().toByteArray().toStdString();
}

int frmListBox::FallbackPosition() const
{
    // The remembered position is empty at first (counts as 0) and may point past a list
    // that lost a volume since it was remembered.
    return rememberedDrive_ >= 0 && rememberedDrive_ < Drive1->count() ? rememberedDrive_ : 0;
}

void frmListBox::SetDir1FromDrive(const std::string& drive)
{
    CheckDriveReadable(drive);
    ShowTree(drive);
}

void frmListBox::ShowTree(const std::string& root)
{
    model_->clear();
    AppendSubFolders(model_->invisibleRootItem(), root);
    Dir1->scrollToTop();
    SetCurrentFolder(root);
}

void frmListBox::ReadSubFolders(QStandardItem* node)
{
    if (!node || node->rowCount() != 1 || !node->child(0)->data(kPlaceholderRole).toBool())
        return;
    node->removeRow(0);
    AppendSubFolders(node, PathOf(node->index()));
}

void frmListBox::AppendSubFolders(QStandardItem* node, const std::string& path)
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

QModelIndex frmListBox::FindFolder(const std::string& path)
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

void frmListBox::SetCurrentFolder(const std::string& path)
{
    dir1Path_ = path;
    const QString shown = ShownPath(path);
    lblCurrentFolder->setText(lblCurrentFolder->fontMetrics().elidedText(
        QStringLiteral("Current folder: ") + shown, Qt::ElideMiddle, lblCurrentFolder->width()));
    lblCurrentFolder->setToolTip(shown);
    Dir1->viewport()->update();
}

} // namespace vesko
