#pragma once

#include "platform/host.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/memory_form.h"
#include "support/probes.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>

namespace vesko::test {

using Entries = SettingsStore::Entries;
using Strings = std::vector<std::string>;

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
    Entries All() { return store.GetAllSettings(kSettingsApplication, kSettingsSection); }

    // Runs SQL (no '"', '$' or '`' in it) on the store file with the command line tool, as
    // another program would.
    std::string Sql(const std::string& sql)
    {
        std::string output;
        EXPECT_EQ(Shell("sqlite3 -bail '" + StorePath() + "' \"" + sql + "\"", &output), 0)
            << output;
        return output;
    }
};

} // namespace vesko::test
