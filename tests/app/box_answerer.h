#pragma once

#include <deque>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace vesko::test {

// What a message box showed.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString parentName;
};

// Stands in for the person at the real message boxes: each box that appears is recorded
// and answered with the next scripted button, or with its default button when the script
// is used up.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> script = {});

    const std::vector<SeenBox>& Seen() const { return seen_; }

private:
    void Look();

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> script_;
    std::vector<SeenBox> seen_;
};

} // namespace vesko::test
