#include "gui/nightly_controls.h"

#include "core/ui_services.h"
#include "gui/settings_tab.h"
#include "schedule/nightly_schedule.h"

#include <exception>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimeEdit>

namespace vesko {

namespace {

// The status line holds one line; its tooltip keeps the text as it was written.
void SetStatus(QLineEdit* line, const QString& text)
{
    line->setText(text.simplified());
    line->setCursorPosition(0);
    line->setToolTip(text);
}

} // namespace

NightlyControls::NightlyControls(
    SettingsTab& tab, UiServices& ui, std::function<std::string()> exportName)
    : tab_(tab)
    , ui_(ui)
    , exportName_(std::move(exportName))
{
    QObject::connect(
        tab_.nightlyCheck, &QCheckBox::toggled, &tab_, [this](bool on) { Toggled(on); });
    QObject::connect(tab_.nightlyTimeEdit, &QTimeEdit::editingFinished, &tab_, [this] {
        if (tab_.nightlyCheck->isChecked())
            Toggled(true);
    });
}

void NightlyControls::ShowStatus()
{
    const schedule::ScheduleStatus status = schedule::Status();
    const QSignalBlocker quiet(tab_.nightlyCheck);
    tab_.nightlyCheck->setChecked(status.on);
    if (!status.time.empty())
        tab_.nightlyTimeEdit->setTime(
            QTime::fromString(QString::fromStdString(status.time), QStringLiteral("HH:mm")));
    QString text;
    if (status.on && !status.reachable)
        text = QStringLiteral("On, but no systemd user instance answers to run it");
    else if (status.on)
        text = QStringLiteral("On; next run: ")
            + (status.nextRun.empty() ? QStringLiteral("unknown")
                                      : QString::fromStdString(status.nextRun));
    else if (!status.reachable)
        text = QStringLiteral("Off; no systemd user instance here: turning it on shows the "
                              "crontab line to use instead");
    else
        text = QStringLiteral("Off");
    SetStatus(tab_.nightlyStatus, text);
}

void NightlyControls::Toggled(bool on)
{
    try {
        if (!on) {
            schedule::Disable();
        } else {
            const schedule::EnableOutcome outcome = schedule::Enable(
                tab_.nightlyTimeEdit->time().toString(QStringLiteral("HH:mm")).toStdString(),
                exportName_(), QCoreApplication::applicationFilePath().toStdString());
            if (!outcome.scheduled) {
                ShowFallback(outcome.fallback);
                return;
            }
        }
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Schedule Error", e.what());
    }
    ShowStatus();
}

void NightlyControls::ShowFallback(const std::string& fallback)
{
    // Nothing was scheduled: the box goes back off, and the line tells what to do instead.
    const QSignalBlocker quiet(tab_.nightlyCheck);
    tab_.nightlyCheck->setChecked(false);
    SetStatus(tab_.nightlyStatus, QString::fromStdString(fallback));
}

} // namespace vesko
