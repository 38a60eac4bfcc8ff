#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vesko {

class DateField;

// The Export tab: the cut-off date, the Export button, the dates of the last export and
// import, the History button, and the warning line over them.
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
    // Above the dates, hidden while all is well: the exclamation icon and one sentence about
    // an export that did not succeed, with a link to the history.
    QLabel* warningIcon;
    QLabel* warningLine;

    // Shows the sentence, or hides the line for "".
    void ShowWarning(const QString& sentence);
};

} // namespace vesko
