#pragma once

#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vesko::test
{

using Lines = std::vector<std::string>;

inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" lacks \"" << part << "\"";
}

inline ::testing::AssertionResult BeginsWith(const std::string& text, const std::string& part)
{
    if (text.rfind(part, 0) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "\"" << text << "\" does not begin with \"" << part << "\"";
}

// A settings store of its own, the in-memory window and the recorded person.
class ImportTest : public ::testing::Test
{
protected:
    using Field = MainForm::Field;

    // Writes the settings and loads them into the window, as a start-up does.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        for (const auto& [key, value] : settings)
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
        RefreshLabels(host);
        ui.Clear();
    }

    std::string Stored(const std::string& key)
    {
        return store.GetSetting(kSettingsApplication, kSettingsSection, key);
    }

    // A stand-in archiver in a folder whose name holds a space: it notes its arguments, one
    // a line, prints one line and exits with the given status. Returns the folder with '/'.
    std::string FakeArchiver(int status)
    {
        const std::string folder = tmp / "fake arj/";
        WriteFile(folder + "arj",
            "#!/bin/sh\n"
            "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
            "echo 'fake archiver output'\n"
            "exit "
                + std::to_string(status) + "\n");
        std::filesystem::permissions(folder + "arj", std::filesystem::perms::owner_all);
        return folder;
    }

    // The arguments the stand-in was given; empty when it never ran.
    std::vector<std::string> FakeArgs()
    {
        std::vector<std::string> args;
        if (!std::filesystem::exists(tmp / "fake arj/args"))
            return args;
        std::istringstream in(ReadFile(tmp / "fake arj/args"));
        for (std::string line; std::getline(in, line);)
            args.push_back(line);
        return args;
    }

    void SetImport(const std::string& folder, const std::string& name)
    {
        form.SetText(Field::txtImportFolder, folder);
        form.SetText(Field::txtImportName, name);
    }

    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    MemoryForm form;
    RecordingUi ui;
    Host host { form, ui, store };
};

} // namespace vesko::test
