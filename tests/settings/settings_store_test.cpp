#include "platform/error.h"
#include "settings/settings_fixture.h"

#include <functional>
#include <sys/stat.h>

namespace vesko::test {
namespace {

using Entries = SettingsStore::Entries;

class SettingsStoreTest : public SettingsFixture { };

bool Exists(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0;
}

mode_t Mode(const std::string& path)
{
    struct stat st { };
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

TEST_F(SettingsStoreTest, PathFollowsXdgConfigHomeOrHome)
{
    EXPECT_EQ(store.Path(), StorePath());
    ScopedEnv noXdg("XDG_CONFIG_HOME", "");
    ScopedEnv home("HOME", tmp / "home");
    EXPECT_EQ(SettingsStore::DefaultPath(), tmp / "home/.config/vesko-backup/settings.sqlite");
}

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
    std::string schema;
    ASSERT_EQ(Shell("sqlite3 '" + StorePath()
                      + "' \"SELECT sql FROM sqlite_master WHERE name = "
                        "'settings'\"",
                  &schema),
        0);
    EXPECT_EQ(schema,
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

TEST_F(SettingsStoreTest, TwoStoreObjectsOnOneFileSeeEachOthersWrites)
{
    SettingsStore other(StorePath());
    EXPECT_EQ(other.GetSetting(kSettingsApplication, kSettingsSection, "DestinDir"), "");
    Save("DestinDir", "/tmp/one/");
    EXPECT_EQ(other.GetSetting(kSettingsApplication, kSettingsSection, "DestinDir"), "/tmp/one/");
    other.SaveSetting(kSettingsApplication, kSettingsSection, "DestinDir", "/tmp/two/");
    EXPECT_EQ(Get("DestinDir"), "/tmp/two/");
    other.DeleteSetting(kSettingsApplication, kSettingsSection, "DestinDir");
    EXPECT_TRUE(All().empty());
}

TEST_F(SettingsStoreTest, TransactionIsAllOrNothing)
{
    Save("kept", "before");
    {
        SettingsStore::Transaction transaction(store);
        Save("kept", "changed");
        store.DeleteSetting(kSettingsApplication, kSettingsSection, "kept");
        Save("new", "value");
        EXPECT_EQ(All(), (Entries { { "new", "value" } }));
    }
    EXPECT_EQ(All(), (Entries { { "kept", "before" } }));
    {
        SettingsStore::Transaction transaction(store);
        Save("new", "value");
        transaction.Commit();
    }
    EXPECT_EQ(All(), (Entries { { "kept", "before" }, { "new", "value" } }));
}

// Waits for the busy timeout (a few seconds) before the store gives up.
TEST_F(SettingsStoreTest, WriteLockHeldByASecondCopyEndsInLockedError)
{
    Save("ArcFolder", "/a/");
    SettingsStore other(StorePath());
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

TEST_F(SettingsStoreTest, FileThatIsNotADatabaseIsReportedAndNeverOverwritten)
{
    const std::string bytes = "These are somebody's notes, not a database.\n";
    WriteFile(StorePath(), bytes);
    const std::string expected = "Settings store \"" + StorePath() + "\": file is not a database";
    EXPECT_EQ(ErrorOf([&] { Get("ArcFolder"); }), expected);
    EXPECT_EQ(ErrorOf([&] { All(); }), expected);
    EXPECT_EQ(ErrorOf([&] { Save("ArcFolder", "/x/"); }), expected);
    EXPECT_EQ(ErrorOf([&] { SettingsStore::Transaction t(store); }), expected);
    EXPECT_EQ(ReadFile(StorePath()), bytes);
}

TEST_F(SettingsStoreTest, FolderThatCannotBeMadeIsReported)
{
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
