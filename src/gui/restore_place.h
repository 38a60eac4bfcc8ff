#pragma once

#include <optional>
#include <QWidget>
#include <string>

class QLineEdit;
class QRadioButton;

namespace vesko {

// Where a restore puts its files: each in its original place, or below a chosen folder.
class RestorePlace : public QWidget {
public:
    explicit RestorePlace(QWidget* parent);

    // The chosen folder ('~' replaced, ending with '/'); none for the original places.
    std::optional<std::string> Folder() const;

    QRadioButton* originalPlaceButton;
    QRadioButton* chosenFolderButton;
    QLineEdit* restoreFolderEdit;
};

} // namespace vesko
