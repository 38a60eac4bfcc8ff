#include "gui/restore_place.h"

#include "platform/home_folder.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

namespace vesko {

RestorePlace::RestorePlace(QWidget* parent)
    : QWidget(parent)
{
    originalPlaceButton = new QRadioButton(QStringLiteral("To their &original location"), this);
    originalPlaceButton->setObjectName(QStringLiteral("originalPlaceButton"));
    originalPlaceButton->setChecked(true);
    chosenFolderButton = new QRadioButton(QStringLiteral("Into this &folder:"), this);
    chosenFolderButton->setObjectName(QStringLiteral("chosenFolderButton"));
    restoreFolderEdit = new QLineEdit(this);
    restoreFolderEdit->setObjectName(QStringLiteral("restoreFolderEdit"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(originalPlaceButton);
    layout->addWidget(chosenFolderButton);
    layout->addWidget(restoreFolderEdit, 1);
}

std::optional<std::string> RestorePlace::Folder() const
{
    if (!chosenFolderButton->isChecked())
        return std::nullopt;
    std::string folder
        = paths::ExpandHome(QFile::encodeName(restoreFolderEdit->text()).toStdString());
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder;
}

} // namespace vesko
