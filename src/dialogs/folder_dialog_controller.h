#pragma once

#include "platform/folder_dialog.h"

#include <QPointer>

class QWidget;

namespace vesko {

struct Host;
class frmListBox;

// The program's one folder selection dialog. The window frmListBox is created at each
// opening and destroyed at each closing; the remembered drive position lives here, as long
// as the program.
class FolderDialogController : public FolderDialog {
public:
    FolderDialogController(Host& host, QWidget* mainWindow);
    ~FolderDialogController() override;

    void Show() override;
    void SetHelpText(const std::string& text) override;
    void SetTargetIndex(const std::string& text) override;
    void Close() override;

    // The open window, or nullptr when closed (for tests).
    frmListBox* Window() const;
    int RememberedDrive() const { return rememberedDrive_; }
    void SetRememberedDrive(int position) { rememberedDrive_ = position; }

private:
    void PlaceBeside(QWidget& window) const;

    Host& host_;
    QWidget* mainWindow_;
    QPointer<frmListBox> window_;
    int rememberedDrive_ = -1; // empty until a drive's tree was shown; empty counts as 0
};

} // namespace vesko
