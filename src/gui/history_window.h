#pragma once

#include <cstdint>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vesko {

class SettingsStore;

// The run history, beside the main window and without blocking it: the recorded runs
// (newest first, sortable), the selected run's details and left-out files, and a search
// for an archived file across runs. It only shows what src/history reads.
class HistoryWindow : public QWidget {
public:
    HistoryWindow(SettingsStore& store, QWidget* parent = nullptr);

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

private:
    void ShowSelectedRun();
    std::int64_t SelectedRun() const;
    void Report(const char* what, const std::exception& e);

    SettingsStore& store_;
};

} // namespace vesko
