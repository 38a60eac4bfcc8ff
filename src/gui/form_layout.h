#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;

namespace vesko {

// The window was laid out in twips; 15 of them make one pixel at 96 dots per inch.
inline QRect Twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The window's small sans-serif face, sized in pixels so that the texts fit the pixel
// layout whatever the screen's dots per inch.
QFont FormFont();
// The italic hint beside the date field.
QFont HintFont();

// A wrapping label keeps its place and width but grows downwards when the face at hand
// needs more lines' height than the layout gave it, rather than cutting the last line.
void FitWrapped(QLabel* label);

// Names a control and puts it at its place.
template <typename W> W* Place(W* widget, const char* name, const QRect& rect)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}

} // namespace vesko
