// The run history in a real settings file: what a run records comes back whole, only the
// last thousand runs are kept, and a file it cannot write changes nothing.
#include "history/run_history.h"
#include "history/run_records.h"
#include "platform/settings_backing.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace vesko::test {
namespace {

class RunHistory : public ::testing::Test {
protected:
    std::int64_t Record(const RunReport& report)
    {
        const std::int64_t id = history::BeginRun(store, report);
        history::EndRun(store, id, report);
        return id;
    }
    // Straight SQL on the file, for what the history does not read itself: the first
    // column of the first row, -1 when there is none.
    std::int64_t Sql(const std::string& sql)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(store.Path().c_str(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        std::int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }

    TempDir root;
    SettingsStore store { root / "config/settings.sqlite" };
};

TEST_F(RunHistory, KeepsEveryFieldAndTheLastThousandRuns)
{
    const TimePoint t0 = std::chrono::system_clock::from_time_t(1765000000);
    RunReport full(RunKind::Export);
    full.started = t0;
    full.ended = t0 + std::chrono::seconds(90);
    full.outcome = RunOutcome::Incomplete;
    full.cutOffDay = "12-01-2025";
    full.files = 2;
    full.bytes = 5'000'000'000;
    full.archive = "/arc/nightly.arj";
    full.volumes = { { "/arc/nightly.arj", 1457664 }, { "/arc/nightly.a01", 12 } };
    full.archiverStatus = 0;
    full.archived
        = { { "only in the first\xff", 7, t0 - std::chrono::nanoseconds(1) }, { "shared", 0, t0 } };
    full.leftOut = { { "/src/secret", "Permission denied" } };
    full.message = "Backup Incomplete";
    ASSERT_EQ(Record(full), 1);

    const auto first = history::ReadRun(store, 1);
    ASSERT_TRUE(first);
    const RunReport& r = first->report;
    EXPECT_EQ(r.kind, RunKind::Export);
    EXPECT_EQ(r.outcome, RunOutcome::Incomplete);
    EXPECT_EQ(r.started, full.started);
    EXPECT_EQ(r.ended, full.ended);
    EXPECT_EQ(r.cutOffDay, full.cutOffDay);
    EXPECT_EQ(r.files, full.files);
    EXPECT_EQ(r.bytes, full.bytes);
    EXPECT_EQ(r.archive, full.archive);
    ASSERT_EQ(r.volumes.size(), 2u);
    EXPECT_EQ(r.volumes[1].path, "/arc/nightly.a01");
    EXPECT_EQ(r.volumes[1].size, 12u);
    EXPECT_EQ(r.archiverStatus, 0);
    ASSERT_EQ(r.leftOut.size(), 1u);
    EXPECT_EQ(r.leftOut[0].reason, "Permission denied");
    EXPECT_EQ(r.message, full.message);
    EXPECT_EQ(first->archivedCount, 2u);
    const std::vector<ArchivedFile> archived = history::ArchivedFiles(store, 1);
    ASSERT_EQ(archived.size(), 2u);
    EXPECT_EQ(archived[0].path, full.archived[0].path);
    EXPECT_EQ(archived[0].size, 7u);
    EXPECT_EQ(archived[0].modified, full.archived[0].modified);

    // 998 more, the way a thousand nights would leave them, then one through the history
    // naming "shared" again: the thousand fit.
    ASSERT_EQ(Sql("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < "
                  "999) INSERT INTO history_runs (kind, outcome, started, ended, cut_off_day, "
                  "files, bytes, archive, message) SELECT 'import', 'success', i, i, '', 0, 0, "
                  "'', '' FROM n"),
        -1);
    RunReport later(RunKind::Export);
    later.outcome = RunOutcome::Success;
    later.archived = { { "shared", 1, t0 } };
    ASSERT_EQ(Record(later), 1000);
    EXPECT_EQ(history::ListRuns(store).size(), 1000u);
    EXPECT_EQ(history::FindArchived(store, "only in").size(), 1u);

    // The next drops the first with its lists; the path only it named goes with it.
    RunReport unfinished(RunKind::Import);
    ASSERT_EQ(history::BeginRun(store, unfinished), 1001);
    const std::vector<history::RecordedRun> runs = history::ListRuns(store);
    ASSERT_EQ(runs.size(), 1000u);
    EXPECT_EQ(runs.front().id, 1001);
    EXPECT_EQ(runs.front().report.outcome, RunOutcome::Unfinished);
    EXPECT_EQ(runs.back().id, 2);
    EXPECT_FALSE(history::ReadRun(store, 1));
    EXPECT_TRUE(history::FindArchived(store, "only in").empty());
    const std::vector<history::FoundFile> shared = history::FindArchived(store, "shared");
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].run, 1000);
    for (const char* table : { "history_archived", "history_volumes", "history_left_out" })
        EXPECT_EQ(Sql(std::string("SELECT count(*) FROM ") + table + " WHERE run = 1"), 0) << table;
    EXPECT_EQ(Sql("SELECT count(*) FROM history_paths"), 1);
}

TEST_F(RunHistory, AFileItCannotWriteIsLeftAloneAndTheRunGoesOn)
{
    WriteFile(store.Path(), "not a database, but somebody's file");
    RunReport report(RunKind::Export);
    EXPECT_EQ(history::BeginRun(store, report), 0);
    EXPECT_NO_THROW(history::EndRun(store, 1, report));
    EXPECT_EQ(ReadFile(store.Path()), "not a database, but somebody's file");
}

} // namespace
} // namespace vesko::test
