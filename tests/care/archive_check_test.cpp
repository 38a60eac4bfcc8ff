// Archives checked again long after they were written: a good one, and each way one goes bad,
// named with the right exit status and recorded.
#include "care/archive_check.h"
#include "cli/check_command.h"
#include "cli/cli_options.h"
#include "core/requests.h"
#include "export/export_run.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/made_files.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;

struct Harm {
    std::string name;
    std::function<void(const std::string& archive)> harm; // given the first volume
    int status;
    CheckVerdict verdict;
};

void PrintTo(const Harm& harm, std::ostream* os)
{
    *os << harm.name;
}

std::string SecondVolume(const std::string& archive)
{
    return archive.substr(0, archive.size() - 3) + "a01";
}

class ArchiveCheckRows : public ::testing::TestWithParam<Harm> {
public:
    // A spanned archive of two volumes, written and verified by an export.
    ArchiveCheckRows()
    {
        WriteFile(src + "/random", RandomBytes(2'000'000, 7));
        WriteFile(src + "/note", "a note\n");
        const Settings settings { arc, "/usr/bin/", temp, "kept", "", true, { src } };
        ApplySettings(store, settings);
        EXPECT_EQ(RunExport(MakeExportRequest(settings, kEverythingDay), ui, store).outcome,
            RunOutcome::Success);
    }

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    std::string src = root / "src", temp = root / "temp/", arc = root / "archive/";
    std::string archive = arc + "kept.arj";
    RecordingUi ui;
};

TEST_P(ArchiveCheckRows, NamesWhatDoesNotHold)
{
    const Harm& row = GetParam();
    ASSERT_TRUE(fs::exists(SecondVolume(archive))) << "the archive was not spanned";
    row.harm(archive);

    std::ostringstream out, err;
    const int status = cli::CheckArchives(store, cli::CliOptions {}, out, err);

    EXPECT_EQ(status, row.status) << err.str();
    EXPECT_NE(
        out.str().find(std::string(VerdictName(row.verdict)) + "  " + archive), std::string::npos)
        << out.str();
    EXPECT_EQ(err.str().find(archive) != std::string::npos, row.status != 0) << err.str();
    const auto checks = LastChecks(store);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks.begin()->second.verdict, row.verdict);
    EXPECT_EQ(checks.begin()->second.archive, archive);
}

INSTANTIATE_TEST_SUITE_P(Archives, ArchiveCheckRows,
    ::testing::Values(Harm { "Good", [](const std::string&) {}, 0, CheckVerdict::Holds },
        Harm { "TruncatedVolume",
            [](const std::string& a) {
                fs::resize_file(SecondVolume(a), fs::file_size(SecondVolume(a)) - 100);
            },
            1, CheckVerdict::Changed },
        Harm { "FlippedByte",
            [](const std::string& a) {
                std::fstream file(a, std::ios::in | std::ios::out | std::ios::binary);
                file.seekg(700'000);
                const char byte = static_cast<char>(file.get() ^ 0x01);
                file.seekp(700'000);
                file.put(byte);
            },
            1, CheckVerdict::Damaged },
        Harm { "MissingVolume", [](const std::string& a) { fs::remove(SecondVolume(a)); }, 1,
            CheckVerdict::Missing },
        Harm { "RenamedArchive",
            [](const std::string& a) { fs::rename(a, a.substr(0, a.size() - 8) + "other.arj"); }, 1,
            CheckVerdict::Missing }),
    [](const auto& info) { return info.param.name; });

// A run named that has no archive is said, and fails the check.
TEST(ArchiveCheck, RefusesARunWithoutArchive)
{
    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    cli::CliOptions options;
    options.runs = { 7 };
    std::ostringstream out, err;
    EXPECT_EQ(cli::CheckArchives(store, options, out, err), 1);
    EXPECT_EQ(err.str(), "Run 7 has no archive to check.\n");
}

} // namespace
} // namespace vesko::test
