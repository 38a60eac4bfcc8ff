#include "gui/qt_ui_services.h"

#include "gui/path_text.h"
#include "gui/progress_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QWidget>

namespace vesko {

namespace {

// How often a long run lets the windows paint and the Cancel button be pressed.
constexpr qint64 kPollMilliseconds = 30;

QMessageBox::Icon BoxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtUiServices::QtUiServices(QWidget* mainWindow)
    : mainWindow_(mainWindow)
{
}

QtUiServices::~QtUiServices()
{
    delete progress_.data();
    SetBusy(false);
}

QString QtUiServices::BoxText(const std::string& text)
{
    // Descriptions name paths, which are bytes.
    QString shown = ShownPath(text);
    shown.replace(QLatin1Char(CR), QLatin1Char('\n'));
    return shown;
}

Answer QtUiServices::ShowMessage(const std::string& text, const std::string& title, Icon icon,
    Buttons buttons, const std::string& details)
{
    QMessageBox box(BoxIcon(icon), QString::fromStdString(title), BoxText(text),
        QMessageBox::NoButton, BoxParent());
    box.setObjectName(QStringLiteral("MsgBox"));
    // Paths and descriptions are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (!details.empty())
        box.setDetailedText(BoxText(details));
    QPushButton* yes = nullptr;
    const bool question = buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo;
    if (question) {
        // Escape or the window's close button answer No.
        yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setEscapeButton(no);
        box.setDefaultButton(buttons == Buttons::YesNo ? yes : no);
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }
    // A narrow box would cut its title short in the title bar ("Cleanup... irectory").
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + 120;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    if (question)
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

QWidget* QtUiServices::BoxParent() const
{
    if (progress_ && progress_->isVisible())
        return progress_;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return mainWindow_;
}

void QtUiServices::Beep()
{
    QApplication::beep();
}

void QtUiServices::SetBusy(bool on)
{
    if (on == busy_ || !mainWindow_)
        return;
    busy_ = on;
    if (on)
        mainWindow_->setCursor(Qt::WaitCursor);
    else
        mainWindow_->unsetCursor();
}

ProgressDialog* QtUiServices::Progress() const
{
    return progressDepth_ > 0 ? progress_.data() : nullptr;
}

void QtUiServices::ProgressBegin(const std::string& title)
{
    if (progressDepth_++ == 0 || !progress_) {
        if (!progress_)
            progress_ = new ProgressDialog(mainWindow_);
        progress_->ResetCancel();
        progress_->SetStep(QString());
        progress_->SetFolder(QString());
        progress_->SetCounts(0, 0, 0);
        progress_->Output()->clear();
        folderPending_ = countsPending_ = false;
    }
    progress_->setWindowTitle(QString::fromStdString(title));
    if (!progress_->isVisible() && mainWindow_) {
        // Over the middle of the main window, whatever the last run left.
        const QRect over = mainWindow_->frameGeometry();
        progress_->move(over.center() - QPoint(progress_->width() / 2, progress_->height() / 2));
    }
    progress_->show();
    progress_->raise();
    progress_->activateWindow();
    QCoreApplication::processEvents();
    sincePoll_.start();
}

void QtUiServices::ProgressStep(const std::string& step)
{
    if (!progress_)
        return;
    FlushProgress();
    progress_->SetStep(ShownPath(step));
}

void QtUiServices::ProgressFolder(const std::string& path)
{
    pendingFolder_ = ShownPath(path);
    folderPending_ = true;
}

void QtUiServices::ProgressCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes)
{
    counts_[0] = examined;
    counts_[1] = copied;
    counts_[2] = bytes;
    countsPending_ = true;
}

void QtUiServices::ProgressOutput(const std::string& line)
{
    if (progress_)
        progress_->AppendOutput(ShownPath(line));
}

bool QtUiServices::ProgressPoll()
{
    if (!progress_)
        return false;
    if (!sincePoll_.isValid() || sincePoll_.elapsed() >= kPollMilliseconds) {
        FlushProgress();
        QCoreApplication::processEvents();
        sincePoll_.start();
    }
    return progress_ && progress_->Cancelled();
}

void QtUiServices::ProgressEnd()
{
    if (progressDepth_ == 0)
        return;
    if (--progressDepth_ > 0)
        return;
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

void QtUiServices::FlushProgress()
{
    if (!progress_)
        return;
    if (folderPending_) {
        progress_->SetFolder(pendingFolder_);
        folderPending_ = false;
    }
    if (countsPending_) {
        progress_->SetCounts(counts_[0], counts_[1], counts_[2]);
        countsPending_ = false;
    }
}

} // namespace vesko
