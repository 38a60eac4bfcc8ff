// The history window's Restore…, driven on the real widgets over archives that real
// exports wrote: a run's files back in place as that run found them, and a found file
// into a chosen folder.
#include "app_fixture.h"
#include "platform/dates.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/made_files.h"

#include <filesystem>
#include <QRadioButton>

namespace vesko::test {
namespace {

int RowOfRun(QTableWidget* table, const char* id)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 0)->text() == QLatin1String(id))
            return row;
    return -1;
}

TEST_F(MainWindowTest, HistoryWindowRestoresARunsFilesAndAFoundOne)
{
    const std::string src = temp / "source", out = temp / "out";
    {
        SettingsStore store;
        for (const auto& [key, value] :
            std::map<std::string, std::string> { { "ArcFolder", temp / "arc/" },
                { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp / "tmp/" },
                { "ExportArj", "unused" }, { "DisksSpan", "no" }, { "SourceDir0", src } })
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    }
    const auto old = LocalTime(2022, 3, 4, 10);
    WriteFile(src + "/a.txt", "one\n");
    WriteFile(src + "/d/b \xff.txt", "two\n");
    SetMTime(src + "/a.txt", old);
    SetMTime(src + "/d/b \xff.txt", old);
    const auto exportRun = [&](const char* name, const std::string& since) {
        const ChildRun run = RunChild({ "/usr/bin/env", "-u", "DISPLAY", VESKO_PROGRAM_PATH,
            "export", "--since", since, "--name", name });
        ASSERT_EQ(run.status, 0) << run.err;
    };
    exportRun("full", "01-01-1970");
    WriteFile(src + "/a.txt", "one, changed\n");
    exportRun("next", DateFieldText(std::chrono::system_clock::now()));
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
}

} // namespace
} // namespace vesko::test
