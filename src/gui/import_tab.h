#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vesko {

class PathField;

// The Import tab: the name and folder of the archive to import, and the Import button.
class ImportTab : public QWidget {
public:
    explicit ImportTab(QWidget* parent = nullptr);

    QLabel* importExplanationLabel;
    QLabel* importNameLabel;
    PathField* importNameEdit;
    QLabel* importFolderLabel;
    PathField* importFolderEdit;
    QPushButton* importButton;
};

} // namespace vesko
