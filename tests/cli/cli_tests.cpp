// The program itself, run unattended as cron or a timer runs it: no display, a settings
// store of its own, the real archiver.
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <map>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class CommandLine : public ::testing::Test {
protected:
    // Writes the settings with the store's own code, into the store the program will read.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        ScopedEnv config("XDG_CONFIG_HOME", configHome);
        SettingsStore store;
        for (const auto& [key, value] : settings)
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    }

    std::string Stored(const std::string& key)
    {
        ScopedEnv config("XDG_CONFIG_HOME", configHome);
        return SettingsStore().GetSetting(kSettingsApplication, kSettingsSection, key);
    }

    // Runs the program with the arguments, without a display, on the temporary store.
    ChildRun Program(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = { "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
            "-u", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME=" + configHome, VESKO_PROGRAM_PATH };
        argv.insert(argv.end(), args.begin(), args.end());
        return RunChild(argv);
    }

    TempDir tmp;
    std::string configHome = tmp / "config";
    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "temp/";
};

TEST_F(CommandLine, ExportImportAndSinceLast)
{
    const auto put = [&](const std::string& name, const std::string& bytes, TimePoint when) {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, when);
    };
    put("Makefile", "all:\n", LocalTime(2022, 5, 6, 7, 8, 9));
    put("docs/read me.txt", "text\n", LocalTime(2022, 5, 6, 7, 8, 9));
    put("old.txt", "left out\n", LocalTime(1999, 5, 6));
    put("same day.txt", "in\n", LocalTime(2021, 6, 15, 9));
    put("day before.txt", "out\n", LocalTime(2021, 6, 14, 23));
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
        { "ExportArj", "nightly" }, { "ImportArj", "absent" }, { "DisksSpan", "no" },
        { "SourceDir0", src } });

    const ChildRun exported = Program({ "export", "--since", "01-01-2001" });
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_THAT(exported.err, HasSubstr("Vesko Backup: Backup completed successfully.\n"));
    EXPECT_THAT(exported.err, HasSubstr("Zeltan's Vesko Backup: Cleanup operation completed.\n"));
    EXPECT_FALSE(exported.out.empty()); // the archiver's own lines
    EXPECT_FALSE(fs::exists(temp)); // the cleanup question was answered Yes
    const std::string lastExport = Stored("LastExport");
    EXPECT_NE(lastExport, "");
    const std::string archive = ReadFile(arc + "nightly.arj");

    const ChildRun again = Program({ "export", "--since", "01-01-2001" });
    EXPECT_EQ(again.status, 1);
    EXPECT_THAT(again.err,
        HasSubstr("Archive Exists: An archive of the same name already exists!  "
                  "Remove or rename the file and try again.\n"));
    EXPECT_TRUE(ReadFile(arc + "nightly.arj") == archive);
    EXPECT_EQ(Stored("LastExport"), lastExport);

    // The stored Import Name is wrong; the given one replaces it for this run.
    const ChildRun refused = Program({ "import" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
        "Archive Not Found: The archive file can't be found. Check to make "
        "sure the file exists and the path is correct in the settings section.\n");

    const ChildRun imported = Program({ "import", "--name", "nightly" });
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.err, HasSubstr("Archive Import: "));
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src);
    EXPECT_EQ(ReadFile(restored + "/Makefile"), "all:\n");
    EXPECT_EQ(ReadFile(restored + "/docs/read me.txt"), "text\n");
    EXPECT_FALSE(fs::exists(restored + "/old.txt"));
    EXPECT_NE(Stored("LastImport"), "");

    // --since last takes the whole day of the last export; --keep-temp keeps the tree.
    fs::remove(arc + "nightly.arj");
    StoreSettings({ { "LastExport", StoredDateText(LocalTime(2021, 6, 15, 18)) } });
    const ChildRun run = Program({ "export", "--since", "last", "--keep-temp" });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Cleanup Cancelled: Cleanup operation cancelled.  Make "));
    const std::string mirror = temp + paths::RelativePath(src);
    EXPECT_TRUE(fs::exists(mirror + "/same day.txt"));
    EXPECT_FALSE(fs::exists(mirror + "/day before.txt"));
}

TEST_F(CommandLine, UsageHelpAndVersion)
{
    for (const std::vector<std::string>& args : { std::vector<std::string> { "export", "--bogus" },
             { "restore" }, { "export", "--since", "13-01-2022" }, { "import", "--name" },
             { "export", "--since", "last" } }) { // the last: no export recorded yet
        const ChildRun run = Program(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_THAT(run.err, HasSubstr("Usage: vesko-backup")) << args.back();
        EXPECT_EQ(run.out, "");
    }
    const ChildRun help = Program({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("export [--since MM-DD-YYYY | --since last] [--keep-temp]"));
    const ChildRun version = Program({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vesko-backup ") + VESKO_VERSION + "\n");
    EXPECT_FALSE(fs::exists(configHome)); // nothing was stored
}

} // namespace
} // namespace vesko::test
