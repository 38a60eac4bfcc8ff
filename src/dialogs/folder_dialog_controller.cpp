#include "dialogs/folder_dialog_controller.h"

#include "dialogs/frm_list_box.h"

#include <QLabel>
#include <QLineEdit>

namespace vesko {

FolderDialogController::FolderDialogController(Host& host, QWidget* mainWindow)
    : host_(host)
    , mainWindow_(mainWindow)
{
}

FolderDialogController::~FolderDialogController()
{
    delete window_.data();
}

void FolderDialogController::Show()
{
    if (!window_) {
        auto* window = new frmListBox(host_, rememberedDrive_, mainWindow_);
        window_ = window;
        // The closed window deletes itself later; from now on the dialog counts as closed.
        QObject::connect(window, &frmListBox::Closed, window, [this] { window_ = nullptr; });
        window->Form_Load();
        if (mainWindow_) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(mainWindow_->frameGeometry().center());
            window->move(frame.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void FolderDialogController::SetHelpText(const std::string& text)
{
    if (window_)
        window_->Label1->setText(QString::fromStdString(text));
}

void FolderDialogController::SetTargetIndex(const std::string& text)
{
    if (window_)
        window_->Text1->setText(QString::fromStdString(text));
}

void FolderDialogController::Close()
{
    if (window_)
        window_->close();
}

frmListBox* FolderDialogController::Window() const
{
    return window_.data();
}

} // namespace vesko
