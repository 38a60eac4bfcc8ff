#include "gui/form_layout.h"

#include <QLabel>
#include <QStringList>

namespace vesko {

namespace {

// Faces with the narrow metrics the layout was drawn for first; any sans-serif last.
QFont SansFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
        QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
        QStringLiteral("DejaVu Sans") });
    font.setStyleHint(QFont::SansSerif);
    // 8.25 points at 96 dots per inch.
    font.setPixelSize(11);
    return font;
}

} // namespace

QFont FormFont()
{
    return SansFont();
}

QFont HintFont()
{
    QFont font = SansFont();
    font.setItalic(true);
    return font;
}

void FitWrapped(QLabel* label)
{
    label->setWordWrap(true);
    const int needed = label->heightForWidth(label->width());
    if (needed > label->height())
        label->resize(label->width(), needed);
}

} // namespace vesko
