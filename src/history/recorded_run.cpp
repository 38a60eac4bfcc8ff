#include "history/recorded_run.h"

#include "platform/host.h"
#include "platform/run_indicators.h"
#include "platform/run_lock.h"
#include "platform/ui_services.h"
#include "settings/nothing_set_up.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"

#include <chrono>
#include <exception>
#include <memory>

namespace vesko {

RunOutcome RecordedRun(Host& host, RunReport& report, const char* trapTitle,
    const std::function<RunOutcome(RunIndicators&)>& run)
{
    report.started = std::chrono::system_clock::now();
    std::int64_t recorded = 0;
    RunIndicators indicators(host.ui);
    try {
        // Before the lock and the history, which would create the store's folder.
        if (RefuseNothingSetUp(host))
            return RunOutcome::Refused;
        // Two runs at once would share one temporary tree and one archive name, or extract
        // into the folder an export writes.
        const std::unique_ptr<RunLock> lock = RunLock::TryTake(host.store.Path());
        if (!lock) {
            host.ui.Beep();
            host.ui.MsgBox(kRunningText, kRunningTitle, Icon::Exclamation);
            report.outcome = RunOutcome::Refused;
            report.message = kRunningText;
            report.ended = std::chrono::system_clock::now();
            history::RecordRun(host.store, report);
            return RunOutcome::Refused;
        }
        recorded = history::BeginRun(host.store, report);
        report.outcome = run(indicators);
    } catch (const std::exception& e) {
        indicators.Finish();
        ShowTrap(host.ui, trapTitle, e.what());
        report.outcome = RunOutcome::Failed;
        report.message = e.what();
    }
    report.ended = std::chrono::system_clock::now();
    if (recorded != 0)
        history::EndRun(host.store, recorded, report);
    return report.outcome;
}

} // namespace vesko
