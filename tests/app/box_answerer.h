#pragma once

#include <deque>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace vesko::test {

// What a message box showed.
struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString parentName;
    QString details;
};

// Stands in for the person at the real message boxes: each box that appears is recorded
// and answered with the next scripted button, or with its default button when the script
// is used up.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> script = {})
        : script_(std::move(script))
    {
        connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::Look);
        timer_.start(5);
    }

    const std::vector<SeenBox>& Seen() const { return seen_; }

private:
    void Look()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            QAbstractButton* press = box->defaultButton();
            seen_.push_back({ box->windowTitle(), box->text(), box->textFormat(), box->icon(),
                box->standardButtons(), press ? box->standardButton(press) : QMessageBox::NoButton,
                box->parentWidget() ? box->parentWidget()->objectName() : QString(),
                box->detailedText() });
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

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> script_;
    std::vector<SeenBox> seen_;
};

} // namespace vesko::test
