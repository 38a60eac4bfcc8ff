#pragma once

#include <array>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vesko {

// The Settings tab: five settings rows on the left, the source list on the right, Apply
// and Reset below it.
class SettingsTab : public QWidget {
public:
    explicit SettingsTab(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* txtArcFolder;
    QLabel* Label2;
    QLineEdit* txtArjFolder;
    QLabel* Label3;
    QLineEdit* txtDestinDir;
    QLabel* Label4;
    QLineEdit* txtExportArj;
    QLabel* Label5;
    QLineEdit* txtImportArj;
    QCheckBox* fpBoolean1;
    QLabel* Label6;
    QLineEdit* txtSourceDir;
    QListWidget* txtSourceDirList;
    QPushButton* cmdAddSource;
    QPushButton* cmdDeleteSource;
    QPushButton* cmdApply;
    QPushButton* cmdReset;
    // The browse buttons "...", by their Index 0 to 5.
    std::array<QPushButton*, 6> cmdDirList;
};

} // namespace vesko
