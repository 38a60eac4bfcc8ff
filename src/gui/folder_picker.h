#pragma once

#include <QWidget>
#include <string>

class QComboBox;
class QLabel;
class QModelIndex;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace vesko {

class UiServices;

// Where the picked folder goes: one of the five fields beside the browse buttons, or the end
// of the source list.
enum class PickerTarget {
    ArchiveFolder,
    ArchiverFolder,
    TempFolder,
    ExportName,
    ImportName,
    SourceList
};

// The folder selection window. It lives from one opening to its closing; the remembered
// drive position outlives it in the controller, which hands it in by reference.
class FolderPicker : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Folder Selection";

    FolderPicker(UiServices& ui, int& rememberedDrive, QWidget* parent);

    void SetTarget(PickerTarget target) { target_ = target; }
    PickerTarget Target() const { return target_; }

    void LoadWindow();
    void DriveChanged();
    void AddClicked();
    void CancelClicked();
    // Asks for a name, makes the folder below the highlighted one and highlights it.
    void NewFolderClicked();
    // What Add delivers: the highlighted folder, else the current one.
    std::string ChosenFolder() const;

    // folderTree's current folder as a full path (bytes), "" before any drive was shown.
    const std::string& CurrentFolder() const { return dir1Path_; }
    // Makes a folder of the tree the current one, as a double-click does.
    void OpenFolderInTree(const QModelIndex& index);
    // The tree's node of a folder below the drive shown, reading the folders on the way as
    // expanding them does; invalid when the tree has no such folder.
    QModelIndex FindFolder(const std::string& path);

    QLabel* helpLabel = nullptr;
    QComboBox* driveList = nullptr;
    QTreeView* folderTree = nullptr;
    QLabel* currentFolderLabel = nullptr; // the line under folderTree that names its current folder
    QPushButton* addButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* newFolderButton = nullptr;

Q_SIGNALS:
    // The window closed (Cancel, close box, a delivery to a field); it deletes itself.
    void Closed();
    // Add was pressed on a folder: its full path (bytes) ending with '/', for the target.
    void FolderChosen(vesko::PickerTarget target, const QByteArray& folder);

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
    // The folder's node read again from the disk, expanded.
    QStandardItem* RereadFolder(const std::string& path);

    UiServices& ui_;
    PickerTarget target_ = PickerTarget::SourceList;
    int& rememberedDrive_;
    QStandardItemModel* model_ = nullptr;
    std::string dir1Path_;
    std::string treeRoot_; // the drive whose folders are the tree's first level
};

} // namespace vesko
