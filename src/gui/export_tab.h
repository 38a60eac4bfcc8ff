#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vesko {

class DateField;

// The Export tab: the cut-off date, the Export button, the dates of the last export and
// import and the History button.
class ExportTab : public QWidget {
public:
    explicit ExportTab(QWidget* parent = nullptr);

    QLabel* lastImportLabel;
    QLabel* lastExportLabel;
    QLabel* cutOffCaption;
    DateField* cutOffEdit;
    QLabel* cutOffHint;
    QPushButton* exportButton;
    QPushButton* historyButton;
};

} // namespace vesko
