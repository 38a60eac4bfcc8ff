#include "settings/settings_fixture.h"

namespace vesko::test {
namespace {

using SettingsStoreTest = SettingsFixture;

TEST_F(SettingsStoreTest, ReadsEmptyWithoutCreatingThenFirstWriteCreatesOwnerOnlyFile)
{
    EXPECT_EQ(Get("ArcFolder"), "");
    EXPECT_TRUE(All().empty());
    store.DeleteSetting(kSettingsApplication, kSettingsSection, "SourceDir0");
    EXPECT_FALSE(Exists(tmp / "config"));

    Save("ArcFolder", "/backup/");
    EXPECT_EQ(Mode(tmp / "config/vesko-backup"), 0700u);
    EXPECT_EQ(Mode(StorePath()), 0600u);
    EXPECT_EQ(Get("ArcFolder"), "/backup/");
    // Other tools rely on the table as documented.
    EXPECT_EQ(Sql("SELECT sql FROM sqlite_master WHERE name = 'settings'"),
        "CREATE TABLE settings (id INTEGER PRIMARY KEY AUTOINCREMENT, application TEXT NOT "
        "NULL, section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL, UNIQUE "
        "(application, section, key))\n");
}

TEST_F(SettingsStoreTest, EntriesComeBackInCreationOrderAndUpdatesKeepTheirPlace)
{
    Save("b", "1");
    Save("a", "2");
    Save("c", "3");
    store.SaveSetting("Other", kSettingsSection, "x", "elsewhere");
    store.SaveSetting(kSettingsApplication, "Other", "y", "elsewhere");
    Save("b", "changed");
    EXPECT_EQ(All(), (Entries { { "b", "changed" }, { "a", "2" }, { "c", "3" } }));

    // Deleted and written again counts as new.
    store.DeleteSetting(kSettingsApplication, kSettingsSection, "b");
    Save("b", "again");
    Save("empty", "");
    EXPECT_EQ(All(), (Entries { { "a", "2" }, { "c", "3" }, { "b", "again" }, { "empty", "" } }));
    EXPECT_EQ(store.GetSetting("Other", kSettingsSection, "x"), "elsewhere");
    EXPECT_EQ(Get("x"), "");
}

// Waits for the busy timeout (a few seconds) before the store gives up on the lock.
TEST_F(SettingsStoreTest, TwoStoreObjectsOnOneFileSeeEachOthersWritesAndLocks)
{
    SettingsStore other(StorePath());
    EXPECT_EQ(other.GetSetting(kSettingsApplication, kSettingsSection, "DestinDir"), "");
    Save("DestinDir", "/tmp/one/");
    EXPECT_EQ(other.GetSetting(kSettingsApplication, kSettingsSection, "DestinDir"), "/tmp/one/");
    other.DeleteSetting(kSettingsApplication, kSettingsSection, "DestinDir");
    EXPECT_TRUE(All().empty());

    Save("ArcFolder", "/a/");
    {
        SettingsStore::Transaction holder(other);
        other.SaveSetting(kSettingsApplication, kSettingsSection, "ArcFolder", "/b/");
        EXPECT_EQ(ErrorOf([&] { Save("ArcFolder", "/c/"); }),
            "Settings store \"" + StorePath() + "\": database is locked");
        EXPECT_EQ(Get("ArcFolder"), "/a/");
        holder.Commit();
    }
    EXPECT_EQ(Get("ArcFolder"), "/b/");
}

TEST_F(SettingsStoreTest, PathFollowsXdgConfigHomeOrHomeAndAFolderThatCannotBeMadeIsReported)
{
    EXPECT_EQ(store.Path(), StorePath());
    {
        ScopedEnv noXdg("XDG_CONFIG_HOME", "");
        ScopedEnv home("HOME", tmp / "home");
        EXPECT_EQ(SettingsStore::DefaultPath(), tmp / "home/.config/vesko-backup/settings.sqlite");
    }
    WriteFile(tmp / "plain", "a file where a folder should be");
    ScopedEnv blocked("XDG_CONFIG_HOME", tmp / "plain/config");
    SettingsStore misplaced;
    EXPECT_EQ(misplaced.GetSetting(kSettingsApplication, kSettingsSection, "ArcFolder"), "");
    EXPECT_EQ(ErrorOf([&] {
        misplaced.SaveSetting(kSettingsApplication, kSettingsSection, "ArcFolder", "/x/");
    }),
        "Settings store \"" + (tmp / "plain/config/vesko-backup/settings.sqlite")
            + "\": cannot create folder \"" + (tmp / "plain/config") + "\": Not a directory");
}

} // namespace
} // namespace vesko::test
