#pragma once

#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/made_files.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <map>
#include <string>
#include <vector>

namespace vesko::test {

using Lines = std::vector<std::string>;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A settings store of its own, the in-memory window and the recorded person.
class ImportTest : public ::testing::Test {
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
