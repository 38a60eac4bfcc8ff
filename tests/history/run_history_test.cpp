// The run history in a real settings file, read back as the history command shows it: what
// a run records comes back whole, only the last thousand runs are kept, and a file it cannot
// write changes nothing.
#include "cli/cli_options.h"
#include "cli/history_command.h"
#include "platform/dates.h"
#include "storage/run_history.h"
#include "storage/run_records.h"
#include "storage/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>

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
    // What "vesko-backup history ARGS" prints, standard error after a '#', and its status.
    std::string Show(const std::vector<std::string>& args)
    {
        std::vector<std::string> line = { "history" };
        line.insert(line.end(), args.begin(), args.end());
        cli::CliOptions options;
        std::string error;
        EXPECT_TRUE(cli::ParseCommandLine(line, options, error)) << error;
        std::ostringstream out, err;
        const int status = cli::ShowHistory(store, options, out, err);
        return out.str() + "#" + err.str() + std::to_string(status);
    }

    TempDir root;
    SettingsStore store { root / "config/settings.sqlite" };
    const TimePoint t0 = std::chrono::system_clock::from_time_t(1765000000);
    const std::string at = StoredDateText(t0), end = StoredDateText(t0 + std::chrono::seconds(90));
};

TEST_F(RunHistory, ShowsEveryFieldOfEachRun)
{
    // A store of settings alone holds no history yet.
    store.SaveSetting("app", "section", "key", "value");
    EXPECT_EQ(Show({}), "#No export or import has been recorded yet.\n1");
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
    full.archived = { { "only in the first\xff", 1023, t0 }, { "shared", 1024, t0 } };
    full.leftOut = { { "/src/secret", "Permission denied" }, { "/src/huge", "4 GiB or larger" } };
    full.message = "Backup Incomplete\r\rtwo lines\nthree";
    ASSERT_EQ(Record(full), 1);
    RunReport import(RunKind::Import);
    import.started = import.ended = t0;
    import.outcome = RunOutcome::Refused;
    import.files = 1;
    import.bytes = 1;
    ASSERT_EQ(Record(import), 2);
    import.bytes = 1ull << 60;
    import.archiverStatus = 3;
    ASSERT_EQ(history::BeginRun(store, import), 3);

    EXPECT_EQ(Show({ "1" }),
        "Run:             1\nKind:            export\nOutcome:         incomplete\n"
        "Started:         "
            + at + "\nEnded:           " + end
            + "\nCut-off day:     12-01-2025\n"
              "Files copied:    2 (4.7 GB)\nArchive:         /arc/nightly.arj\n"
              "Volume:          /arc/nightly.arj (1457664 bytes)\nVolume:          "
              "/arc/nightly.a01 (12 bytes)\n"
              "Archiver status: 0\nMessage:         Backup Incomplete  two lines three\n"
              "Archived:        2 files\nLeft out:        2 files\n  /src/secret  (Permission "
              "denied)\n"
              "  /src/huge  (4 GiB or larger)\nArchived files:\n"
              "  "
            + at + "          1023  only in the first\xff\n  " + at + "          1024  shared\n#0");
    EXPECT_EQ(Show({}),
        "  RUN  STARTED              KIND                OUTCOME         FILES        SIZE  "
        "ARCHIVE\n"
        "    3  "
            + at
            + "  import              unfinished          0     0 bytes  -\n"
              "    2  "
            + at
            + "  import              refused             1      1 byte  -\n"
              "    1  "
            + at + "  incremental export  incomplete          2      4.7 GB  /arc/nightly.arj\n#0");
    EXPECT_EQ(Show({ "--find", "first\xff" }),
        at + "  run 1  /arc/nightly.arj  only in the first\xff  (1023 bytes, modified " + at
            + ")\n#0");
    EXPECT_EQ(Show({ "4" }), "#No run 4 is recorded; vesko-backup history lists them.\n1");
}

TEST_F(RunHistory, KeepsTheLastThousandRuns)
{
    RunReport first(RunKind::Export);
    first.outcome = RunOutcome::Success;
    first.archived = { { "only in the first", 7, t0 }, { "shared", 0, t0 } };
    first.leftOut = { { "/src/secret", "Permission denied" } };
    first.volumes = { { "/arc/nightly.arj", 1 } };
    ASSERT_EQ(Record(first), 1);
    // 998 more, the way a thousand nights would leave them, then one through the history
    // naming "shared" again: the thousand fit.
    ASSERT_EQ(Sql(store.Path(),
                  "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < "
                  "999) INSERT INTO history_runs (kind, outcome, started, ended, cut_off_day, "
                  "files, bytes, archive, message) SELECT 'import', 'success', i, i, '', 0, 0, "
                  "'', '' FROM n"),
        "");
    RunReport later(RunKind::Export);
    later.archived = { { "shared", 1, t0 } };
    ASSERT_EQ(Record(later), 1000);
    const std::string shown = Show({});
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 22) << shown;
    EXPECT_TRUE(shown.ends_with(
        "\n#20 of 1000 recorded runs shown; vesko-backup history --all lists every one.\n0"));

    // The next drops the first with its lists; the path only it named goes with it.
    ASSERT_EQ(history::BeginRun(store, RunReport(RunKind::Import)), 1001);
    const std::vector<history::RecordedRun> runs = history::ListRuns(store);
    ASSERT_EQ(runs.size(), 1000u);
    EXPECT_EQ(runs.front().id, 1001);
    EXPECT_EQ(runs.back().id, 2);
    history::EndRun(store, 1, first); // ended late: its lists belong to no run
    EXPECT_TRUE(history::FindArchived(store, "only in").empty());
    const std::vector<history::FoundFile> shared = history::FindArchived(store, "shared");
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].run, 1000);
    for (const char* table : { "history_archived", "history_volumes", "history_left_out" })
        EXPECT_EQ(
            Sql(store.Path(), std::string("SELECT count(*) FROM ") + table + " WHERE run = 1"),
            "0\n")
            << table;
    EXPECT_EQ(Sql(store.Path(), "SELECT count(*) FROM history_paths"), "1\n");
}

} // namespace
} // namespace vesko::test
