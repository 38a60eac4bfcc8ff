#include "box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace vesko::test {

BoxAnswerer::BoxAnswerer(std::deque<QMessageBox::StandardButton> script)
    : script_(std::move(script))
{
    connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::Look);
    timer_.start(5);
}

void BoxAnswerer::Look()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible() || box->property("answered").toBool())
            continue;
        box->setProperty("answered", true);
        SeenBox seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton())
                                                  : QMessageBox::NoButton;
        seen.parentName = box->parentWidget() ? box->parentWidget()->objectName() : QString();
        seen_.push_back(seen);

        QAbstractButton* press = box->defaultButton();
        if (!script_.empty()) {
            press = box->button(script_.front());
            script_.pop_front();
        }
        if (press)
            press->click();
        else
            box->reject();
    }
}

} // namespace vesko::test
