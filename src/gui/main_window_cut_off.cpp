// The date field's day at start, and the line beside it that says what the day means.
#include "core/requests.h"
#include "gui/date_field.h"
#include "gui/export_tab.h"
#include "gui/main_window.h"
#include "platform/dates.h"
#include "settings/stored_settings.h"

#include <QLabel>
#include <QLocale>

namespace vesko {

namespace {

const QString kFieldFormat = QStringLiteral("MM-dd-yyyy");

QString ShortDay(const QDate& day)
{
    // The program's texts are English, whatever the desktop's language.
    return QLocale::c().toString(day, QStringLiteral("ddd d MMM"));
}

} // namespace

void MainWindow::ShowCutOffSinceLastExport()
{
    lastExportDay_.reset();
    if (const std::optional<TimePoint> last = LastExportCopyStart(store_))
        lastExportDay_
            = QDate::fromString(QString::fromStdString(DateFieldText(*last)), kFieldFormat);
    exportTab_->cutOffEdit->setDate(lastExportDay_
            ? *lastExportDay_
            : QDate::fromString(QString::fromLatin1(kEverythingDay), kFieldFormat));
    ShowCutOffMeaning();
}

void MainWindow::ShowCutOffMeaning()
{
    const QDate day = exportTab_->cutOffEdit->date();
    QString meaning;
    if (lastExportDay_ && day == *lastExportDay_)
        meaning = QStringLiteral("since the last backup on ") + ShortDay(day);
    else if (day.toString(kFieldFormat) == QString::fromLatin1(kEverythingDay))
        meaning = lastExportDay_ ? QStringLiteral("everything, whenever it changed")
                                 : QStringLiteral("everything: no backup yet");
    else
        meaning = QStringLiteral("changed on or after ")
            + QLocale::c().toString(day, QStringLiteral("d MMM yyyy"));
    cutOffSinceLabel_->setText(meaning);
}

} // namespace vesko
