#include "gui/nightly_controls.h"

#include "care/care_settings.h"
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
    SettingsTab& tab, UiServices& ui, SettingsStore& store, std::function<std::string()> exportName)
    : tab_(tab)
    , ui_(ui)
    , store_(store)
    , exportName_(std::move(exportName))
{
    QObject::connect(
        tab_.nightlyCheck, &QCheckBox::toggled, &tab_, [this](bool on) { Toggled(on); });
    QObject::connect(tab_.checkAfterNightlyCheck, &QCheckBox::toggled, &tab_,
        [this](bool on) { CheckAfterToggled(on); });
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
    try {
        const QSignalBlocker quietCheck(tab_.checkAfterNightlyCheck);
        tab_.checkAfterNightlyCheck->setChecked(LoadCheckAfterNightly(store_));
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Schedule Error", e.what());
    }
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
                exportName_(), QCoreApplication::applicationFilePath().toStdString(),
                tab_.checkAfterNightlyCheck->isChecked());
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

void NightlyControls::CheckAfterToggled(bool on)
{
    try {
        SaveCheckAfterNightly(store_, on);
    } catch (const std::exception& e) {
        ShowTrap(ui_, "Schedule Error", e.what());
        const QSignalBlocker quiet(tab_.checkAfterNightlyCheck);
        tab_.checkAfterNightlyCheck->setChecked(!on);
        return;
    }
    // The command the schedule runs changes with it.
    if (tab_.nightlyCheck->isChecked())
        Toggled(true);
}

void NightlyControls::ShowFallback(const std::string& fallback)
{
    // Nothing was scheduled: the box goes back off, and the line tells what to do instead.
    const QSignalBlocker quiet(tab_.nightlyCheck);
    tab_.nightlyCheck->setChecked(false);
    SetStatus(tab_.nightlyStatus, QString::fromStdString(fallback));
}

} // namespace vesko
