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
    QString title, text, parentName, details;
    Qt::TextFormat format;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
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
    void Forget() { seen_.clear(); }
    // "title|text|icon" of each box, to compare the whole log at once.
    QString Log() const
    {
        static const char* const icons[]
            = { "none", "information", "warning", "critical", "question" };
        QStringList lines;
        for (const SeenBox& box : seen_)
            lines << box.title + QLatin1Char('|') + box.text + QLatin1Char('|')
                    + QLatin1String(icons[box.icon]);
        return lines.join(QLatin1Char('\n'));
    }

private:
    void Look()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            QAbstractButton* press = box->defaultButton();
            seen_.push_back({ box->windowTitle(), box->text(),
                box->parentWidget() ? box->parentWidget()->objectName() : QString(),
                box->detailedText(), box->textFormat(), box->icon(), box->standardButtons(),
                press ? box->standardButton(press) : QMessageBox::NoButton });
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
