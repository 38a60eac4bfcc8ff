#pragma once

#include "export/export_run.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vesko::test {

// What the Settings tab holds for one export, stored as Apply would store it and put into
// the window's fields, so that the reload after a recorded export keeps it.
struct ExportSettings {
    std::vector<std::string> sources;
    std::string temp; // Temp Folder
    std::string archiveDir; // Archive folder
    std::string name = "backup";
    std::string arjFolder = "/usr/bin/";
    bool span = false;
};

// The recorded person, who may also act while a box is open (hook) or press Cancel.
class ScriptedUi : public RecordingUi {
public:
    std::function<void(const std::string& title)> whileBoxOpen;
    std::function<bool()> cancelWhen;

    bool ProgressPoll() override
    {
        const bool cancel = RecordingUi::ProgressPoll();
        return cancel || (cancelWhen && cancelWhen());
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
    ExportTest();

    void Apply(const ExportSettings& settings);
    // A file with its bytes and modification time.
    std::string Put(const std::string& path, const std::string& bytes,
        std::chrono::system_clock::time_point modified);
    // Presses Export; the log is cleared first.
    bool Export();
    std::string LastExport();
    // Every box and beep of the run, for messages of failed expectations.
    std::string LogText() const;
    // The busy pointer and the progress window are off once the run has ended.
    void ExpectIndicatorsOff() const;

    // The archive holds exactly these source files, byte for byte and with their
    // modification times (whole seconds, as the archive keeps them).
    void ExpectArchiveHolds(const std::string& archive, const std::vector<std::string>& files);

    // A shell script standing in for the archiver, "arj" in the given folder (ends with '/').
    void WriteStandIn(const std::string& folder, const std::string& body);

    // The cut-off: the start of 06-15-2020, local time.
    static std::chrono::system_clock::time_point Before(); // the last second before it
    static std::chrono::system_clock::time_point AtCutOff();
    static std::chrono::system_clock::time_point After(); // one second later

    TempDir root;
    ScopedEnv config { "XDG_CONFIG_HOME", root / "config" };
    SettingsStore store { root / "config/vesko-backup/settings.sqlite" };
    MemoryForm form;
    ScriptedUi ui;
    Host host { form, ui, store, nullptr };

    std::string src = root / "src";
    std::string temp = root / "work/temp/";
    std::string arc = root / "archive/";
    std::string Archive(const std::string& name = "backup") const { return arc + name + ".arj"; }
};

// Extracts an archive, following its volumes, with the real archiver; its exit status.
int ExtractArchive(const std::string& archive, const std::string& into);

} // namespace vesko::test
