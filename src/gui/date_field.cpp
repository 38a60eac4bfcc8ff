#include "gui/date_field.h"

#include <algorithm>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

namespace vesko {

namespace {

const QString kFieldFormat = QStringLiteral("MM-dd-yyyy");

} // namespace

DateField::DateField(QWidget* parent)
    : QDateEdit(parent)
{
    setDisplayFormat(kFieldFormat);
    setCalendarPopup(false);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    // The right click lands on the inner line edit, whose own menu would answer it.
    lineEdit()->installEventFilter(this);
}

bool DateField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::ContextMenu) {
        ShowCalendar();
        return true;
    }
    return QDateEdit::eventFilter(watched, event);
}

void DateField::contextMenuEvent(QContextMenuEvent* event)
{
    ShowCalendar();
    event->accept();
}

void DateField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        ShowCalendar();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        FinishTyping();
    const QString typed = event->text();
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (typed.size() == 1 && !(event->modifiers() & commands)
        && (typed[0].isDigit() || typed[0] == QLatin1Char('-') || typed[0] == QLatin1Char('/'))) {
        TypeCharacter(typed[0]);
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void DateField::TypeCharacter(QChar typed)
{
    // The text keeps its shape, MM-dd-yyyy: a digit replaces the one at the cursor (a dash
    // is stepped over), a dash goes on to the next part. The field takes every whole day
    // as it is typed; a text that is no day gives way, on leaving the field or Enter, to the
    // day the field had before the typing.
    QLineEdit* edit = lineEdit();
    if (!typingFrom_)
        typingFrom_ = date();
    QString text = edit->text();
    if (text.size() != kFieldFormat.size())
        text = date().toString(kFieldFormat);
    int at = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    // Quietly: the field would read a half-typed text as soon as the cursor left its part.
    const QSignalBlocker quiet(edit);
    if (!typed.isDigit()) {
        const int dash = text.indexOf(QLatin1Char('-'), at);
        edit->setCursorPosition(dash < 0 ? text.size() : dash + 1);
        return;
    }
    while (at < text.size() && text[at] == QLatin1Char('-'))
        ++at;
    if (at >= text.size())
        return;
    text[at++] = typed;
    edit->setText(text);
    const QDate day = QDate::fromString(text, kFieldFormat);
    if (day.isValid() && day >= minimumDate() && day <= maximumDate())
        setDate(day);
    edit->setCursorPosition(at);
}

QValidator::State DateField::validate(QString& input, int& pos) const
{
    // While a date is typed the text stays as typed: the field's own reading would mend a
    // half-typed 02-30 into another day.
    if (typingFrom_)
        return QDate::fromString(input, kFieldFormat).isValid() ? QValidator::Acceptable
                                                                : QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

void DateField::focusOutEvent(QFocusEvent* event)
{
    FinishTyping();
    QDateEdit::focusOutEvent(event);
}

void DateField::FinishTyping()
{
    // A typed text that is no day leaves the day the field had before the typing began.
    if (typingFrom_ && !QDate::fromString(lineEdit()->text(), kFieldFormat).isValid()) {
        // The text too: the field would otherwise read what parts of it it can.
        {
            const QSignalBlocker quiet(lineEdit());
            lineEdit()->setText(typingFrom_->toString(kFieldFormat));
        }
        setDate(*typingFrom_);
    }
    typingFrom_.reset();
}

void DateField::ShowCalendar()
{
    if (calendar_) {
        calendar_->raise();
        return;
    }
    auto* calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("cutOffCalendar"));
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setDateRange(minimumDate(), maximumDate());
    calendar->setSelectedDate(date());
    calendar->setGridVisible(true);
    auto pick = [this, calendar](QDate day) {
        setDate(day);
        calendar->close();
        setFocus(Qt::PopupFocusReason);
    };
    connect(calendar, &QCalendarWidget::clicked, this, pick);
    connect(calendar, &QCalendarWidget::activated, this, pick);
    calendar->adjustSize();

    // Below the field, kept on the screen.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (QScreen* screen = this->screen()) {
        QRect area = screen->availableGeometry();
        QSize size = calendar->sizeHint();
        if (at.x() + size.width() > area.right())
            at.setX(std::max(area.left(), area.right() - size.width()));
        if (at.y() + size.height() > area.bottom())
            at.setY(std::max(area.top(), mapToGlobal(QPoint(0, 0)).y() - size.height()));
    }
    calendar->move(at);
    calendar_ = calendar;
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

} // namespace vesko
