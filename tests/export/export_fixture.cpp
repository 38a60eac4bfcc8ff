#include "export_fixture.h"

#include "platform/dates.h"
#include "platform/path_rules.h"
#include "settings/registry_settings.h"

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace vesko::test {

using Field = MainForm::Field;

ExportTest::ExportTest()
{
    MakeDirs(root / "work");
    form.SetDateText("06-15-2020");
}

void ExportTest::Apply(const ExportSettings& settings)
{
    const auto save = [&](const std::string& key, const std::string& value) {
        store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    };
    for (const auto& [key, value] : store.GetAllSettings(kSettingsApplication, kSettingsSection))
        if (key.rfind("SourceDir", 0) == 0)
            store.DeleteSetting(kSettingsApplication, kSettingsSection, key);
    save("ArcFolder", settings.archiveDir);
    save("ArjFolder", settings.arjFolder);
    save("DestinDir", settings.temp);
    save("DisksSpan", settings.span ? "yes" : "no");
    save("ExportArj", settings.name);
    for (std::size_t i = 0; i < settings.sources.size(); ++i)
        if (!settings.sources[i].empty())
            save("SourceDir" + std::to_string(i), settings.sources[i]);

    form.SetText(Field::txtArcFolder, settings.archiveDir);
    form.SetText(Field::txtArjFolder, settings.arjFolder);
    form.SetText(Field::txtDestinDir, settings.temp);
    form.SetText(Field::txtExportArj, settings.name);
    form.SetSpanValue(settings.span ? 1 : 0);
    form.SetSources(settings.sources);
}

std::string ExportTest::Put(const std::string& path, const std::string& bytes,
    std::chrono::system_clock::time_point modified)
{
    WriteFile(path, bytes);
    SetMTime(path, modified);
    return path;
}

bool ExportTest::Export()
{
    ui.Clear();
    return cmdExport_Click(host);
}

std::string ExportTest::LastExport()
{
    return store.GetSetting(kSettingsApplication, kSettingsSection, "LastExport");
}

std::string ExportTest::LogText() const
{
    return ::testing::PrintToString(ui.Log());
}

void ExportTest::ExpectIndicatorsOff() const
{
    EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
    EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
}

void ExportTest::ExpectArchiveHolds(
    const std::string& archive, const std::vector<std::string>& files)
{
    const std::string into = root / "extracted";
    std::filesystem::remove_all(into);
    MakeDirs(into);
    ASSERT_EQ(ExtractArchive(archive, into), 0) << archive;

    // The archive keeps the temporary tree by its full path without the leading '/'; the
    // tree mirrors each source file by its relative path.
    std::vector<std::string> expected;
    for (const std::string& file : files)
        expected.push_back(paths::RelativePath(temp + paths::RelativePath(file)));
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(ListFilesBelow(into), expected);

    for (const std::string& file : files) {
        const std::string copy = into + "/" + paths::RelativePath(temp + paths::RelativePath(file));
        EXPECT_TRUE(ReadFile(copy) == ReadFile(file)) << file; // no megabytes in the message
        EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(MTime(copy)),
            std::chrono::floor<std::chrono::seconds>(MTime(file)))
            << file;
    }
}

void ExportTest::WriteStandIn(const std::string& folder, const std::string& body)
{
    WriteFile(folder + "arj", "#!/bin/sh\n" + body + "\n");
    ::chmod((folder + "arj").c_str(), 0755);
}

std::chrono::system_clock::time_point ExportTest::Before()
{
    return LocalTime(2020, 6, 14, 23, 59, 59);
}

std::chrono::system_clock::time_point ExportTest::AtCutOff()
{
    return LocalTime(2020, 6, 15);
}

std::chrono::system_clock::time_point ExportTest::After()
{
    return LocalTime(2020, 6, 15, 0, 0, 1);
}

int ExtractArchive(const std::string& archive, const std::string& into)
{
    std::vector<std::string> args { "/usr/bin/arj", "x", "-v", "-y", archive, into + "/" };
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace vesko::test
