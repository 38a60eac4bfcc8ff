#pragma once

#include <QCalendarWidget>
#include <QDateEdit>
#include <QPointer>

namespace vesko {

// The cut-off date field: month-day-year, typed or stepped with the arrow keys; a right
// click (or Alt+Down) opens a calendar below it, and a day picked there becomes its value.
class DateField : public QDateEdit {
public:
    explicit DateField(QWidget* parent = nullptr);

    void ShowCalendar();
    // The open calendar, or nullptr (for tests).
    QCalendarWidget* Calendar() const { return calendar_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QCalendarWidget> calendar_;
};

} // namespace vesko
