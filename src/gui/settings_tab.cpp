#include "gui/settings_tab.h"

#include "gui/form_layout.h"
#include "gui/path_field.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>

namespace vesko {

namespace {

QPushButton* BrowseButton(QWidget* page, int index, const QRect& rect)
{
    auto* button = Place(new QPushButton(QStringLiteral("..."), page), "", rect);
    button->setObjectName(QStringLiteral("browseButton_%1").arg(index));
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
        { archiveFolderLabel, "archiveFolderLabel", "Archive folder:", archiveFolderEdit,
            "archiveFolderEdit", 480 },
        { archiverFolderLabel, "archiverFolderLabel", "ARJ Folder:", archiverFolderEdit,
            "archiverFolderEdit", 840 },
        { tempFolderLabel, "tempFolderLabel", "Temp Folder:", tempFolderEdit, "tempFolderEdit",
            1200 },
        { exportNameLabel, "exportNameLabel", "Export Name:", exportNameEdit, "exportNameEdit",
            1560 },
        { importNameLabel, "importNameLabel", "Import Name:", storedImportNameEdit,
            "storedImportNameEdit", 1920 },
    };
    int index = 0;
    for (Row& row : rows) {
        row.label = Place(new QLabel(QString::fromLatin1(row.caption), this), row.labelName,
            Twips(195, row.top, 1215, 255));
        row.field = Place(new PathField(this), row.fieldName, Twips(1395, row.top, 1335, 285));
        browseButtons[index] = BrowseButton(this, index, Twips(2835, row.top, 255, 255));
        ++index;
    }
    spanCheck = Place(new QCheckBox(QStringLiteral("Span Archive"), this), "spanCheck",
        Twips(1395, 2280, 1455, 375));

    // The right column: the source list and its editor.
    sourceFolderLabel = Place(new QLabel(QStringLiteral("Directory to backup"), this),
        "sourceFolderLabel", Twips(3315, 240, 1695, 255));
    sourceFolderEdit = Place(new PathField(this), "sourceFolderEdit", Twips(3315, 480, 1335, 285));
    browseButtons[5] = BrowseButton(this, 5, Twips(4755, 480, 255, 255));
    sourceList = Place(new QListWidget(this), "sourceList", Twips(3315, 840, 1335, 1425));
    sourceList->setSelectionMode(QAbstractItemView::SingleSelection);
    sourceList->setSortingEnabled(false);
    addSourceButton = Place(new QPushButton(QStringLiteral("Add"), this), "addSourceButton",
        Twips(4755, 960, 855, 255));
    deleteSourceButton = Place(new QPushButton(QStringLiteral("Delete"), this),
        "deleteSourceButton", Twips(4755, 1320, 855, 255));
    applyButton = Place(new QPushButton(QStringLiteral("Apply"), this), "applyButton",
        Twips(3315, 2520, 1095, 375));
    resetButton = Place(new QPushButton(QStringLiteral("Reset"), this), "resetButton",
        Twips(4515, 2520, 1095, 375));

    nightlyCheck
        = Place(new QCheckBox(QStringLiteral("Back up automatically every night at"), this),
            "nightlyCheck", Twips(195, 15, 3000, 255));
    nightlyTimeEdit
        = Place(new QTimeEdit(QTime(2, 30), this), "nightlyTimeEdit", Twips(3195, 0, 900, 240));
    nightlyTimeEdit->setDisplayFormat(QStringLiteral("HH:mm"));
    nightlyStatus = Place(new QLineEdit(this), "nightlyStatus", Twips(195, 2700, 2895, 285));
    nightlyStatus->setReadOnly(true);

    for (QLabel* label : { archiveFolderLabel, archiverFolderLabel, tempFolderLabel,
             exportNameLabel, importNameLabel, sourceFolderLabel })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceCare();
}

void SettingsTab::PlaceCare()
{
    // Under the nightly status line, as it belongs with the nightly switch.
    checkAfterNightlyCheck = Place(new QCheckBox(QStringLiteral("Check the oldest unchecked "
                                                                "archive after the nightly export"),
                                       this),
        "checkAfterNightlyCheck", Twips(195, 3060, 5415, 255));
    // One row: caption, a field for up to five digits, unit; twice.
    const auto caption = [this](const char* text, const char* name, int left, int width) {
        auto* label = Place(
            new QLabel(QString::fromLatin1(text), this), name, Twips(left, 3390, width, 285));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };
    fullEveryLabel = caption("Full export every", "fullEveryLabel", 195, 1335);
    fullEveryEdit = Place(new QLineEdit(this), "fullEveryEdit", Twips(1575, 3390, 600, 285));
    fullEveryUnit = caption("days", "fullEveryUnit", 2235, 480);
    keepChainsLabel = caption("Keep the newest", "keepChainsLabel", 2925, 1290);
    keepChainsEdit = Place(new QLineEdit(this), "keepChainsEdit", Twips(4275, 3390, 600, 285));
    keepChainsUnit = caption("chains", "keepChainsUnit", 4935, 675);
    fullEveryEdit->setToolTip(QStringLiteral(
        "An export since the last one backs up everything when the last full export began "
        "this many days ago. Empty or 0: never forced."));
    keepChainsEdit->setToolTip(QStringLiteral(
        "After a successful export, the archives of older chains (a full export and the "
        "exports after it) are removed. Empty or 0: every archive is kept."));
}

} // namespace vesko
