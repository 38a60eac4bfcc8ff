#include "gui/path_field.h"

#include "gui/path_text.h"

namespace vesko {

PathField::PathField(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { setToolTip(text); });
}

void PathField::SetPath(const std::string& path)
{
    path_ = path;
    setText(ShownPath(path));
    // Filled by the program, it shows the start of its text, as a typed one does.
    setCursorPosition(0);
}

std::string PathField::Path() const
{
    return PathBytes(path_, text());
}

} // namespace vesko
