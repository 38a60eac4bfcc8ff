#pragma once

#include <array>
#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vesko {

class PathField;

// The Settings tab: five settings rows on the left, the source list on the right, Apply
// and Reset below it.
class SettingsTab : public QWidget {
public:
    explicit SettingsTab(QWidget* parent = nullptr);

    QLabel* Label1;
    PathField* txtArcFolder;
    QLabel* Label2;
    PathField* txtArjFolder;
    QLabel* Label3;
    PathField* txtDestinDir;
    QLabel* Label4;
    PathField* txtExportArj;
    QLabel* Label5;
    PathField* txtImportArj;
    QCheckBox* fpBoolean1;
    QLabel* Label6;
    PathField* txtSourceDir;
    QListWidget* txtSourceDirList;
    QPushButton* cmdAddSource;
    QPushButton* cmdDeleteSource;
    QPushButton* cmdApply;
    QPushButton* cmdReset;
    // The browse buttons "...", by their Index 0 to 5.
    std::array<QPushButton*, 6> cmdDirList;
};

} // namespace vesko
