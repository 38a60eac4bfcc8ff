#pragma once

#include <optional>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QPointer>

namespace vesko {

// The cut-off date field: month-day-year, typed over (dashes typed or not) or stepped with
// the arrow keys; a right click (or Alt+Down) opens a calendar below it, and a day picked
// there becomes its value.
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
    void focusOutEvent(QFocusEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    void TypeCharacter(QChar typed);
    void FinishTyping();

    QPointer<QCalendarWidget> calendar_;
    std::optional<QDate> typingFrom_; // the day before the typing began, while typing
};

} // namespace vesko
