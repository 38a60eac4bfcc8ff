#include "app/export_tab.h"

#include "app/date_field.h"
#include "app/form_layout.h"

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vesko {

ExportTab::ExportTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ExportTab"));
    setFont(FormFont());
    lblImport = Place(new QLabel(QStringLiteral("Last Import: Date Unavailable"), this),
        "lblImport", Twips(675, 480, 4335, 255));
    lblExport = Place(new QLabel(QStringLiteral("Last Export: Date Unavailable"), this),
        "lblExport", Twips(675, 720, 4335, 255));
    lblNewDate = Place(
        new QLabel(QStringLiteral("Enter date from when to copy files (mm-dd-yyyy):"), this),
        "lblNewDate", Twips(675, 1200, 1815, 495));
    fpDateTime1 = Place(new DateField(this), "fpDateTime1", Twips(2595, 1200, 1095, 375));
    fpDateTime1->setDate(QDate(2004, 11, 27));
    lblFPctl = Place(new QLabel(QStringLiteral("Right click for the calendar."), this), "lblFPctl",
        Twips(3795, 1200, 1095, 495));
    lblFPctl->setFont(HintFont());
    cmdExport = Place(
        new QPushButton(QStringLiteral("Export"), this), "cmdExport", Twips(3915, 2160, 1215, 375));
    // In the free space left of Export, on its row; every other control keeps its place.
    cmdHistory = Place(new QPushButton(QStringLiteral("&History"), this), "cmdHistory",
        Twips(2580, 2160, 1215, 375));
    ExportStatus = Place(
        new QLineEdit(QStringLiteral("Status"), this), "ExportStatus", Twips(675, 2400, 1455, 285));
    ExportStatus->setVisible(false);

    for (QLabel* label : { lblImport, lblExport, lblNewDate, lblFPctl })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FitWrapped(lblNewDate);
    FitWrapped(lblFPctl);
}

} // namespace vesko
