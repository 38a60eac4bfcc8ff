// The picker's New Folder button: a folder for the archives can be made where it belongs
// without leaving the program.
#include "core/ui_services.h"
#include "gui/folder_picker.h"
#include "gui/path_text.h"
#include "platform/filesystem.h"
#include "platform/path_rules.h"

#include <exception>
#include <QInputDialog>
#include <QStandardItemModel>
#include <QTreeView>

namespace vesko {

namespace {

bool IsFolderName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".."
        && name.find(paths::kSeparator) == std::string::npos
        && name.find('\0') == std::string::npos;
}

} // namespace

void FolderPicker::NewFolderClicked()
{
    try {
        const std::string parent = ChosenFolder();
        if (parent.empty()) {
            ui_.Beep();
            ui_.MsgBox("Please select a folder and try again.", "Folder Selection Required",
                Icon::Exclamation);
            return;
        }
        QInputDialog ask(this);
        ask.setObjectName(QStringLiteral("newFolderDialog"));
        ask.setWindowTitle(QStringLiteral("New Folder"));
        ask.setLabelText(QStringLiteral("Name of the new folder in %1:").arg(ShownPath(parent)));
        ask.setInputMode(QInputDialog::TextInput);
        if (ask.exec() != QDialog::Accepted)
            return;
        const std::string name = ask.textValue().toStdString();
        if (!IsFolderName(name)) {
            ui_.Beep();
            ui_.MsgBox("A folder name is not empty, \".\" or \"..\", and holds no '/'.",
                "New Folder", Icon::Exclamation);
            return;
        }
        const std::string made = (parent == "/" ? "" : parent) + paths::kSeparator + name;
        FileSystem().MakeDir(made);
        RereadFolder(parent);
        const QModelIndex shown = FindFolder(made);
        folderTree->setCurrentIndex(shown);
        folderTree->scrollTo(shown);
    } catch (const std::exception& e) {
        ShowTrap(ui_, "New Folder Error", e.what());
    }
}

QStandardItem* FolderPicker::RereadFolder(const std::string& path)
{
    QStandardItem* node = model_->invisibleRootItem();
    if (path != treeRoot_) {
        const QModelIndex found = FindFolder(path);
        if (!found.isValid())
            return nullptr;
        node = model_->itemFromIndex(found);
    }
    node->removeRows(0, node->rowCount());
    AppendSubFolders(node, path);
    if (node != model_->invisibleRootItem())
        folderTree->expand(node->index());
    return node;
}

} // namespace vesko
