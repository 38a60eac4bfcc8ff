#pragma once

#include <QWidget>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace vesko {

struct Host;

// The folder selection window. It lives from one opening to its closing; the remembered
// drive position outlives it in the controller, which hands it in by reference.
class frmListBox : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Folder Selection";

    frmListBox(Host& host, int& rememberedDrive, QWidget* parent);

    void Form_Load();
    void Drive1_Change();
    void cmdAdd_Click();
    void cmdCancel_Click();

    // Dir1's current folder as a full path (bytes), "" before any drive was shown.
    const std::string& Dir1Path() const { return dir1Path_; }
    // Makes a folder of the tree the current one, as a double-click does.
    void Dir1_DblClick(const QModelIndex& index);
    // The tree's node of a folder below the drive shown, reading the folders on the way as
    // expanding them does; invalid when the tree has no such folder.
    QModelIndex FindFolder(const std::string& path);

    QLabel* Label1 = nullptr;
    QComboBox* Drive1 = nullptr;
    QTreeView* Dir1 = nullptr;
    QLabel* lblCurrentFolder = nullptr; // the line under Dir1 that names its current folder
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLineEdit* Text1 = nullptr;

Q_SIGNALS:
    // The window closed (Cancel, close box, a delivery to a field); it deletes itself.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string SelectedDrive() const;
    int FallbackPosition() const;
    // Shows the drive's folder tree with the drive as the current folder; Error when the
    // drive cannot be read.
    void SetDir1FromDrive(const std::string& drive);
    void ShowTree(const std::string& root);
    void SetCurrentFolder(const std::string& path);
    // Replaces a folder's placeholder with its subfolders, the first time it is expanded.
    void ReadSubFolders(QStandardItem* node);
    void AppendSubFolders(QStandardItem* node, const std::string& path);

    Host& host_;
    int& rememberedDrive_;
    QStandardItemModel* model_ = nullptr;
    std::string dir1Path_;
};

} // namespace vesko
