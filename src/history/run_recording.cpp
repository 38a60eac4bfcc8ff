#include "history/run_recording.h"

#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "platform/run_lock.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"

#include <chrono>
#include <exception>
#include <memory>

namespace vesko {

namespace {

// An import is told what it waits for in its own words.
const char* const kImportRunningTitle = "Import Running";
const char* const kImportRunningText
    = "An export or another import is running. Try the import again when it has ended.";

RunOutcome RefuseAsRunning(UiServices& ui, SettingsStore& store, RunReport& report)
{
    const bool import = report.kind == RunKind::Import;
    report.message = import ? kImportRunningText : kRunningText;
    ui.Beep();
    ui.MsgBox(report.message, import ? kImportRunningTitle : kRunningTitle, Icon::Exclamation);
    report.outcome = RunOutcome::Refused;
    report.ended = std::chrono::system_clock::now();
    history::RecordRun(store, report);
    return RunOutcome::Refused;
}

} // namespace

RunOutcome RunAndRecord(UiServices& ui, SettingsStore& store, RunReport& report,
    const char* trapTitle, const std::function<RunOutcome(RunIndicators&)>& run)
{
    report.started = std::chrono::system_clock::now();
    std::int64_t recorded = 0;
    RunIndicators indicators(ui);
    try {
        // Two runs at once would share one temporary tree and one archive name, or extract
        // into the folder an export writes.
        const std::unique_ptr<RunLock> lock = RunLock::TryTake(store.Path());
        if (!lock)
            return RefuseAsRunning(ui, store, report);
        recorded = history::BeginRun(store, report);
        report.id = recorded;
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
