// The window's size: the first one every control was placed for, the controls that follow
// a larger one, and the size remembered from the last closing.
#include "gui/date_field.h"
#include "gui/export_tab.h"
#include "gui/import_tab.h"
#include "gui/main_window.h"
#include "gui/path_field.h"
#include "gui/settings_tab.h"
#include "settings/stored_settings.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>

namespace vesko {

namespace {

constexpr const char* kWindowSizeKey = "WindowSize";

} // namespace

void MainWindow::SetUpStretch()
{
    using Share = WindowStretch::Share;
    const Share grow { 0, 1, 0, 0 };
    const Share growHalf { 0, 0.5, 0, 0 };
    const Share corner { 1, 0, 1, 0 };
    stretch_.Add(tabs_, { 0, 1, 0, 1 });
    const std::initializer_list<QWidget*> wide = { exportTab_->lastImportLabel,
        exportTab_->lastExportLabel, cutOffSinceLabel_, importTab_->importExplanationLabel,
        importTab_->importNameEdit, importTab_->importFolderEdit };
    for (QWidget* control : wide)
        stretch_.Add(control, grow);
    const std::initializer_list<QWidget*> buttons
        = { exportTab_->exportButton, exportTab_->historyButton, importTab_->importButton };
    for (QWidget* button : buttons)
        stretch_.Add(button, corner);

    // The Settings tab: its left column's fields take half the growth, the source list
    // beside them the other half and the height.
    SettingsTab* s = settingsTab_;
    for (PathField* field : { s->archiveFolderEdit, s->archiverFolderEdit, s->tempFolderEdit,
             s->exportNameEdit, s->storedImportNameEdit })
        stretch_.Add(field, growHalf);
    for (std::size_t i = 0; i + 1 < s->browseButtons.size(); ++i)
        stretch_.Add(s->browseButtons[i], { 0.5, 0, 0, 0 });
    stretch_.Add(s->sourceFolderLabel, { 0.5, 0, 0, 0 });
    stretch_.Add(s->sourceFolderEdit, { 0.5, 0.5, 0, 0 });
    stretch_.Add(s->browseButtons.back(), { 1, 0, 0, 0 });
    stretch_.Add(s->sourceList, { 0.5, 0.5, 0, 1 });
    stretch_.Add(s->addSourceButton, { 1, 0, 0, 0 });
    stretch_.Add(s->deleteSourceButton, { 1, 0, 0, 0 });
    stretch_.Add(s->applyButton, { 0.5, 0, 1, 0 });
    stretch_.Add(s->resetButton, corner);
    // The care band stays below Apply and Reset.
    for (QWidget* control : std::initializer_list<QWidget*> { s->checkAfterNightlyCheck,
             s->fullEveryLabel, s->fullEveryEdit, s->fullEveryUnit, s->keepChainsLabel,
             s->keepChainsEdit, s->keepChainsUnit })
        stretch_.Add(control, { 0, 0, 1, 0 });
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    stretch_.Apply(width() - kFirstSize.width(), height() - kFirstSize.height());
}

void MainWindow::RestoreWindowSize()
{
    try {
        const std::string stored = StoredSetting(store_, kWindowSizeKey);
        int w = 0, h = 0;
        if (std::sscanf(stored.c_str(), "%dx%d", &w, &h) == 2)
            resize(QSize(w, h).expandedTo(kFirstSize));
    } catch (const std::exception& e) {
        // The first size serves as well.
        std::cerr << "vesko-backup: window size: " << e.what() << "\n";
    }
}

void MainWindow::RememberWindowSize()
{
    try {
        const std::string text = std::to_string(width()) + "x" + std::to_string(height());
        const std::string stored = StoredSetting(store_, kWindowSizeKey);
        // A window never resized writes nothing: starting and closing the program leaves
        // the store as it was.
        if (text != stored && (!stored.empty() || size() != kFirstSize))
            SaveSetting(store_, kWindowSizeKey, text);
    } catch (const std::exception& e) {
        std::cerr << "vesko-backup: window size: " << e.what() << "\n";
    }
}

} // namespace vesko
