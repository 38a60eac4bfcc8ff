#pragma once

#include "platform/folder_dialog.h"

#include <memory>

class QWidget;

namespace vesko {

struct Host;

// The program's one folder selection dialog, opened beside the main window.
std::unique_ptr<FolderDialog> MakeFolderDialog(Host& host, QWidget* mainWindow);

} // namespace vesko
