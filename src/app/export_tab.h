#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesko {

class DateField;

// The Export tab: the cut-off date, the Export button, the dates of the last export and
// import, the History button, and the hidden status field of the export run.
class ExportTab : public QWidget {
public:
    explicit ExportTab(QWidget* parent = nullptr);

    QLabel* lblImport;
    QLabel* lblExport;
    QLabel* lblNewDate;
    DateField* fpDateTime1;
    QLabel* lblFPctl;
    QPushButton* cmdExport;
    QPushButton* cmdHistory;
    QLineEdit* ExportStatus;
};

} // namespace vesko
