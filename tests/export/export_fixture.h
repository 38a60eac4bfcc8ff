#pragma once

#include "export/export_run.h"
#include "platform/host.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/child_process.h"
#include "support/made_files.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <gmock/gmock.h>

namespace vesko::test {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The recorded person, who may also act while a box is open or press Cancel.
class ScriptedUi : public RecordingUi {
public:
    std::function<void(const std::string& title)> whileBoxOpen;
    std::function<bool()> cancelWhen;
    std::function<void()> afterEachFile;

    void ProgressCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes) override
    {
        RecordingUi::ProgressCounts(examined, copied, bytes);
        if (afterEachFile)
            afterEachFile();
    }

    bool ProgressPoll() override
    {
        return RecordingUi::ProgressPoll() || (cancelWhen && cancelWhen());
    }

protected:
    vesko::Answer ShowMessage(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons, const std::string& details) override
    {
        const vesko::Answer answer = RecordingUi::ShowMessage(text, title, icon, buttons, details);
        if (whileBoxOpen)
            whileBoxOpen(title);
        return answer;
    }
};

// One export end to end: a real tree, the real store, the real archiver; the person faked.
class ExportTest : public ::testing::Test {
protected:
    using Field = MainForm::Field;

    ExportTest()
    {
        MakeDirs(root / "work");
        form.SetDateText("06-15-2020");
    }

    // Types the settings into the window and presses Apply.
    void Apply(const std::vector<std::string>& sources, const std::string& tempFolder,
        const std::string& archiveFolder, const std::string& name = "backup",
        const std::string& arjFolder = "/usr/bin/", bool span = false)
    {
        form.SetText(Field::txtArcFolder, archiveFolder);
        form.SetText(Field::txtArjFolder, arjFolder);
        form.SetText(Field::txtDestinDir, tempFolder);
        form.SetText(Field::txtExportArj, name);
        form.SetSpanValue(span ? 1 : 0);
        form.SetSources(sources);
        cmdApply_Click(host);
        // The refresh after Apply closes gaps in the list; the person may still press Export
        // with them.
        form.SetSources(sources);
    }
    std::string Put(const std::string& path, const std::string& bytes,
        std::chrono::system_clock::time_point modified)
    {
        WriteFile(path, bytes);
        SetMTime(path, modified);
        return path;
    }
    // Presses Export; the log is cleared first. Whatever the road, the busy pointer and the
    // progress window are off when it ends.
    bool Export()
    {
        ui.Clear();
        const bool exported = cmdExport_Click(host) == RunOutcome::Success;
        EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
        EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
        return exported;
    }
    std::string LastExport()
    {
        return store.GetSetting(kSettingsApplication, kSettingsSection, "LastExport");
    }
    std::string LogText() const { return ::testing::PrintToString(ui.Log()); }

    // The archive holds exactly these source files, byte for byte and with their
    // modification times (whole seconds, as the archive keeps them).
    void ExpectArchiveHolds(const std::string& archive, const std::vector<std::string>& files)
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

    // Around the cut-off, the start of 06-15-2020 local time.
    const std::chrono::system_clock::time_point before = LocalTime(2020, 6, 14, 23, 59, 59);
    const std::chrono::system_clock::time_point cutOff = LocalTime(2020, 6, 15);
    const std::chrono::system_clock::time_point after = LocalTime(2020, 6, 15, 0, 0, 1);

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    MemoryForm form;
    ScriptedUi ui;
    Host host { form, ui, store, nullptr };

    std::string src = root / "src";
    std::string temp = root / "work/temp/";
    std::string arc = root / "archive/";
    std::string Archive() const { return arc + "backup.arj"; }
};

} // namespace vesko::test
