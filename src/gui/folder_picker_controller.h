#pragma once

#include "gui/folder_picker.h"

#include <functional>
#include <QPointer>
#include <string>

class QWidget;

namespace vesko {

class UiServices;

// The program's one folder picker. Its window is created at each opening and destroyed at
// each closing; the remembered drive position lives here, as long as the program. A chosen
// folder goes to deliver with the target it was opened for.
class FolderPickerController {
public:
    using Delivery = std::function<void(PickerTarget, const std::string&)>;

    FolderPickerController(UiServices& ui, QWidget* mainWindow, Delivery deliver);
    ~FolderPickerController();
    FolderPickerController(const FolderPickerController&) = delete;
    FolderPickerController& operator=(const FolderPickerController&) = delete;

    // Creates the window (running its load step) when it is not open, shows it without
    // blocking the main window and brings it to the front, for the target.
    void Show(PickerTarget target, const std::string& helpText);
    // Closes it when open (the main window's unload).
    void Close();

    // The open window, or nullptr when closed (for tests).
    FolderPicker* Window() const;
    int RememberedDrive() const { return rememberedDrive_; }
    void SetRememberedDrive(int position) { rememberedDrive_ = position; }

private:
    void PlaceBeside(QWidget& window) const;

    UiServices& ui_;
    QWidget* mainWindow_;
    Delivery deliver_;
    QPointer<FolderPicker> window_;
    int rememberedDrive_ = -1; // empty until a drive's tree was shown; empty counts as 0
};

} // namespace vesko
