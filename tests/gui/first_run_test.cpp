// A new person's first minutes with the window: working defaults, the first export, the date
// field, names with the date, the picker's folders, closing with edits, a growing window.
#include "gui/app_fixture.h"
#include "gui/folder_picker_controller.h"
#include "gui/import_tab.h"
#include "platform/filesystem.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/made_files.h"

#include <ctime>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <sys/stat.h>

namespace vesko::test {
namespace {

class FirstRunTest : public MainWindowTest {
protected:
    FirstRunTest() { MakeDirs(home); }

    SettingsStore::Entries Stored()
    {
        return SettingsStore().GetAllSettings(kSettingsApplication, kSettingsSection);
    }
    // A new window on the store as it stands, shown.
    MainWindow& Reopened()
    {
        window.reset();
        Window().show();
        return *window;
    }
    // A source folder with one file, put in the list as a person types it.
    void AddSource(const std::string& folder)
    {
        WriteFile(folder + "/notes.txt", "kept");
        Window().settingsTab()->sourceFolderEdit->SetPath(folder);
        Find<QPushButton>("addSourceButton")->click();
    }

    const std::string home = temp / "home";
    ScopedEnv cache { "XDG_CACHE_HOME", temp / "cache" };
};

// "title|text" of the i-th box the person saw.
std::string Box(const BoxAnswerer& person, std::size_t i)
{
    return i < person.seen.size()
        ? (person.seen[i].title + QLatin1Char('|') + person.seen[i].text).toStdString()
        : "(no box)";
}

// Keys as a person types them into the focused field.
void Type(QWidget* field, const QString& text)
{
    for (const QChar c : text) {
        const int key = c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_Minus;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &press);
        QCoreApplication::sendEvent(field, &release);
    }
}

TEST_F(FirstRunTest, FreshStoreShowsWorkingDefaultsStoresThemAndExportsWithThem)
{
    BoxAnswerer person;
    MainWindow& w = Window();
    w.show();
    SettingsTab* s = w.settingsTab();
    const Settings shown = w.SettingsInWindow();
    EXPECT_EQ(shown.archiveFolder, "~/Backups/");
    EXPECT_EQ(shown.archiverFolder, "/usr/bin/"); // where the arj of the test machine is
    EXPECT_EQ(shown.tempFolder, temp / "cache/vesko-backup/tree/");
    EXPECT_EQ(shown.exportName, "backup-%Y-%m-%d");
    EXPECT_EQ(w.exportTab()->cutOffEdit->date(), QDate(1970, 1, 1));
    EXPECT_EQ(w.CutOffSinceLabel()->text(), QStringLiteral("everything: no backup yet"));
    EXPECT_FALSE(w.HasUnappliedChanges());

    // The first Apply stores every value, the folders with their ending.
    s->archiveFolderEdit->SetPath("~/Backups");
    Find<QPushButton>("applyButton")->click();
    EXPECT_EQ(Stored(),
        (SettingsStore::Entries { { "ArcFolder", "~/Backups/" }, { "ArjFolder", "/usr/bin/" },
            { "DestinDir", temp / "cache/vesko-backup/tree/" }, { "DisksSpan", "no" },
            { "ExportArj", "backup-%Y-%m-%d" }, { "ImportArj", "" } }));

    // A source typed but not applied is backed up, and stays in the window afterwards.
    AddSource(temp / "src");
    Find<QPushButton>("exportButton")->click();
    const std::string archive = home + "/Backups/backup-"
        + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString() + ".arj";
    EXPECT_EQ(Box(person, 0),
        "Vesko Backup|Backup completed successfully.\n\n1 file (4 bytes) archived in " + archive
            + ".");
    EXPECT_TRUE(FileSystem().FileExists(archive));
    EXPECT_EQ(w.SettingsInWindow().sources, std::vector<std::string> { temp / "src/" });
    EXPECT_TRUE(w.HasUnappliedChanges());
    EXPECT_EQ(w.exportTab()->cutOffEdit->date(), QDate::currentDate());
    EXPECT_EQ(w.CutOffSinceLabel()->text(),
        QStringLiteral("since the last backup on ")
            + QLocale::c().toString(QDate::currentDate(), QStringLiteral("ddd d MMM")));
}

// The date field at start: the day the last successful export began copying, or the day
// before every file.
TEST_F(FirstRunTest, DateFieldStartsOnTheDayOfTheLastSuccessfulExport)
{
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::string>> stored;
        QDate day;
        const char* meaning;
    };
    const Row rows[] = {
        { "no export", {}, QDate(1970, 1, 1), "everything: no backup yet" },
        { "a store from before the copy start was kept",
            { { "LastExport", "2026-11-24 09:00:00" } }, QDate(2026, 11, 24),
            "since the last backup on Tue 24 Nov" },
        { "after a successful export",
            { { "LastExport", "2026-12-02 00:10:00" },
                { kLastExportCopyStartKey, "2026-12-01 23:50:00" } },
            QDate(2026, 12, 1), "since the last backup on Tue 1 Dec" },
    };
    BoxAnswerer person;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& [key, value] : row.stored)
            StoreSettings({ { key, value } });
        window.reset();
        EXPECT_EQ(Window().exportTab()->cutOffEdit->date(), row.day);
        EXPECT_EQ(Window().CutOffSinceLabel()->text(), QString::fromLatin1(row.meaning));
    }
    // A failed export moves nothing: the same day in this window and the next.
    Window().show();
    AddSource(temp / "src");
    WriteScript(temp / "failing/arj", "exit 2");
    Window().settingsTab()->archiverFolderEdit->SetPath(temp / "failing/");
    Find<QPushButton>("exportButton")->click();
    ASSERT_FALSE(person.seen.empty());
    EXPECT_EQ(Box(person, person.seen.size() - 1), "Export Error|Archive Error!");
    EXPECT_EQ(Window().exportTab()->cutOffEdit->date(), QDate(2026, 12, 1));
    window.reset();
    EXPECT_EQ(Window().exportTab()->cutOffEdit->date(), QDate(2026, 12, 1));

    // Typed over, with the dashes or without: a day is taken, a text that is none put back.
    struct Typed {
        const char* name;
        const char* keys;
        QDate day;
        const char* meaning; // the line below the field
    };
    const Typed typed[] = {
        { "with dashes", "12-01-2019", QDate(2019, 12, 1), "changed on or after 1 Dec 2019" },
        { "without dashes", "02292024", QDate(2024, 2, 29), "changed on or after 29 Feb 2024" },
        { "no 30 February", "02-30-2023", QDate(2020, 6, 15), "changed on or after 15 Jun 2020" },
        { "no thirteenth month", "13-01-2020", QDate(2020, 6, 15),
            "changed on or after 15 Jun 2020" },
    };
    DateField* field = Window().exportTab()->cutOffEdit;
    for (const Typed& row : typed) {
        SCOPED_TRACE(row.name);
        field->setDate(QDate(2020, 6, 15));
        field->setFocus();
        field->findChild<QLineEdit*>()->setCursorPosition(0);
        Type(field, QString::fromLatin1(row.keys));
        QFocusEvent leave(QEvent::FocusOut);
        QCoreApplication::sendEvent(field, &leave);
        EXPECT_EQ(field->date(), row.day);
        EXPECT_EQ(
            field->findChild<QLineEdit*>()->text(), row.day.toString(QStringLiteral("MM-dd-yyyy")));
        EXPECT_EQ(Window().CutOffSinceLabel()->text(), QString::fromLatin1(row.meaning));
    }
}

// Without the archiver the window says so at once, and an export stops before copying.
TEST_F(FirstRunTest, MissingArchiverIsNamedAtStartAndStopsTheExportBeforeCopying)
{
    struct Row {
        const char* name;
        std::string storedFolder; // "": never set
        std::string startText;
        std::string exportText;
    };
    const Row rows[] = {
        { "arj not on PATH", "",
            "The archiver arj was not found on PATH.\n\nInstall the Debian package arj (sudo "
            "apt install arj), then set the ARJ Folder in the settings section to the folder "
            "that holds it.",
            "The archiver /arj was not found or cannot be run.\n\nInstall the package arj (sudo "
            "apt install arj) and set the ARJ Folder in the settings section to the folder "
            "that holds it, normally /usr/bin/." },
        { "a wrong ARJ folder", "/nowhere/", "The archiver /nowhere/arj was not found",
            "The archiver /nowhere/arj was not found" },
        { "an arj that cannot be run", temp / "not runnable/",
            "The archiver " + temp / "not runnable/arj" + " was not found",
            "The archiver " + temp / "not runnable/arj" + " was not found" },
    };
    WriteFile(temp / "not runnable/arj", "#!/bin/sh\n");
    ::chmod((temp / "not runnable/arj").c_str(), 0644);
    ScopedEnv path("PATH", temp / "bin");
    BoxAnswerer person;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.storedFolder.empty())
            StoreSettings({ { "ArjFolder", row.storedFolder } });
        person.seen.clear();
        Reopened();
        AddSource(temp / "src");
        Find<QPushButton>("exportButton")->click();
        ASSERT_EQ(person.seen.size(), 2u) << person.Log().toStdString();
        EXPECT_EQ(person.seen[0].title + person.seen[1].title,
            QStringLiteral("Archiver Not Found") + QStringLiteral("Archiver Not Found"));
        EXPECT_TRUE(person.seen[0].text.startsWith(QString::fromStdString(row.startText)));
        EXPECT_TRUE(person.seen[1].text.startsWith(QString::fromStdString(row.exportText)));
        EXPECT_FALSE(FileSystem().FolderExists(temp / "cache/vesko-backup/tree"));
    }
}

// Before a run the window judges its fields as they stand, applied or not.
TEST_F(FirstRunTest, RunsAreRefusedOnTheFieldsAsTheyStand)
{
    struct Row {
        const char* name;
        const char* exportName; // typed with a source folder; nullptr: nothing typed
        std::string box;
    };
    const Row rows[] = {
        { "no source folder", nullptr,
            "Nothing Set Up|No folder to back up is in the source list." },
        { "an unknown field in the Export Name", "x-%F",
            "Invalid Export Name|The Export Name x-%F holds a '%' that is none of" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BoxAnswerer person;
        Reopened();
        if (row.exportName) {
            AddSource(temp / "src");
            Window().settingsTab()->exportNameEdit->SetPath(row.exportName);
        }
        Find<QPushButton>("exportButton")->click();
        EXPECT_EQ(Box(person, 0).substr(0, row.box.size()), row.box);
        EXPECT_EQ(person.seen.size(), 1u);
    }
}

// Each day its own archive: two exports on two days under one Export Name both succeed.
TEST_F(FirstRunTest, ExportNameWithTheDateGivesEachDayItsOwnArchive)
{
    // Twenty-six hours apart at any instant: two days, in the zones west and east.
    const char* const zones[] = { "UTC+12", "UTC-14" };
    BoxAnswerer person;
    MainWindow& w = Window();
    w.show();
    AddSource(temp / "src");
    std::vector<std::string> archives;
    for (const char* zone : zones) {
        SCOPED_TRACE(zone);
        ScopedEnv tz("TZ", zone);
        ::tzset();
        person.seen.clear();
        w.exportTab()->cutOffEdit->setDate(QDate(1970, 1, 1));
        Find<QPushButton>("exportButton")->click();
        ASSERT_FALSE(person.seen.empty());
        EXPECT_EQ(person.seen[0].title, QStringLiteral("Vesko Backup")) << Box(person, 0);
        archives = ListFilesBelow(home + "/Backups");
    }
    ::tzset();
    ASSERT_EQ(archives.size(), 2u);
    EXPECT_NE(archives[0], archives[1]);
    EXPECT_EQ(archives[0].substr(0, 7) + archives[0].substr(17), "backup-.arj");
}

// The picker makes a new folder below the one highlighted, and adds the folder highlighted.
TEST_F(FirstRunTest, PickerAddsTheHighlightedFolderAndMakesNewOnes)
{
    MakeDirs(home + "/Music");
    BoxAnswerer person;
    MainWindow& w = Window();
    w.show();
    w.settingsTab()->browseButtons[5]->click();
    FolderPicker* picker = w.Picker()->Window();
    ASSERT_NE(picker, nullptr);
    // New Folder below the highlighted one, answered with a name, then highlighted.
    struct Row {
        const char* name;
        QString typed;
        const char* made; // nullptr: refused
    };
    const Row rows[] = { { "a name", QStringLiteral("Archives"), "/Music/Archives" },
        { "a slash refused", QStringLiteral("a/b"), nullptr } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        picker->folderTree->setCurrentIndex(picker->FindFolder(home + "/Music"));
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* ask = picker->findChild<QInputDialog*>(QStringLiteral("newFolderDialog"));
                ask && ask->isVisible()) {
                ask->setTextValue(row.typed);
                ask->accept();
            }
        });
        answer.start(5);
        picker->newFolderButton->click();
        EXPECT_EQ(FileSystem().FolderExists(home + "/Music/a"), false);
        EXPECT_EQ(picker->ChosenFolder(), home + (row.made ? row.made : "/Music"));
        EXPECT_EQ(FileSystem().FolderExists(home + "/Music/Archives"), true);
    }
    EXPECT_EQ(person.seen.back().title, QStringLiteral("New Folder"));
    picker->addButton->click();
    EXPECT_EQ(w.SettingsInWindow().sources, std::vector<std::string> { home + "/Music/" });
}

// Closing with unapplied edits asks; each answer does what it says.
TEST_F(FirstRunTest, ClosingWithUnappliedEditsAsksApplyDiscardOrCancel)
{
    struct Row {
        const char* name;
        QMessageBox::StandardButton answer;
        bool closed;
        std::string stored;
    };
    const Row rows[] = {
        { "Apply", QMessageBox::Apply, true, "edited" },
        { "Discard", QMessageBox::Discard, true, "" },
        { "Cancel", QMessageBox::Cancel, false, "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir config;
        ScopedEnv fresh("XDG_CONFIG_HOME", config.Path());
        BoxAnswerer answers({ row.answer });
        EXPECT_TRUE(Reopened().isVisible());
        Window().settingsTab()->exportNameEdit->SetPath("edited");
        EXPECT_EQ(Window().close(), row.closed);
        ASSERT_EQ(answers.seen.size(), 1u);
        EXPECT_EQ(answers.seen[0].text,
            QStringLiteral("The settings have changes that were not applied."));
        EXPECT_EQ(answers.seen[0].informative, QStringLiteral("Apply them before closing?"));
        EXPECT_EQ(answers.seen[0].defaultButton, QMessageBox::Apply);
        SettingsStore store;
        EXPECT_EQ(StoredSetting(store, "ExportArj"), row.stored);
        EXPECT_EQ(Window().settingsTab()->exportNameEdit->Path(), "edited");
    }
    // Nothing edited: nothing asked.
    BoxAnswerer none;
    EXPECT_TRUE(Reopened().close());
    EXPECT_TRUE(none.seen.empty());
}

// The window grows: every control where it was at the first size, the fields and the list
// wider beyond it, and the size kept for the next start.
TEST_F(FirstRunTest, WindowGrowsFromItsFirstSizeAndRemembersIt)
{
    BoxAnswerer person;
    MainWindow& w = Window();
    w.show();
    EXPECT_EQ(w.size(), MainWindow::kFirstSize);
    EXPECT_EQ(w.minimumSize(), MainWindow::kFirstSize);
    EXPECT_GT(w.maximumWidth(), MainWindow::kFirstSize.width());
    std::vector<std::pair<QWidget*, QRect>> first { { w.tabs(), w.tabs()->geometry() } };
    for (QWidget* page : { static_cast<QWidget*>(w.exportTab()),
             static_cast<QWidget*>(w.importTab()), static_cast<QWidget*>(w.settingsTab()) })
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            first.emplace_back(control, control->geometry());
    EXPECT_TRUE(w.grab().save(QString::fromStdString(temp / "first-size.png")));
    for (QWidget* page : { static_cast<QWidget*>(w.exportTab()),
             static_cast<QWidget*>(w.importTab()), static_cast<QWidget*>(w.settingsTab()) }) {
        w.tabs()->setCurrentWidget(page);
        ExpectTidy(page);
    }
    EXPECT_TRUE(
        w.importTab()->importExplanationLabel->text().contains(QStringLiteral("permanent,")));

    w.resize(804, 548);
    SettingsTab* s = w.settingsTab();
    EXPECT_EQ(s->archiveFolderEdit->width(), 89 + 200);
    EXPECT_EQ(s->sourceList->size(), QSize(89 + 200, 95 + 548 - MainWindow::kFirstSize.height()));
    for (QWidget* page : { static_cast<QWidget*>(w.exportTab()),
             static_cast<QWidget*>(w.importTab()), static_cast<QWidget*>(s) }) {
        w.tabs()->setCurrentWidget(page);
        ExpectTidy(page);
    }
    w.resize(MainWindow::kFirstSize);
    for (const auto& [control, rect] : first) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_EQ(control->geometry(), rect);
    }
    w.resize(804, 548);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(StoredSetting(w.Store(), "WindowSize"), "804x548");
    window.reset();
    EXPECT_EQ(Window().size(), QSize(804, 548));
}

} // namespace
} // namespace vesko::test
