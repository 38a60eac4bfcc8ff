#pragma once

// For the window's and the dialog's tests: what a person notices of a hand-placed form.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>

namespace vesko::test {

// The width of a control's text as drawn: an Alt key's '&' is not.
inline int DrawnWidth(const QWidget* w, const QString& text, bool mnemonic)
{
    QString drawn = text;
    if (mnemonic)
        drawn.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
    return w->fontMetrics().horizontalAdvance(drawn);
}

// Every shown control of `page` lies inside it, clear of the others (a pixel of touching
// aside), with its whole text readable; labels never take the keyboard focus. The page and
// whatever below it takes the keyboard carry the names the tests and any automation find
// them by.
inline void ExpectTidy(QWidget* page)
{
    ASSERT_TRUE(page->isVisible()) << "a hidden page shows nothing to look at";
    EXPECT_FALSE(page->objectName().isEmpty()) << page->metaObject()->className();
    for (QWidget* control : page->findChildren<QWidget*>()) {
        if (control->focusPolicy() != Qt::NoFocus && !control->isWindow()) {
            EXPECT_FALSE(control->objectName().isEmpty()) << control->metaObject()->className();
        }
    }
    QList<QWidget*> shown;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && !child->isWindow())
            shown.append(child);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        QWidget* w = shown[i];
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(page->rect().contains(w->geometry())) << page->objectName().toStdString();
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(w->geometry().adjusted(1, 1, -1, -1).intersects(shown[j]->geometry()))
                << shown[j]->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap())
                EXPECT_GE(label->height(), label->heightForWidth(label->width()));
            else
                EXPECT_LE(DrawnWidth(label, label->text(), label->buddy()), label->width())
                    << label->text().toStdString();
            EXPECT_LE(label->fontMetrics().height(), label->height());
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_LT(DrawnWidth(button, button->text(), true), button->width());
        }
    }
}

} // namespace vesko::test
