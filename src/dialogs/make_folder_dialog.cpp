#include "dialogs/make_folder_dialog.h"

#include "dialogs/folder_dialog_controller.h"

namespace vesko {

std::unique_ptr<FolderDialog> MakeFolderDialog(Host& host, QWidget* mainWindow)
{
    return std::make_unique<FolderDialogController>(host, mainWindow);
}

} // namespace vesko
