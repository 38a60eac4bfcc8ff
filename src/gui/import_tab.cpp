#include "gui/import_tab.h"

#include "gui/form_layout.h"
#include "gui/path_field.h"

#include <QLabel>
#include <QPushButton>

namespace vesko {

ImportTab::ImportTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ImportTab"));
    setFont(FormFont());
    importExplanationLabel
        = Place(new QLabel(QStringLiteral("The archive name and directory for this session can "
                                          "be changed here. To make these changes permanent, "
                                          "go to the settings section."),
                    this),
            "importExplanationLabel", Twips(435, 240, 4695, 615));
    importNameLabel = Place(new QLabel(QStringLiteral("Archive Name:"), this), "importNameLabel",
        Twips(435, 1200, 1215, 375));
    importNameEdit = Place(new PathField(this), "importNameEdit", Twips(1995, 1200, 3135, 285));
    importFolderLabel = Place(new QLabel(QStringLiteral("Archive Directory:"), this),
        "importFolderLabel", Twips(435, 1560, 1335, 255));
    importFolderEdit = Place(new PathField(this), "importFolderEdit", Twips(1995, 1560, 3135, 285));
    importButton = Place(new QPushButton(QStringLiteral("Import"), this), "importButton",
        Twips(3915, 2160, 1215, 375));

    for (QLabel* label : { importExplanationLabel, importNameLabel, importFolderLabel })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FitWrapped(importExplanationLabel);
}

} // namespace vesko
