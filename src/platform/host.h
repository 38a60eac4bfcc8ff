#pragma once

namespace vesko {

class MainForm;
class UiServices;
class SettingsStore;
class FolderDialog;

// What every procedure reaches: the window's working state, the person, the settings
// store, and the folder selection dialog (absent where there is no window).
struct Host {
    MainForm& form;
    UiServices& ui;
    SettingsStore& store;
    FolderDialog* dialog = nullptr;
};

} // namespace vesko
