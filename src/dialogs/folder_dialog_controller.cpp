#include "dialogs/folder_dialog_controller.h"

#include "dialogs/frm_list_box.h"

#include <QLabel>
#include <QLineEdit>
#include <QScreen>

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
        PlaceBeside(*window);
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

void FolderDialogController::PlaceBeside(QWidget& window) const
{
    if (!mainWindow_ || !mainWindow_->isVisible())
        return;
    // Beside the main window rather than over it, so that the source list can be seen
    // growing while folders are added; over its middle when the screen has no room.
    const QRect main = mainWindow_->frameGeometry();
    const QRect screen = mainWindow_->screen()->availableGeometry();
    const int gap = 8;
    QRect placed(QPoint(main.right() + gap, main.top()), window.frameGeometry().size());
    if (placed.right() > screen.right())
        placed.moveRight(main.left() - gap);
    if (placed.left() < screen.left())
        placed.moveCenter(main.center());
    window.move(placed.topLeft());
}

frmListBox* FolderDialogController::Window() const
{
    return window_.data();
}

} // namespace vesko
