#include "history/run_recording.h"

#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "platform/run_lock.h"
#include "settings/nothing_set_up.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"

#include <chrono>
#include <exception>
#include <memory>

namespace vesko {

namespace {

RunOutcome RefuseAsRunning(UiServices& ui, SettingsStore& store, RunReport& report)
{
    ui.Beep();
    ui.MsgBox(kRunningText, kRunningTitle, Icon::Exclamation);
    report.outcome = RunOutcome::Refused;
    report.message = kRunningText;
    report.ended = std::chrono::system_clock::now();
    history::RecordRun(store, report);
    return RunOutcome::Refused;
}

} // namespace

RunOutcome RunAndRecord(UiServices& ui, SettingsStore& store, RunReport& report,
    const char* trapTitle, const std::function<RunOutcome(RunIndicators&)>& run,
    bool settingsNeeded)
{
    report.started = std::chrono::system_clock::now();
    std::int64_t recorded = 0;
    RunIndicators indicators(ui);
    try {
        // Before the lock and the history, which would create the store's folder.
        if (settingsNeeded && RefuseNothingSetUp(ui, store))
            return RunOutcome::Refused;
        // Two runs at once would share one temporary tree and one archive name, or extract
        // into the folder an export writes.
        const std::unique_ptr<RunLock> lock = RunLock::TryTake(store.Path());
        if (!lock)
            return RefuseAsRunning(ui, store, report);
        recorded = history::BeginRun(store, report);
        report.outcome = run(indicators);
    } catch (const std::exception& e) {
        indicators.Finish();
        ShowTrap(ui, trapTitle, e.what());
        report.outcome = RunOutcome::Failed;
        report.message = e.what();
    }
    report.ended = std::chrono::system_clock::now();
    if (recorded != 0)
        history::EndRun(store, recorded, report);
    return report.outcome;
}

} // namespace vesko
