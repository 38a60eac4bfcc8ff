// The history window's Restore…, driven on the real widgets over archives that real
// exports wrote: a run's files back in place as that run found them, a found file into a
// chosen folder, and a folder picked in the browser of what the backups hold as of a day.
#include "app_fixture.h"
#include "gui/backup_browser.h"
#include "gui/restore_place.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/day_zones.h"
#include "support/made_files.h"

#include <algorithm>
#include <filesystem>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>
#include <thread>

namespace vesko::test {
namespace {

int RowOfRun(QTableWidget* table, const char* id)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 0)->text() == QLatin1String(id))
            return row;
    return -1;
}

// Settings that back src up into temp/arc with the real archiver.
void StoreSettings(const TempDir& temp, const std::string& src)
{
    test::StoreSettings({ { "ArcFolder", temp / "arc/" }, { "ArjFolder", "/usr/bin/" },
        { "DestinDir", temp / "tmp/" }, { "ExportArj", "unused" }, { "DisksSpan", "no" },
        { "SourceDir0", src } });
}

void ExportFromCommandLine(const char* name, const std::string& since)
{
    const ChildRun run = RunProgram({}, { "export", "--since", since, "--name", name });
    ASSERT_EQ(run.status, 0) << run.err;
}

// Each file the tree shows below item, its folders opened, by its path below root, with its
// size and time as shown.
void ShownFiles(QTreeWidget* tree, QTreeWidgetItem* item, const std::string& root,
    std::map<std::string, std::string>& files)
{
    for (int i = 0; i < item->childCount(); ++i) {
        tree->expandItem(item->child(i));
        ShownFiles(tree, item->child(i), root, files);
    }
    const std::string path = item->data(0, Qt::UserRole).toByteArray().toStdString();
    if (item->childCount() == 0 && path.starts_with(root + "/"))
        files[path.substr(root.size() + 1)] = (item->text(1) + u' ' + item->text(2)).toStdString();
}

TEST_F(MainWindowTest, HistoryWindowRestoresARunsFilesAndAFoundOne)
{
    const std::string src = temp / "source", out = temp / "out";
    StoreSettings(temp, src);
    const auto old = LocalTime(2022, 3, 4, 10);
    WriteFile(src + "/a.txt", "one\n");
    WriteFile(src + "/d/b \xff.txt", "two\n");
    SetMTime(src + "/a.txt", old);
    SetMTime(src + "/d/b \xff.txt", old);
    ExportFromCommandLine("full", "01-01-1970");
    WriteFile(src + "/a.txt", "one, changed\n");
    ExportFromCommandLine("next", DateFieldText(std::chrono::system_clock::now()));
    std::filesystem::remove_all(src);

    MainWindow& w = Window();
    w.show();
    w.exportTab()->historyButton->click();
    HistoryWindow* h = w.History();
    const struct {
        const char* name;
        std::function<void()> choose;
        std::map<std::string, std::string> files;
        const char* says;
    } rows[] = {
        { "the first run's files in place, as it found them",
            [&] {
                h->runs->selectRow(RowOfRun(h->runs, "1"));
                h->originalPlaceButton->setChecked(true);
            },
            { { src + "/a.txt", "one\n" }, { src + "/d/b \xff.txt", "two\n" } },
            "2 files restored into " },
        { "a found file of the second run into a folder",
            [&] {
                std::filesystem::create_directories(out);
                h->findText->setText(QStringLiteral("a.txt"));
                h->findButton->click();
                ExpectTidy(h->foundNote->parentWidget());
                h->found->selectRow(RowOfRun(h->found, "2"));
                h->chosenFolderButton->setChecked(true);
                h->restoreFolderEdit->setText(QString::fromStdString(out));
            },
            { { out + "/a.txt", "one, changed\n" } }, "1 file restored into " },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        BoxAnswerer person;
        row.choose();
        h->restoreButton->click();
        for (const auto& [path, bytes] : row.files)
            EXPECT_EQ(ReadFile(path), bytes) << path;
        EXPECT_TRUE(person.Log().contains(QLatin1String(row.says))) << person.Log().toStdString();
    }
    // Each restore is a run of the history's own.
    EXPECT_EQ(h->runs->rowCount(), 4);
    // The two archives the exports wrote, checked from the window.
    h->checkButton->click();
    EXPECT_EQ(h->checkNote->text(), QStringLiteral("2 of 2 archives hold."));
    EXPECT_TRUE(h->checkButton->isEnabled());
}

// A zone whose midnight falls between two exports makes them two days apart: the browser
// shows each day's state (the file deleted on the second day there on the first), each file
// with the size and time of the copy that would come back, and restores a picked folder.
TEST_F(MainWindowTest, BackupBrowserShowsEachDayAndRestoresAPickedFolder)
{
    const std::string src = temp / "source";
    StoreSettings(temp, src);
    const auto old = LocalTime(2022, 3, 4, 10), newer = LocalTime(2022, 3, 5, 11);
    for (const auto& [name, bytes] : std::map<std::string, std::string> {
             { "a.txt", "one\n" }, { "d/b.txt", "two\n" }, { "d/gone.txt", "gone\n" } }) {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, old);
    }
    ExportFromCommandLine("first", "01-01-1970");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const std::int64_t midnight = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
                                      .count();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    WriteFile(src + "/d/b.txt", "two, changed\n");
    SetMTime(src + "/d/b.txt", newer);
    std::filesystem::remove(src + "/d/gone.txt");
    ExportFromCommandLine("second", DateFieldText(std::chrono::system_clock::now()));
    struct ZoneReadAgain {
        ~ZoneReadAgain() { ::tzset(); }
    } const zoneReadAgain;
    const ScopedEnv zone("TZ", ZoneWithMidnightAt(midnight));
    ::tzset();

    MainWindow& w = Window();
    w.show();
    w.exportTab()->historyButton->click();
    w.History()->browseButton->click();
    BackupBrowser* b = w.History()->Browser();
    ASSERT_NE(b, nullptr);
    ExpectTidy(b);
    // The day field is reached by its caption's Alt key.
    EXPECT_TRUE(std::ranges::any_of(
        b->findChildren<QLabel*>(), [b](QLabel* l) { return l->buddy() == b->dayField; }));
    const struct {
        const char* name;
        std::string day;
        // Below the source, as of that day: bytes and time.
        std::map<std::string, std::pair<std::string, std::chrono::system_clock::time_point>> files;
    } rows[] = {
        { "the first day: the deleted file and the old copy", DayEndingAt(midnight),
            { { "a.txt", { "one\n", old } }, { "d/b.txt", { "two\n", old } },
                { "d/gone.txt", { "gone\n", old } } } },
        { "the second day: the deleted file absent, the new copy", DayEndingAt(midnight, 1),
            { { "a.txt", { "one\n", old } }, { "d/b.txt", { "two, changed\n", newer } } } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        b->dayField->setDate(
            QDate::fromString(QString::fromStdString(row.day), QStringLiteral("MM-dd-yyyy")));
        b->showButton->click();
        std::map<std::string, std::string> shown, held, inFolder;
        ShownFiles(b->tree, b->tree->invisibleRootItem(), src, shown);
        for (const auto& [path, copy] : row.files) {
            held[path] = history::SizeText(copy.first.size()) + ' ' + StoredDateText(copy.second);
            if (path.starts_with("d/"))
                inFolder[path] = copy.first;
        }
        EXPECT_EQ(shown, held);
        EXPECT_EQ(b->heldNote->text().toStdString(),
            "As of the end of " + row.day + ": " + std::to_string(row.files.size()) + " files.");

        const QList<QTreeWidgetItem*> d
            = b->tree->findItems(QStringLiteral("d"), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(d.size(), 1);
        b->tree->setCurrentItem(d.front());
        const std::string out = temp / row.day;
        std::filesystem::create_directories(out);
        b->place->chosenFolderButton->setChecked(true);
        b->place->restoreFolderEdit->setText(QString::fromStdString(out));
        BoxAnswerer person;
        b->restoreButton->click();
        std::map<std::string, std::string> restored;
        for (const std::string& path : ListFilesBelow(out))
            restored[path] = ReadFile(out + "/" + path);
        EXPECT_EQ(restored, inFolder);
        EXPECT_TRUE(person.Log().contains(QStringLiteral("%1 file%2 restored into ")
                                              .arg(inFolder.size())
                                              .arg(QLatin1String(inFolder.size() == 1 ? "" : "s"))))
            << person.Log().toStdString();
    }
}

} // namespace
} // namespace vesko::test
