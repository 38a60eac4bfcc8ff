#include "app/settings_tab.h"

#include "app/form_layout.h"
#include "app/path_field.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vesko {

namespace {

QPushButton* BrowseButton(QWidget* page, int index, const QRect& rect)
{
    auto* button = Place(new QPushButton(QStringLiteral("..."), page), "", rect);
    button->setObjectName(QStringLiteral("cmdDirList_%1").arg(index));
    button->setProperty("Index", index);
    return button;
}

} // namespace

SettingsTab::SettingsTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SettingsTab"));
    setFont(FormFont());
    // The left column: a caption, a field and its browse button in each row.
    struct Row {
        QLabel*& label;
        const char* labelName;
        const char* caption;
        PathField*& field;
        const char* fieldName;
        int top;
    };
    Row rows[] = {
        { Label1, "Label1", "Archive folder:", txtArcFolder, "txtArcFolder", 480 },
        { Label2, "Label2", "ARJ Folder:", txtArjFolder, "txtArjFolder", 840 },
        { Label3, "Label3", "Temp Folder:", txtDestinDir, "txtDestinDir", 1200 },
        { Label4, "Label4", "Export Name:", txtExportArj, "txtExportArj", 1560 },
        { Label5, "Label5", "Import Name:", txtImportArj, "txtImportArj", 1920 },
    };
    int index = 0;
    for (Row& row : rows) {
        row.label = Place(new QLabel(QString::fromLatin1(row.caption), this), row.labelName,
            Twips(195, row.top, 1215, 255));
        row.field = Place(new PathField(this), row.fieldName, Twips(1395, row.top, 1335, 285));
        cmdDirList[index] = BrowseButton(this, index, Twips(2835, row.top, 255, 255));
        ++index;
    }
    fpBoolean1 = Place(new QCheckBox(QStringLiteral("Span Archive"), this), "fpBoolean1",
        Twips(1395, 2280, 1455, 375));

    // The right column: the source list and its editor.
    Label6 = Place(new QLabel(QStringLiteral("Directory to backup"), this), "Label6",
        Twips(3315, 240, 1695, 255));
    txtSourceDir = Place(new PathField(this), "txtSourceDir", Twips(3315, 480, 1335, 285));
    cmdDirList[5] = BrowseButton(this, 5, Twips(4755, 480, 255, 255));
    txtSourceDirList
        = Place(new QListWidget(this), "txtSourceDirList", Twips(3315, 840, 1335, 1425));
    txtSourceDirList->setSelectionMode(QAbstractItemView::SingleSelection);
    txtSourceDirList->setSortingEnabled(false);
    cmdAddSource = Place(
        new QPushButton(QStringLiteral("Add"), this), "cmdAddSource", Twips(4755, 960, 855, 255));
    cmdDeleteSource = Place(new QPushButton(QStringLiteral("Delete"), this), "cmdDeleteSource",
        Twips(4755, 1320, 855, 255));
    cmdApply = Place(
        new QPushButton(QStringLiteral("Apply"), this), "cmdApply", Twips(3315, 2520, 1095, 375));
    cmdReset = Place(
        new QPushButton(QStringLiteral("Reset"), this), "cmdReset", Twips(4515, 2520, 1095, 375));

    for (QLabel* label : { Label1, Label2, Label3, Label4, Label5, Label6 })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

} // namespace vesko
