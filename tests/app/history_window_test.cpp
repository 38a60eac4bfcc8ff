// The run history window: the same runs the command line lists, sortable, the selected
// run's details and left-out files, and the search across runs.
#include "app/export_tab.h"
#include "app/history_window.h"
#include "app_fixture.h"
#include "history/run_history.h"
#include "platform/dates.h"
#include "support/child_process.h"

#include <gmock/gmock.h>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

namespace vesko::test {
namespace {

using ::testing::HasSubstr;

// A column's or a row's cells, joined by '|'.
std::string Column(QTableWidget* table, int column)
{
    QStringList cells;
    for (int row = 0; row < table->rowCount(); ++row)
        cells << table->item(row, column)->text();
    return cells.join(QLatin1Char('|')).toStdString();
}

std::string Row(QTableWidget* table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->item(row, column)->text();
    return cells.join(QLatin1Char('|')).toStdString();
}

TEST_F(MainWindowTest, HistoryWindowShowsTheRunsTheCommandLineLists)
{
    struct Run {
        const char* name;
        RunKind kind;
        RunOutcome outcome; // Unfinished: never ended
        std::uint64_t files;
        std::uint64_t bytes;
        const char* archive;
        std::vector<ArchivedFile> archived;
        std::vector<LeftOutFile> leftOut;
    };
    const TimePoint t = LocalTime(2026, 11, 30, 22);
    const Run runs[] = {
        { "success", RunKind::Export, RunOutcome::Success, 2, 3000, "/arc/mon.arj",
            { { "docs/report.odt", 2000, t }, { "a.txt", 1000, t } }, {} },
        { "incomplete", RunKind::Export, RunOutcome::Incomplete, 1, 2100, "/arc/tue.arj",
            { { "docs/report.odt", 2100, t } }, { { "/src/secret", "Permission denied" } } },
        { "failed import", RunKind::Import, RunOutcome::Failed, 1, 900, "/arc/tue.arj", {}, {} },
        { "killed", RunKind::Export, RunOutcome::Unfinished, 0, 0, "", {}, {} },
    };
    {
        SettingsStore store;
        int day = 0;
        for (const Run& run : runs) {
            RunReport report(run.kind);
            report.started = t + std::chrono::hours(24 * ++day);
            const std::int64_t id = history::BeginRun(store, report);
            if (run.outcome == RunOutcome::Unfinished)
                continue;
            report.ended = report.started + std::chrono::minutes(1);
            report.outcome = run.outcome;
            report.files = run.files;
            report.bytes = run.bytes;
            report.archive = run.archive;
            report.archived = run.archived;
            report.leftOut = run.leftOut;
            history::EndRun(store, id, report);
        }
    }

    frmMain& w = Window();
    w.show();
    w.exportTab()->cmdHistory->click();
    HistoryWindow* h = w.History();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(h->isVisible());
    EXPECT_TRUE(h->isWindow());
    EXPECT_EQ(h->windowModality(), Qt::NonModal);

    // Row for row what vesko-backup history prints, newest first.
    const ChildRun listed
        = RunChild({ "/usr/bin/env", "-u", "DISPLAY", VESKO_PROGRAM_PATH, "history" });
    ASSERT_EQ(listed.status, 0) << listed.err;
    QStringList lines
        = QString::fromStdString(listed.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeFirst();
    ASSERT_EQ(h->runs->rowCount(), static_cast<int>(std::size(runs)));
    ASSERT_EQ(lines.size(), h->runs->rowCount());
    for (int row = 0; row < h->runs->rowCount(); ++row) {
        SCOPED_TRACE(runs[std::size(runs) - 1 - row].name);
        QStringList cells = lines[row].trimmed().split(QRegularExpression(QStringLiteral(" {2,}")));
        if (cells.last() == QStringLiteral("-"))
            cells.last().clear();
        EXPECT_EQ(cells.join(QLatin1Char('|')).toStdString(), Row(h->runs, row));
        EXPECT_FALSE(h->runs->item(row, 3)->icon().isNull());
    }
    EXPECT_NE(h->runs->item(0, 3)->icon().cacheKey(), h->runs->item(3, 3)->icon().cacheKey());

    // Sorted as a click on a header sorts, by the size rather than its text, and kept so.
    h->runs->horizontalHeader()->setSortIndicator(5, Qt::DescendingOrder);
    h->Reload();
    EXPECT_EQ(Column(h->runs, 0), "1|2|3|4");

    // The incomplete run: its details and what it left out.
    h->runs->selectRow(1); // run 2
    EXPECT_THAT(h->details->text().toStdString(), HasSubstr("incomplete"));
    ASSERT_EQ(h->leftOut->rowCount(), 1);
    EXPECT_EQ(h->leftOut->item(0, 0)->text(), QStringLiteral("/src/secret"));
    EXPECT_EQ(h->leftOut->item(0, 1)->text(), QStringLiteral("Permission denied"));

    h->findText->setText(QStringLiteral("report"));
    h->cmdFind->click();
    EXPECT_EQ(Column(h->found, 0), "2|1");
    EXPECT_EQ(Column(h->found, 2), "/arc/tue.arj|/arc/mon.arj");
    EXPECT_EQ(Column(h->found, 5), "docs/report.odt|docs/report.odt");
    h->findText->setText(QStringLiteral("Report"));
    h->cmdFind->click();
    EXPECT_EQ(h->found->rowCount(), 0);
    EXPECT_THAT(h->foundNote->text().toStdString(), HasSubstr("No recorded archived file"));
}

} // namespace
} // namespace vesko::test
