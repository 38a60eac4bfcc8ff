// The settings store with real SQLite below a temporary XDG_CONFIG_HOME, and the settings
// as one value stored and loaded.
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <thread>

namespace vesko::test {
namespace {

using Entries = SettingsStore::Entries;
using Strings = std::vector<std::string>;

class SettingsStoreTest : public ::testing::Test {
protected:
    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    vesko::Settings edited;

    std::string StorePath() const { return tmp / "config/vesko-backup/settings.sqlite"; }
    Entries All() { return store.GetAllSettings(kSettingsApplication, kSettingsSection); }
    void Fill(const std::string& arc, const Strings& sources)
    {
        edited = { arc, "/opt/arj", "/tmp/vesko", "weekly", "restore", true, sources };
    }
};

// Without an absolute XDG_CONFIG_HOME the store lies below the home folder.
TEST_F(SettingsStoreTest, StoreLiesBelowXdgConfigHomeOrHome)
{
    EXPECT_EQ(store.Path(), StorePath());
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
    ScopedEnv home("HOME", tmp / "home");
    EXPECT_EQ(SettingsStore::DefaultPath(), tmp / "home/.config/vesko-backup/settings.sqlite");
}

// A second copy of the program holding the write lock for a moment is waited for.
TEST_F(SettingsStoreTest, TwoStoresOnOneFileWaitForEachOthersLock)
{
    SettingsStore other(StorePath());
    std::thread holder;
    {
        SettingsStore::Transaction held(other);
        other.SaveSetting(kSettingsApplication, kSettingsSection, "ArcFolder", "/b/");
        holder = std::thread([&held] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            held.Commit();
        });
        EXPECT_EQ(ErrorOf([&] { SaveSetting(store, "ArcFolder", "/c/"); }), "no error");
        holder.join();
    }
    EXPECT_EQ(StoredSetting(store, "ArcFolder"), "/c/");
}

// Each operation's connection is closed when it ends, whatever the road: a store used for
// hours keeps no file open.
TEST_F(SettingsStoreTest, NoConnectionOutlivesItsOperation)
{
    SaveSetting(store, "warm", "up");
    const auto before = OpenDescriptors();
    for (int i = 0; i < 3; ++i) {
        SaveSetting(store, "k", std::to_string(i));
        EXPECT_EQ(StoredSetting(store, "k"), std::to_string(i));
        EXPECT_EQ(All().size(), 2u);
        store.DeleteSetting(kSettingsApplication, kSettingsSection, "gone");
        SettingsStore::Transaction(store).Commit();
        SettingsStore::Transaction rolledBack(store);
    }
    WriteFile(tmp / "junk", std::string(200, 'x'));
    SettingsStore junk(tmp / "junk");
    EXPECT_NE(ErrorOf([&] { junk.SaveSetting("a", "b", "c", "d"); }), "no error");
    EXPECT_NE(ErrorOf([&] { SettingsStore::Transaction t(junk); }), "no error");
    EXPECT_EQ(OpenDescriptors(), before);
}

// The first Apply stores every value, each folder with its ending; later ones what was edited.
TEST_F(SettingsStoreTest, ApplyStoresEverythingFirstThenWhatWasEditedAndLeavesTheRestByteForByte)
{
    Fill("/srv/archive", { "/home/b/", "", "/home/a/" });
    ApplySettings(store, edited);
    Entries stored = { { "ArcFolder", "/srv/archive/" }, { "ArjFolder", "/opt/arj/" },
        { "DestinDir", "/tmp/vesko/" }, { "DisksSpan", "yes" }, { "ExportArj", "weekly" },
        { "ImportArj", "restore" }, { "SourceDir0", "/home/b/" }, { "SourceDir2", "/home/a/" } };
    EXPECT_EQ(All(), stored);
    // The store and its folder are the person's alone, made by the first write.
    EXPECT_EQ(Mode(tmp / "config/vesko-backup"), 0700u);
    EXPECT_EQ(Mode(StorePath()), 0600u);
    // The empty item leaves a gap in the keys and is gone when loaded, which gives each
    // folder its ending.
    edited = LoadSettings(store);
    EXPECT_EQ(edited,
        (vesko::Settings { "/srv/archive/", "/opt/arj/", "/tmp/vesko/", "weekly", "restore", true,
            { "/home/b/", "/home/a/" } }));

    // The ending the loading gave is no edit; a name's ending '/' is. A clear box stores
    // "no", an empty list removes every folder.
    edited.exportName = "weekly/";
    edited.importName = "restore/";
    edited.sources.clear();
    edited.spanVolumes = false;
    ApplySettings(store, edited);
    stored.resize(6);
    stored[3].second = "no";
    stored[4].second = "weekly/";
    stored[5].second = "restore/";
    EXPECT_EQ(All(), stored);
}

TEST_F(SettingsStoreTest, FailedApplyLeavesTheStoreAsItWas)
{
    Fill("/srv/old/", { "/a/", "/b/", "/c/" });
    ApplySettings(store, edited);
    const Entries before = All();
    // Another program's rule refuses one write late in the run, after the old list was
    // deleted and the single settings were rewritten.
    Sql(StorePath(),
        "CREATE TRIGGER refuse BEFORE INSERT ON settings WHEN NEW.key = 'SourceDir1' "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    Fill("/srv/new", { "/x/", "/y/", "/z/" });
    edited.spanVolumes = false;
    EXPECT_EQ(ErrorOf([&] { ApplySettings(store, edited); }),
        "Settings store \"" + StorePath() + "\": disk full");
    EXPECT_EQ(All(), before);
}

} // namespace
} // namespace vesko::test
