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

    std::vector<SeenBox> seen;
    // "title|text|icon" of each box, to compare the whole log at once.
    QString Log() const
    {
        const char* const icons[] = { "none", "information", "warning", "critical", "question" };
        QStringList lines;
        for (const SeenBox& box : seen)
            lines << QStringList({ box.title, box.text, QLatin1String(icons[box.icon]) })
                         .join(QLatin1Char('|'));
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
            seen.push_back({ box->windowTitle(), box->text(), box->parentWidget()->objectName(),
                box->detailedText(), box->textFormat(), box->icon(), box->standardButton(press) });
            if (!script_.empty()) {
                press = box->button(script_.front());
                script_.pop_front();
            }
            press->click();
        }
    }

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> script_;
};

} // namespace vesko::test
