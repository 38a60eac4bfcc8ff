// Exports over simulated days with a full export every few days and two chains kept: the
// real store, the real archiver, real files. The days pass by the clock given to the full
// export's decision, not by sleeping.
#include "care/chains.h"
#include "cli/cli_options.h"
#include "cli/history_command.h"
#include "core/requests.h"
#include "export/export_run.h"
#include "format/working_names.h"
#include "platform/dates.h"
#include "settings/stored_settings.h"
#include "storage/run_history.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Files = std::map<std::string, std::string>; // file name → content

struct Rhythm {
    std::string name;
    int fullEvery;
    int keepChains;
    int days;
    std::vector<bool> full; // which day's export is full
};

void PrintTo(const Rhythm& rhythm, std::ostream* os)
{
    *os << rhythm.name;
}

class Retention : public ::testing::TestWithParam<Rhythm> {
public:
    Retention()
    {
        settings = { arc, "/usr/bin/", temp, "", "", false, { src } };
        ApplySettings(store, settings);
        fs::create_directories(arc);
        // Not this program's: an archive the history never recorded, and one of a failed run.
        EXPECT_EQ(
            RunChild({ "/usr/bin/arj", "a", "-y", arc + "foreign.arj", "/etc/hostname" }).status,
            0);
        EXPECT_EQ(RunChild({ "/bin/cp", arc + "foreign.arj", arc + "failed.arj" }).status, 0);
        RunReport failed(RunKind::Export);
        failed.outcome = RunOutcome::Failed;
        failed.full = true;
        failed.archive = arc + "failed.arj";
        failed.volumes = { { failed.archive, fs::file_size(failed.archive) } };
        history::RecordRun(store, failed);
    }

    // One day: a file of its own and the shared one changed, then the export the day asks
    // for. Answers whether it was full.
    bool ExportOnDay(int day, const Rhythm& rhythm)
    {
        WriteFile(src + "/day" + std::to_string(day), "made on day " + std::to_string(day));
        WriteFile(src + "/shared", "as of day " + std::to_string(day));
        const TimePoint now = std::chrono::system_clock::now() + std::chrono::days(day);
        const bool full = history::FullExportDue(store, rhythm.fullEvery, now);
        // Since the start of the real day: every file written above changed after it.
        Settings forDay = settings;
        forDay.exportName = "day" + std::to_string(day);
        ExportRequest request = MakeExportRequest(
            forDay, full ? kEverythingDay : DateFieldText(std::chrono::system_clock::now()));
        request.keepChains = rhythm.keepChains;
        EXPECT_EQ(RunExport(request, ui, store).outcome, RunOutcome::Success);
        states.push_back(SourceFiles());
        // The run began on the simulated day.
        EXPECT_EQ(Sql(store.Path(),
                      "UPDATE history_runs SET started = started + "
                          + std::to_string(std::chrono::nanoseconds(std::chrono::days(day)).count())
                          + " WHERE id = (SELECT max(id) FROM history_runs)"),
            "");
        return full;
    }

    Files SourceFiles() const
    {
        Files files;
        for (const auto& entry : fs::directory_iterator(src))
            files[entry.path().filename()] = ReadFile(entry.path());
        return files;
    }

    // The archives of the chain extracted in order, later over earlier, by file name.
    Files Restored(const std::vector<int>& chain)
    {
        const std::string into = root / ("restored" + std::to_string(chain.front()));
        fs::create_directories(into);
        for (const int day : chain) {
            const std::string archive = arc + "day" + std::to_string(day) + ".arj";
            EXPECT_EQ(RunChild({ "/usr/bin/arj", "x", "-v", "-y", archive, into + "/" }).status, 0)
                << archive;
        }
        Files files;
        for (const std::string& path : ListFilesBelow(into))
            if (fs::path(path).filename() != kRunManifestName)
                files[fs::path(path).filename()] = ReadFile(into + "/" + path);
        return files;
    }

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    std::string src = root / "src", temp = root / "temp/", arc = root / "archive/";
    Settings settings;
    RecordingUi ui;
    std::vector<Files> states; // the source after each day's export
};

TEST_P(Retention, KeepsExactlyTheNewestChains)
{
    const Rhythm& rhythm = GetParam();
    std::vector<std::vector<int>> chains; // days, by chain
    for (int day = 0; day < rhythm.days; ++day) {
        SCOPED_TRACE("day " + std::to_string(day));
        const bool full = ExportOnDay(day, rhythm);
        ASSERT_EQ(full, rhythm.full[static_cast<std::size_t>(day)]);
        if (full || chains.empty())
            chains.emplace_back();
        chains.back().push_back(day);

        Strings expected = { "failed.arj", "foreign.arj" };
        const std::size_t kept = std::min<std::size_t>(chains.size(), rhythm.keepChains);
        for (std::size_t c = chains.size() - kept; c < chains.size(); ++c)
            for (const int d : chains[c])
                expected.push_back("day" + std::to_string(d) + ".arj");
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(ListFilesBelow(arc), expected);
    }
    const std::size_t kept = std::min<std::size_t>(chains.size(), rhythm.keepChains);
    for (std::size_t c = chains.size() - kept; c < chains.size(); ++c) {
        SCOPED_TRACE("chain from day " + std::to_string(chains[c].front()));
        EXPECT_EQ(Restored(chains[c]), states[static_cast<std::size_t>(chains[c].back())]);
    }

    std::ostringstream out, err;
    cli::CliOptions all;
    all.all = true;
    ASSERT_EQ(cli::ShowHistory(store, all, out, err), 0);
    const std::string listed = out.str();
    const std::size_t dropped = chains.size() - kept;
    std::size_t removedCount = 0;
    for (std::size_t c = 0; c < dropped; ++c)
        removedCount += chains[c].size();
    std::size_t marks = 0;
    for (std::size_t at = 0; (at = listed.find(".arj (removed)", at)) != std::string::npos; ++at)
        ++marks;
    EXPECT_EQ(marks, removedCount) << listed;
    const std::size_t day0 = listed.rfind("\n", listed.find("/day0.arj"));
    EXPECT_EQ(listed.substr(day0 + 1).find("full export"), 28u) << listed;
}

INSTANTIATE_TEST_SUITE_P(Days, Retention,
    ::testing::Values(Rhythm { "FullEveryThreeDaysKeepTwo", 3, 2, 8,
                          { true, false, false, true, false, false, true, false } },
        Rhythm { "FullEveryDayKeepOne", 1, 1, 3, { true, true, true } },
        Rhythm { "FullEveryWeekKeepOne", 7, 1, 4, { true, false, false, false } }),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vesko::test
