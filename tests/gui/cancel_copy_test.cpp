// Cancel pressed in the real progress window while a large tree is copied.
#include "app_fixture.h"
#include "settings/stored_settings.h"
#include "storage/run_records.h"
#include "storage/settings_store.h"

#include <fcntl.h>
#include <filesystem>
#include <QElapsedTimer>
#include <unistd.h>

namespace vesko::test {
namespace {

// The walk stops within a fraction of a second however large the tree, what this run copied
// goes, the run is recorded as cancelled, and no archiver is started.
TEST_F(MainWindowTest, CancelInTheProgressWindowStopsTheCopyAtOnce)
{
    const std::string source = temp / "source/";
    for (int folder = 0; folder < 200; ++folder) {
        const std::string path = source + "d" + std::to_string(folder) + "/";
        MakeDirs(path);
        for (int file = 0; file < 100; ++file)
            ::close(::open((path + "f" + std::to_string(file)).c_str(), O_CREAT | O_WRONLY, 0600));
    }
    SettingsStore store;
    ApplySettings(store,
        { temp / "archive/", "/usr/bin/", temp / "tree/", "cancelled", "", false, { source } });
    MainWindow& w = Window();
    w.show();
    w.exportTab()->cutOffEdit->setDate(QDate(1990, 1, 1));
    BoxAnswerer person;
    QElapsedTimer sinceCancel;
    QTimer presser;
    // Pressed once some thousands of files are copied, as a person would while it runs.
    QObject::connect(&presser, &QTimer::timeout, [&] {
        ProgressDialog* progress = w.Ui().Progress();
        if (!progress || sinceCancel.isValid()
            || !progress->Step()->text().startsWith(QStringLiteral("Copying"))
            || progress->Counts()->text().isEmpty())
            return;
        sinceCancel.start();
        progress->CancelButton()->click();
    });
    presser.start(200);
    w.ExportClicked();
    const qint64 afterCancel = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;

    ASSERT_GE(afterCancel, 0) << "the copy ended before Cancel could be pressed";
    EXPECT_LT(afterCancel, 1000) << "ms from Cancel to the run's end";
    EXPECT_FALSE(std::filesystem::exists(temp / "tree")) << "what this run copied is gone";
    EXPECT_FALSE(std::filesystem::exists(temp / "archive/cancelled.arj"));
    EXPECT_EQ(person.Log(),
        QStringLiteral("Export Cancelled|Export cancelled. The files copied so far were removed; "
                       "no archive was written.|information"));
    const RunReport run = history::ListRuns(store).front().report;
    EXPECT_EQ(run.outcome, RunOutcome::Cancelled);
    EXPECT_LT(run.files, 20000u) << "not every file was copied";
    EXPECT_FALSE(run.archiverStatus.has_value()) << "no archiver was started";
}

} // namespace
} // namespace vesko::test
