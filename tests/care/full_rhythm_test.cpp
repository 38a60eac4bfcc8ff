// The window's export since the last one turns full once the stored FullEvery days have
// passed since the last full export began; any other day stays as the person set it.
#include "care/care_settings.h"
#include "care/chains.h"
#include "care/full_rhythm.h"
#include "core/requests.h"
#include "settings/stored_settings.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vesko::test {
namespace {

TEST(FullRhythm, WindowDayTurnsFullWhenDue)
{
    const TimePoint lastFull = LocalTime(2026, 3, 1, 9);
    const TimePoint lastExport = LocalTime(2026, 3, 4, 22);
    struct Row {
        std::string name;
        int fullEvery;
        std::string day;
        TimePoint now;
        std::string expected;
        std::string lastExportKey = kLastExportCopyStartKey;
    } rows[] = {
        { "not set", 0, "03-04-2026", LocalTime(2026, 5, 1), "03-04-2026" },
        { "due", 7, "03-04-2026", LocalTime(2026, 3, 8, 12), kEverythingDay },
        { "due, in a store that kept only the archiving's start", 7, "03-04-2026",
            LocalTime(2026, 3, 8, 12), kEverythingDay, "LastExport" },
        { "not yet due", 7, "03-04-2026", LocalTime(2026, 3, 8, 6), "03-04-2026" },
        { "another day than the last export's", 7, "03-03-2026", LocalTime(2026, 5, 1),
            "03-03-2026" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir root;
        ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
        SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
        RunReport full(RunKind::Export);
        full.outcome = RunOutcome::Success;
        full.full = true;
        full.started = lastFull;
        history::RecordRun(store, full);
        SaveSetting(store, row.lastExportKey, StoredDateText(lastExport));
        if (row.fullEvery > 0)
            SaveCareSettings(store, { row.fullEvery, 0 });
        EXPECT_EQ(WindowCutOffDay(store, row.day, row.now), row.expected);
    }
}

// Only a successful full export starts a chain: an incomplete one left out files that an older
// archive may hold.
TEST(FullRhythm, ChainsStartAtSuccessfulFullExports)
{
    using A = history::KnownArchive;
    const auto archive = [](std::int64_t run, bool full, RunOutcome outcome) {
        A a;
        a.run = run;
        a.full = full;
        a.outcome = outcome;
        return a;
    };
    const std::vector<A> archives
        = { archive(1, false, RunOutcome::Success), archive(2, true, RunOutcome::Success),
              archive(3, false, RunOutcome::Incomplete), archive(4, true, RunOutcome::Incomplete),
              archive(5, true, RunOutcome::Success), archive(6, false, RunOutcome::Success) };
    std::vector<std::vector<std::int64_t>> runs;
    for (const std::vector<A>& chain : history::Chains(archives)) {
        runs.emplace_back();
        for (const A& a : chain)
            runs.back().push_back(a.run);
    }
    EXPECT_EQ(runs, (std::vector<std::vector<std::int64_t>> { { 1 }, { 2, 3, 4 }, { 5, 6 } }));
}

} // namespace
} // namespace vesko::test
