#include "gui/export_tab.h"

#include "gui/date_field.h"
#include "gui/form_layout.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace vesko {

ExportTab::ExportTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ExportTab"));
    setFont(FormFont());
    lastImportLabel = Place(new QLabel(QStringLiteral("Last Import: Date Unavailable"), this),
        "lastImportLabel", Twips(675, 480, 4335, 255));
    lastExportLabel = Place(new QLabel(QStringLiteral("Last Export: Date Unavailable"), this),
        "lastExportLabel", Twips(675, 720, 4335, 255));
    cutOffCaption = Place(
        new QLabel(QStringLiteral("Enter date from when to copy files (mm-dd-yyyy):"), this),
        "cutOffCaption", Twips(675, 1200, 1815, 495));
    cutOffEdit = Place(new DateField(this), "cutOffEdit", Twips(2595, 1200, 1095, 375));
    cutOffEdit->setDate(QDate(2004, 11, 27));
    cutOffHint = Place(new QLabel(QStringLiteral("Right click for the calendar."), this),
        "cutOffHint", Twips(3795, 1200, 1095, 495));
    cutOffHint->setFont(HintFont());
    exportButton = Place(new QPushButton(QStringLiteral("Export"), this), "exportButton",
        Twips(3915, 2160, 1215, 375));
    // In the free space left of Export, on its row; every other control keeps its place.
    historyButton = Place(new QPushButton(QStringLiteral("&History"), this), "historyButton",
        Twips(2580, 2160, 1215, 375));

    // In the free band above the dates; nothing else moves.
    warningIcon = Place(new QLabel(this), "warningIcon", Twips(435, 60, 240, 240));
    warningIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    warningLine = Place(new QLabel(this), "warningLine", Twips(675, 30, 4935, 435));
    warningLine->setWordWrap(true);
    warningLine->setTextFormat(Qt::RichText);
    ShowWarning({});

    for (QLabel* label : { lastImportLabel, lastExportLabel, cutOffCaption, cutOffHint })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FitWrapped(cutOffCaption);
    FitWrapped(cutOffHint);
}

void ExportTab::ShowWarning(const QString& sentence)
{
    warningLine->setText(
        sentence.toHtmlEscaped() + QStringLiteral(" <a href=\"history\">Show the history</a>"));
    warningIcon->setVisible(!sentence.isEmpty());
    warningLine->setVisible(!sentence.isEmpty());
}

} // namespace vesko
