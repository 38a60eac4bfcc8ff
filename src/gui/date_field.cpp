#include "gui/date_field.h"

#include <algorithm>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

namespace vesko {

DateField::DateField(QWidget* parent)
    : QDateEdit(parent)
{
    setDisplayFormat(QStringLiteral("MM-dd-yyyy"));
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
    QDateEdit::keyPressEvent(event);
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
