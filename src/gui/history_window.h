#pragma once

#include <cstdint>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vesko {

class BackupBrowser;
class RestorePlace;
class SettingsStore;
class UiServices;

// The run history, beside the main window and without blocking it: the recorded runs
// (newest first, sortable), the selected run's details and left-out files, and a search
// for an archived file across runs. It shows what src/history reads, and restores the
// files of the selected run, or those selected among the search's, as that run found them,
// and opens the browser of everything the backups hold as of a day.
class HistoryWindow : public QWidget {
public:
    HistoryWindow(SettingsStore& store, UiServices& ui, QWidget* parent = nullptr);

    // Reads the runs again, keeping the selected one when it is still there.
    void Reload();
    void Find();
    void CheckArchives();

    QTableWidget* runs;
    QLabel* details;
    QTableWidget* leftOut;
    QLineEdit* findText;
    QPushButton* findButton;
    QLabel* foundNote;
    QTableWidget* found;
    QLabel* problem; // what went wrong reading the history, when something did
    QPushButton* checkButton; // checks every kept archive again
    QLabel* checkNote; // how the last check went
    QRadioButton* originalPlaceButton; // where Restore… puts the files
    QRadioButton* chosenFolderButton;
    QLineEdit* restoreFolderEdit;
    QPushButton* restoreButton;
    QPushButton* browseButton; // opens the browser of what the backups hold as of a day

    // The browser, once Browse Backups… has been pressed.
    BackupBrowser* Browser() const { return browser_; }

private:
    void ShowSelectedRun();
    std::int64_t SelectedRun() const;
    void Report(const char* what, const std::exception& e);
    QWidget* MakeRestoreRow();
    QWidget* MakeFindBox();
    // The restores the button asks for, one for each run whose files are chosen.
    void RestoreClicked();
    // Opens the browser beside the history, or brings it forward.
    void BrowseClicked();

    SettingsStore& store_;
    UiServices& ui_;
    RestorePlace* restorePlace_ = nullptr;
    BackupBrowser* browser_ = nullptr;
};

} // namespace vesko
