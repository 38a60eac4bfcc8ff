#include "export_fixture.h"

#include "platform/path_rules.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/child_process.h"

#include <filesystem>

namespace vesko::test {

using Field = MainForm::Field;

void ExportTest::Apply(const ExportSettings& settings)
{
    form.SetText(Field::txtArcFolder, settings.archiveDir);
    form.SetText(Field::txtArjFolder, settings.arjFolder);
    form.SetText(Field::txtDestinDir, settings.temp);
    form.SetText(Field::txtExportArj, settings.name);
    form.SetSpanValue(settings.span ? 1 : 0);
    form.SetSources(settings.sources);
    cmdApply_Click(host);
    // The refresh after Apply closes gaps in the list; the person may still press Export
    // with them.
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

void ExportTest::ExpectArchiveHolds(
    const std::string& archive, const std::vector<std::string>& files)
{
    const std::string into = root / "extracted";
    std::filesystem::remove_all(into);
    MakeDirs(into);
    ASSERT_EQ(RunChild({ "/usr/bin/arj", "x", "-v", "-y", archive, into + "/" }).status, 0)
        << archive;

    // The archive keeps the temporary tree by its full path without the leading '/'; the
    // tree mirrors each source file by its relative path.
    const auto inArchive = [&](const std::string& file) {
        return paths::RelativePath(temp + paths::RelativePath(file));
    };
    std::vector<std::string> expected;
    for (const std::string& file : files)
        expected.push_back(inArchive(file));
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(ListFilesBelow(into), expected);

    for (const std::string& file : files) {
        const std::string copy = into + "/" + inArchive(file);
        EXPECT_TRUE(ReadFile(copy) == ReadFile(file)) << file; // no megabytes in the message
        EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(MTime(copy)),
            std::chrono::floor<std::chrono::seconds>(MTime(file)))
            << file;
    }
}

} // namespace vesko::test
