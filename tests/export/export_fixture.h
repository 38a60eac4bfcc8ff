#pragma once

#include "export/export_run.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "support/made_files.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <chrono>
#include <functional>
#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace vesko::test {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// What the Settings tab holds for one export.
struct ExportSettings {
    std::vector<std::string> sources;
    std::string temp; // Temp Folder
    std::string archiveDir; // Archive folder
    std::string name = "backup";
    std::string arjFolder = "/usr/bin/";
    bool span = false;
};

// The recorded person, who may also act while a box is open or press Cancel.
class ScriptedUi : public RecordingUi {
public:
    std::function<void(const std::string& title)> whileBoxOpen;
    std::function<bool()> cancelWhen;

    bool ProgressPoll() override
    {
        return RecordingUi::ProgressPoll() || (cancelWhen && cancelWhen());
    }

protected:
    vesko::Answer ShowMessage(
        const std::string& text, const std::string& title, Icon icon, Buttons buttons) override
    {
        const vesko::Answer answer = RecordingUi::ShowMessage(text, title, icon, buttons);
        if (whileBoxOpen)
            whileBoxOpen(title);
        return answer;
    }
};

// One export end to end: a real tree, the real store, the real archiver; the person faked.
class ExportTest : public ::testing::Test {
protected:
    ExportTest()
    {
        MakeDirs(root / "work");
        form.SetDateText("06-15-2020");
    }

    // Types the settings into the window and presses Apply.
    void Apply(const ExportSettings& settings);
    std::string Put(const std::string& path, const std::string& bytes,
        std::chrono::system_clock::time_point modified);
    // Presses Export; the log is cleared first.
    bool Export();
    std::string LastExport();
    std::string LogText() const { return ::testing::PrintToString(ui.Log()); }
    void ExpectIndicatorsOff() const
    {
        EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
        EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
    }
    // The archive holds exactly these source files, byte for byte and with their
    // modification times (whole seconds, as the archive keeps them).
    void ExpectArchiveHolds(const std::string& archive, const std::vector<std::string>& files);

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
