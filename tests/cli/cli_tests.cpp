// The program itself, run unattended as cron or a timer runs it: no display, a settings
// store of its own, the real archiver.
#include "platform/dates.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/temp_dir.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace vesko::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

::testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" lacks \"" << part << "\"";
}

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

    void StoreDefaults()
    {
        StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
            { "ExportArj", "nightly" }, { "ImportArj", "absent" }, { "DisksSpan", "no" },
            { "SourceDir0", src } });
    }

    // Runs the program with the arguments, without a display, on the temporary store.
    Outcome Program(const std::vector<std::string>& args)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0
                && entry.rfind("XDG_CONFIG_HOME=", 0) != 0
                && entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
                env.push_back(entry);
        }
        env.push_back("XDG_CONFIG_HOME=" + configHome);

        std::vector<std::string> argv = { VESKO_PROGRAM_PATH };
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv, cenv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        for (auto& e : env)
            cenv.push_back(e.data());
        cenv.push_back(nullptr);

        const std::string outPath = tmp / "stdout", errPath = tmp / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(
            &actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(
            &actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        Outcome run;
        const int rc
            = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, cargv.data(), cenv.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
            return run;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFile(outPath);
        run.err = ReadFile(errPath);
        return run;
    }

    TempDir tmp;
    std::string configHome = tmp / "config";
    std::string src = tmp / "source";
    std::string arc = tmp / "archive/";
    std::string temp = tmp / "temp/";
};

TEST_F(CommandLine, ExportThenImportSucceed)
{
    WriteFile(src + "/Makefile", "all:\n");
    WriteFile(src + "/docs/read me.txt", "text\n");
    WriteFile(src + "/old.txt", "left out\n");
    SetMTime(src + "/Makefile", LocalTime(2022, 5, 6, 7, 8, 9));
    SetMTime(src + "/docs/read me.txt", LocalTime(2022, 5, 6, 7, 8, 9));
    SetMTime(src + "/old.txt", LocalTime(1999, 5, 6));
    StoreDefaults();

    const Outcome exported = Program({ "export", "--since", "01-01-2001" });
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(Contains(exported.err, "Vesko Backup: Backup completed successfully.\n"));
    EXPECT_TRUE(Contains(exported.err, "Zeltan's Vesko Backup: Cleanup operation completed.\n"));
    EXPECT_FALSE(exported.out.empty()); // the archiver's own lines
    EXPECT_TRUE(fs::exists(arc + "nightly.arj"));
    EXPECT_FALSE(fs::exists(temp)); // the cleanup question was answered Yes
    EXPECT_NE(Stored("LastExport"), "");

    // The stored Import Name is wrong; the given one replaces it for this run.
    const Outcome refused = Program({ "import" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
        "Archive Not Found: The archive file can't be found. Check to make "
        "sure the file exists and the path is correct in the settings "
        "section.\n");

    const Outcome imported = Program({ "import", "--name", "nightly" });
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_TRUE(Contains(imported.err, "Archive Import: "));
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src);
    EXPECT_EQ(ReadFile(restored + "/Makefile"), "all:\n");
    EXPECT_EQ(ReadFile(restored + "/docs/read me.txt"), "text\n");
    EXPECT_FALSE(fs::exists(restored + "/old.txt"));
    EXPECT_NE(Stored("LastImport"), "");
}

TEST_F(CommandLine, SinceLastTakesTheWholeDayAndKeepTempKeepsTheTree)
{
    WriteFile(src + "/same day.txt", "in\n");
    WriteFile(src + "/day before.txt", "out\n");
    SetMTime(src + "/same day.txt", LocalTime(2021, 6, 15, 9, 0, 0));
    SetMTime(src + "/day before.txt", LocalTime(2021, 6, 14, 23, 0, 0));
    StoreDefaults();

    const Outcome none = Program({ "export", "--since", "last" });
    EXPECT_EQ(none.status, 2); // no export recorded yet
    EXPECT_TRUE(Contains(none.err, "Usage:"));

    StoreSettings({ { "LastExport", StoredDateText(LocalTime(2021, 6, 15, 18, 0, 0)) } });
    const Outcome run = Program({ "export", "--since", "last", "--keep-temp" });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "Cleanup Cancelled: Cleanup operation cancelled.  Make "));
    const std::string mirror = temp + paths::RelativePath(src);
    EXPECT_TRUE(fs::exists(mirror + "/same day.txt"));
    EXPECT_FALSE(fs::exists(mirror + "/day before.txt"));
}

TEST_F(CommandLine, ExistingArchiveFailsTheExport)
{
    WriteFile(src + "/file.txt", "x\n");
    SetMTime(src + "/file.txt", LocalTime(2022, 1, 1, 12));
    WriteFile(arc + "nightly.arj", "an older archive");
    StoreDefaults();

    const Outcome run = Program({ "export", "--since", "01-01-2001" });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err,
        "Archive Exists: An archive of the same name already exists!  "
        "Remove or rename the file and try again.\n"));
    EXPECT_EQ(ReadFile(arc + "nightly.arj"), "an older archive");
    EXPECT_EQ(Stored("LastExport"), "");
}

TEST_F(CommandLine, UsageHelpAndVersion)
{
    for (const std::vector<std::string>& args : { std::vector<std::string> { "export", "--bogus" },
             { "restore" }, { "export", "--since", "13-01-2022" }, { "import", "--name" } }) {
        const Outcome run = Program(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_TRUE(Contains(run.err, "Usage: vesko-backup")) << args.back();
        EXPECT_EQ(run.out, "");
    }
    const Outcome help = Program({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, "export [--since MM-DD-YYYY | --since last] [--keep-temp]"));
    const Outcome version = Program({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vesko-backup ") + VESKO_VERSION + "\n");
    EXPECT_FALSE(fs::exists(configHome)); // nothing was stored
}

} // namespace
} // namespace vesko::test
