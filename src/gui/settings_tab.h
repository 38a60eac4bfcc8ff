#pragma once

#include <array>
#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace vesko {

class PathField;

// The Settings tab: five settings rows on the left, the source list on the right, Apply
// and Reset below it, the nightly export's switch above and its status below the rows; the
// archives' care in the band at the bottom.
class SettingsTab : public QWidget {
public:
    explicit SettingsTab(QWidget* parent = nullptr);

    QLabel* archiveFolderLabel;
    PathField* archiveFolderEdit;
    QLabel* archiverFolderLabel;
    PathField* archiverFolderEdit;
    QLabel* tempFolderLabel;
    PathField* tempFolderEdit;
    QLabel* exportNameLabel;
    PathField* exportNameEdit;
    QLabel* importNameLabel;
    PathField* storedImportNameEdit;
    QCheckBox* spanCheck;
    QLabel* sourceFolderLabel;
    PathField* sourceFolderEdit;
    QListWidget* sourceList;
    QPushButton* addSourceButton;
    QPushButton* deleteSourceButton;
    QPushButton* applyButton;
    QPushButton* resetButton;
    // The browse buttons "...", by their Index 0 to 5.
    std::array<QPushButton*, 6> browseButtons;
    // The nightly export, in the free bands above and below the left column.
    QCheckBox* nightlyCheck;
    QTimeEdit* nightlyTimeEdit;
    QLineEdit* nightlyStatus;
    QCheckBox* checkAfterNightlyCheck;
    // The archives' care, in the band below everything: empty or 0 is not set.
    QLabel* fullEveryLabel;
    QLineEdit* fullEveryEdit;
    QLabel* fullEveryUnit;
    QLabel* keepChainsLabel;
    QLineEdit* keepChainsEdit;
    QLabel* keepChainsUnit;

private:
    void PlaceCare();
};

} // namespace vesko
