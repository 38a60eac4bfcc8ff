#include "gui/folder_picker_controller.h"

#include "gui/folder_picker.h"

#include <QLabel>
#include <QScreen>

namespace vesko {

FolderPickerController::FolderPickerController(
    UiServices& ui, QWidget* mainWindow, Delivery deliver)
    : ui_(ui)
    , mainWindow_(mainWindow)
    , deliver_(std::move(deliver))
{
}

FolderPickerController::~FolderPickerController()
{
    delete window_.data();
}

void FolderPickerController::Show(PickerTarget target, const std::string& helpText)
{
    if (!window_) {
        auto* window = new FolderPicker(ui_, rememberedDrive_, mainWindow_);
        window_ = window;
        // The closed window deletes itself later; from now on the picker counts as closed.
        QObject::connect(window, &FolderPicker::Closed, window, [this] { window_ = nullptr; });
        QObject::connect(window, &FolderPicker::FolderChosen, window,
            [this](PickerTarget chosenFor, const QByteArray& folder) {
                deliver_(chosenFor, folder.toStdString());
            });
        window->LoadWindow();
        PlaceBeside(*window);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->helpLabel->setText(QString::fromStdString(helpText));
    window_->SetTarget(target);
}

void FolderPickerController::Close()
{
    if (window_)
        window_->close();
}

void FolderPickerController::PlaceBeside(QWidget& window) const
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

FolderPicker* FolderPickerController::Window() const
{
    return window_.data();
}

} // namespace vesko
