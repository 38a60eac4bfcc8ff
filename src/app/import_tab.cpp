#include "app/import_tab.h"

#include "app/form_layout.h"
#include "app/path_field.h"

#include <QLabel>
#include <QPushButton>

namespace vesko {

ImportTab::ImportTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ImportTab"));
    setFont(FormFont());
    lblImportExplain
        = Place(new QLabel(QStringLiteral("The archive name and directory for this session can "
                                          "be changed here. To make these changes permananet, "
                                          "go to the settings section."),
                    this),
            "lblImportExplain", Twips(435, 240, 4695, 615));
    lblImportName = Place(new QLabel(QStringLiteral("Archive Name:"), this), "lblImportName",
        Twips(435, 1200, 1215, 375));
    txtImportName = Place(new PathField(this), "txtImportName", Twips(1995, 1200, 3135, 285));
    lblImportFolder = Place(new QLabel(QStringLiteral("Archive Directory:"), this),
        "lblImportFolder", Twips(435, 1560, 1335, 255));
    txtImportFolder = Place(new PathField(this), "txtImportFolder", Twips(1995, 1560, 3135, 285));
    cmdImport = Place(
        new QPushButton(QStringLiteral("Import"), this), "cmdImport", Twips(3915, 2160, 1215, 375));

    for (QLabel* label : { lblImportExplain, lblImportName, lblImportFolder })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FitWrapped(lblImportExplain);
}

} // namespace vesko
