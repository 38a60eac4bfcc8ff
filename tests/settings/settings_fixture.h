#pragma once

#include "platform/host.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>

namespace vesko::test {

// A real store file below a temporary XDG_CONFIG_HOME, the in-memory window and the
// recording person.
class SettingsFixture : public ::testing::Test {
protected:
    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    MemoryForm form;
    RecordingUi ui;
    Host host { form, ui, store, nullptr };

    std::string StorePath() const { return tmp / "config/vesko-backup/settings.sqlite"; }

    std::string Get(const std::string& key)
    {
        return store.GetSetting(kSettingsApplication, kSettingsSection, key);
    }
    void Save(const std::string& key, const std::string& value)
    {
        store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    }
    SettingsStore::Entries All()
    {
        return store.GetAllSettings(kSettingsApplication, kSettingsSection);
    }

    // Runs SQL on the store file with the command line tool, as another program would.
    void Sql(const std::string& sql)
    {
        WriteFile(tmp / "statement.sql", sql);
        std::string output;
        ASSERT_EQ(Shell("sqlite3 -bail '" + StorePath() + "' < '" + (tmp / "statement.sql") + "'",
                      &output),
            0)
            << output;
    }
};

} // namespace vesko::test
