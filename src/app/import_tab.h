#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesko {

// The Import tab: the name and folder of the archive to import, and the Import button.
class ImportTab : public QWidget {
public:
    explicit ImportTab(QWidget* parent = nullptr);

    QLabel* lblImportExplain;
    QLabel* lblImportName;
    QLineEdit* txtImportName;
    QLabel* lblImportFolder;
    QLineEdit* txtImportFolder;
    QPushButton* cmdImport;
};

} // namespace vesko
