// The settings store with real SQLite below a temporary XDG_CONFIG_HOME, and the Settings
// tab's buttons on the window in memory.
#include "platform/folder_dialog.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "settings/source_list.h"
#include "support/memory_form.h"
#include "support/probes.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vesko::test {
namespace {

using Entries = SettingsStore::Entries;
using Strings = std::vector<std::string>;
using Field = MainForm::Field;
using Label = MainForm::Label;

class Settings : public ::testing::Test {
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
    void Delete(SettingsStore& from, const std::string& key)
    {
        from.DeleteSetting(kSettingsApplication, kSettingsSection, key);
    }
    Entries All() { return store.GetAllSettings(kSettingsApplication, kSettingsSection); }
    // Runs SQL (no '"', '$' or '`' in it) on the store file as another program would.
    std::string Sql(const std::string& sql)
    {
        std::string output;
        EXPECT_EQ(Shell("sqlite3 -bail '" + StorePath() + "' \"" + sql + "\"", &output), 0)
            << output;
        return output;
    }
    void Fill(const std::string& arc, const Strings& sources)
    {
        form.SetText(Field::txtArcFolder, arc);
        form.SetText(Field::txtArjFolder, "/opt/arj");
        form.SetText(Field::txtDestinDir, "/tmp/vesko");
        form.SetText(Field::txtExportArj, "weekly");
        form.SetText(Field::txtImportArj, "restore");
        form.SetSpanValue(1);
        form.SetSources(sources);
    }
};

TEST_F(Settings, StoreIsMadeOwnerOnlyByTheFirstWriteWithTheDocumentedTable)
{
    EXPECT_EQ(Get("ArcFolder"), "");
    EXPECT_TRUE(All().empty());
    Delete(store, "SourceDir0");
    EXPECT_FALSE(Exists(tmp / "config"));

    Save("ArcFolder", "/backup/");
    EXPECT_EQ(Mode(tmp / "config/vesko-backup"), 0700u);
    EXPECT_EQ(Mode(StorePath()), 0600u);
    EXPECT_EQ(Get("ArcFolder"), "/backup/");
    EXPECT_EQ(Sql("SELECT sql FROM sqlite_master WHERE name = 'settings'"),
        "CREATE TABLE settings (id INTEGER PRIMARY KEY AUTOINCREMENT, application TEXT NOT "
        "NULL, section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL, UNIQUE "
        "(application, section, key))\n");
}

// A second copy of the program holding the write lock for a moment is waited for.
TEST_F(Settings, TwoStoresOnOneFileWaitForEachOthersLock)
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
        EXPECT_EQ(ErrorOf([&] { Save("ArcFolder", "/c/"); }), "no error");
        holder.join();
    }
    EXPECT_EQ(Get("ArcFolder"), "/c/");
}

// Each operation's connection is closed when it ends, whatever the road: a store used for
// hours keeps no file open.
TEST_F(Settings, NoConnectionOutlivesItsOperation)
{
    const auto open
        = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    Save("warm", "up");
    const auto before = open();
    for (int i = 0; i < 3; ++i) {
        Save("k", std::to_string(i));
        EXPECT_EQ(Get("k"), std::to_string(i));
        EXPECT_EQ(All().size(), 2u);
        Delete(store, "gone");
        SettingsStore::Transaction(store).Commit();
        SettingsStore::Transaction rolledBack(store);
    }
    // A socket where the file should be cannot even be opened.
    sockaddr_un address { AF_UNIX, {} };
    std::strcpy(address.sun_path, (tmp / "socket").c_str());
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    SettingsStore socket(tmp / "socket");
    EXPECT_EQ(ErrorOf([&] { socket.GetSetting("a", "b", "c"); }),
        "Settings store \"" + (tmp / "socket")
            + "\": unable to open database file (No such device or address)");
    ::close(sock);
    WriteFile(tmp / "junk", std::string(200, 'x'));
    SettingsStore junk(tmp / "junk");
    EXPECT_NE(ErrorOf([&] { junk.SaveSetting("a", "b", "c", "d"); }), "no error");
    EXPECT_NE(ErrorOf([&] { SettingsStore::Transaction t(junk); }), "no error");
    EXPECT_EQ(open(), before);
}

TEST_F(Settings, PathFollowsXdgConfigHomeOrHomeAndAFolderThatCannotBeMadeIsReported)
{
    EXPECT_EQ(store.Path(), StorePath());
    {
        ScopedEnv slashes("XDG_CONFIG_HOME", tmp / "cfg//");
        EXPECT_EQ(SettingsStore::DefaultPath(), tmp / "cfg/vesko-backup/settings.sqlite");
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        ScopedEnv home("HOME", tmp / "home");
        EXPECT_EQ(SettingsStore::DefaultPath(), tmp / "home/.config/vesko-backup/settings.sqlite");
    }
    WriteFile(tmp / "plain", "a file where a folder should be");
    ScopedEnv blocked("XDG_CONFIG_HOME", tmp / "plain/config");
    SettingsStore misplaced;
    EXPECT_EQ(misplaced.GetSetting(kSettingsApplication, kSettingsSection, "ArcFolder"), "");
    EXPECT_EQ(ErrorOf([&] { misplaced.SaveSetting("a", "b", "c", "d"); }),
        "Settings store \"" + (tmp / "plain/config/vesko-backup/settings.sqlite")
            + "\": cannot create folder \"" + (tmp / "plain/config") + "\": Not a directory");
}

TEST_F(Settings, FirstStartShowsNothingSetAndAnUntouchedApplyStoresNothing)
{
    RefreshLabels(host);
    EXPECT_FALSE(Exists(StorePath()));
    for (Field f :
        { Field::txtArcFolder, Field::txtArjFolder, Field::txtDestinDir, Field::txtImportFolder })
        EXPECT_EQ(form.Text(f), "/");
    for (Field f : { Field::txtExportArj, Field::txtImportArj, Field::txtImportName })
        EXPECT_EQ(form.Text(f), "");
    EXPECT_EQ(form.SpanValue(), 0);
    EXPECT_TRUE(form.Sources().empty());
    // A folder shown as "/" because none is set must not become the root.
    cmdApply_Click(host);
    EXPECT_TRUE(All().empty());
    EXPECT_TRUE(ui.Log().empty());

    // Only a lower-case "yes" ticks the span box.
    for (const std::string stored : { "Yes", "YES", "yes ", "yes" }) {
        Save("DisksSpan", stored);
        form.SetSpanValue(stored == "yes" ? 0 : 1);
        RefreshLabels(host);
        EXPECT_EQ(form.SpanValue(), stored == "yes" ? 1 : 0) << stored;
    }
}

TEST_F(Settings, ApplyStoresWhatWasEditedAsTypedAndLeavesTheRestByteForByte)
{
    Fill("/srv/archive", { "/home/b/", "", "/home/a/" });
    form.SetText(Field::txtImportFolder, "edited");
    form.SetText(Field::txtImportName, "edited");
    cmdApply_Click(host);
    Entries stored = { { "ArcFolder", "/srv/archive" }, { "ArjFolder", "/opt/arj" },
        { "DestinDir", "/tmp/vesko" }, { "DisksSpan", "yes" }, { "ExportArj", "weekly" },
        { "ImportArj", "restore" }, { "SourceDir0", "/home/b/" }, { "SourceDir2", "/home/a/" } };
    EXPECT_EQ(All(), stored);
    // The empty item leaves a gap in the keys and is gone after the refresh, which gives each
    // folder its ending.
    EXPECT_EQ(form.Sources(), (Strings { "/home/b/", "/home/a/" }));
    for (Field f : { Field::txtArcFolder, Field::txtImportFolder })
        EXPECT_EQ(form.Text(f), "/srv/archive/");
    EXPECT_EQ(form.Text(Field::txtArjFolder), "/opt/arj/");
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/tmp/vesko/");
    EXPECT_EQ(form.Text(Field::txtImportName), "restore");

    // The ending the refresh gave is no edit; a name's ending '/' is. A clear box stores
    // "no", an empty list removes every folder.
    form.SetText(Field::txtExportArj, "weekly/");
    form.SetText(Field::txtImportArj, "restore/");
    form.SetSources({});
    form.SetSpanValue(0);
    cmdApply_Click(host);
    stored.resize(6);
    stored[3].second = "no";
    stored[4].second = "weekly/";
    stored[5].second = "restore/";
    EXPECT_EQ(All(), stored);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Settings, TwelveFoldersAndAForeignEntryComeBackInOrderAfterARestart)
{
    Strings folders;
    for (int i = 0; i < 12; ++i)
        folders.push_back("/data/" + std::string(1, static_cast<char>('l' - i)) + "/");
    Fill("/srv/", folders);
    cmdApply_Click(host);
    Sql("INSERT INTO settings (application, section, key, value) "
        "VALUES ('Zeltan''s Stuff', 'Vesko Backup', 'SourceDirXYZ', '/foreign/');");

    SettingsStore reopened;
    MemoryForm restarted;
    Host again { restarted, ui, reopened, nullptr };
    RefreshLabels(again);
    folders.push_back("/foreign/");
    EXPECT_EQ(restarted.Sources(), folders);
    // A list left as loaded keeps its keys; the next change writes the foreign entry under a
    // key of its own.
    cmdApply_Click(again);
    EXPECT_EQ(Get("SourceDirXYZ"), "/foreign/");
    restarted.RemoveSource(0);
    cmdApply_Click(again);
    EXPECT_EQ(Get("SourceDirXYZ"), "");
    EXPECT_EQ(Get("SourceDir0"), "/data/k/");
    EXPECT_EQ(Get("SourceDir11"), "/foreign/");
    EXPECT_EQ(Get("SourceDir12"), "");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Settings, FailedApplyLeavesTheStoreAsItWasAndKeepsTheEdits)
{
    Fill("/srv/old/", { "/a/", "/b/", "/c/" });
    cmdApply_Click(host);
    const Entries before = All();
    // Another program's rule refuses one write late in the run, after the old list was
    // deleted and the single settings were rewritten.
    Sql("CREATE TRIGGER refuse BEFORE INSERT ON settings WHEN NEW.key = 'SourceDir1' "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    Fill("/srv/new", { "/x/", "/y/", "/z/" });
    form.SetSpanValue(0);
    cmdApply_Click(host);

    EXPECT_EQ(ui.Log(),
        (Strings {
            "beep", "box:Apply Changes Error|Settings store \"" + StorePath() + "\": disk full" }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(All(), before);
    // The closing refresh did not run: no ending added, the list as edited.
    EXPECT_EQ(form.Text(Field::txtArcFolder), "/srv/new");
    EXPECT_EQ(form.Sources(), (Strings { "/x/", "/y/", "/z/" }));
    EXPECT_EQ(form.SpanValue(), 0);
}

TEST_F(Settings, ResetAndARecordedRunDiscardUnappliedEdits)
{
    Fill("/srv/", { "/a/", "/b/" });
    cmdApply_Click(host);
    Save("LastImport", "last Tuesday");
    form.SetText(Field::txtExportArj, "edited");
    form.RemoveSource(0);
    cmdReset_Click(host);
    EXPECT_EQ(form.Text(Field::txtExportArj), "weekly");
    EXPECT_EQ(form.Sources(), (Strings { "/a/", "/b/" }));

    form.SetText(Field::txtArcFolder, "/elsewhere/");
    CreateDatFile(host, "Export", LocalTime(2026, 12, 6, 17, 30, 12));
    EXPECT_EQ(Get("LastExport"), "2026-12-06 17:30:12");
    EXPECT_EQ(form.Caption(Label::lblExport), "Date of last export:   Sunday, December 6, 2026");
    // A date text that is not a date is shown unchanged.
    EXPECT_EQ(form.Caption(Label::lblImport), "Date of last import:   last Tuesday");
    EXPECT_EQ(form.Text(Field::txtArcFolder), "/srv/");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Settings, StoreThatIsNotADatabaseIsReportedAndNotOverwritten)
{
    const std::string bytes = std::string(200, 'x');
    WriteFile(StorePath(), bytes);
    const std::string description
        = "Settings store \"" + StorePath() + "\": file is not a database";
    RefreshLabels(host);
    Fill("/srv/", { "/a/" });
    cmdApply_Click(host);
    EXPECT_EQ(ui.Log(),
        (Strings { "beep", "box:Refresh Labels Error|" + description, "beep",
            "box:Apply Changes Error|" + description }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(ReadFile(StorePath()), bytes);
    EXPECT_EQ(form.Text(Field::txtDestinDir), "/tmp/vesko");
}

// The folder selection dialog as the browse buttons see it, recording every call.
class RecordingDialog : public FolderDialog {
public:
    void Show() override { calls.push_back("show"); }
    void SetHelpText(const std::string& text) override { calls.push_back("help:" + text); }
    void SetTargetIndex(const std::string& text) override { calls.push_back("index:" + text); }
    void Close() override { calls.push_back("close"); }
    Strings calls;
};

TEST_F(Settings, SourceListButtonsChangeTheListOrAskForAnEntryOrASelection)
{
    for (const char* typed : { "/data", "/data/", " " }) {
        form.SetText(Field::txtSourceDir, typed);
        cmdAddSource_Click(host);
    }
    cmdDeleteSource_Click(host);
    cmdAddSource_Click(host);
    EXPECT_EQ(form.Text(Field::txtSourceDir), "");
    EXPECT_EQ(form.Sources(), (Strings { "/data/", "/data/", " /" }));
    form.Select(1);
    cmdDeleteSource_Click(host);
    EXPECT_EQ(form.Sources(), (Strings { "/data/", " /" }));
    EXPECT_EQ(form.Repaints(), 4);
    EXPECT_EQ(ui.Log(),
        (Strings { "beep", "box:Selection Required|Select an item from the list first.", "beep",
            "box:Entry Required|Please enter a folder (with full path) and try again." }));
    for (const auto& box : ui.Boxes())
        EXPECT_EQ(box.icon, Icon::Exclamation);

    RecordingDialog dialog;
    host.dialog = &dialog;
    for (int index : { 4, 5, 6 })
        cmdDirList_Click(host, index);
    EXPECT_EQ(dialog.calls,
        (Strings { "show", std::string("help:") + kShortHelpText, "index:4", "show",
            std::string("help:") + kLongHelpText, "index:5", "show", "index:6" }));
}

} // namespace
} // namespace vesko::test
