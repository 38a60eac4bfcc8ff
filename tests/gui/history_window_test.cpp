// The run history window: the same runs the command line lists, sortable, the selected
// run's details and left-out files, and the search across runs.
#include "app_fixture.h"
#include "platform/dates.h"
#include "storage/run_history.h"
#include "support/child_process.h"

#include <QHeaderView>
#include <QRegularExpression>

namespace vesko::test {
namespace {

// The cells of rows [r0, r1) and columns [c0, c1): '|' between cells, '\n' after each row.
// Every cell shows its whole text on hovering.
std::string Cells(QTableWidget* table, int r0, int r1, int c0, int c1)
{
    std::string cells;
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
            cells += table->item(r, c)->text().toStdString() + (c + 1 < c1 ? "|" : "\n");
            EXPECT_EQ(table->item(r, c)->toolTip(), table->item(r, c)->text());
            EXPECT_GE(table->columnWidth(c),
                table->fontMetrics().horizontalAdvance(table->item(r, c)->text()));
        }
    return cells;
}

TEST_F(MainWindowTest, HistoryWindowShowsTheRunsTheCommandLineLists)
{
    const TimePoint t = LocalTime(2026, 11, 30, 22);
    SettingsStore store;
    int day = 0;
    const auto record
        = [&](RunKind kind, RunOutcome outcome, std::uint64_t bytes, const char* archive,
              std::vector<ArchivedFile> archived = {}, std::vector<LeftOutFile> leftOut = {}) {
              RunReport report(kind);
              report.started = t + std::chrono::hours(24 * ++day);
              const std::int64_t id = history::BeginRun(store, report);
              if (outcome == RunOutcome::Unfinished)
                  return; // killed
              report.ended = report.started + std::chrono::minutes(1);
              report.outcome = outcome;
              report.files = archived.size();
              report.bytes = bytes;
              report.archive = archive;
              report.archived = archived;
              report.leftOut = leftOut;
              history::EndRun(store, id, report);
          };
    record(RunKind::Export, RunOutcome::Success, 3000, "/arc/mon.arj",
        { { "docs/report.odt", 1 << 20, t }, { "a.txt", 1000, t } });
    record(RunKind::Export, RunOutcome::Incomplete, 2100, "/arc/tue\xe9.arj",
        { { "docs/report.odt", 1024, t } },
        { { "/src/a long folder name/secret", "Permission denied" } });
    record(RunKind::Import, RunOutcome::Failed, 900, "/arc/tue.arj");
    record(RunKind::Export, RunOutcome::Unfinished, 0, "");

    MainWindow& w = Window();
    w.show();
    w.exportTab()->historyButton->click();
    HistoryWindow* h = w.History();
    EXPECT_TRUE(h->isVisible() && h->isWindow());
    ExpectTidy(h);
    EXPECT_TRUE(h->details->textInteractionFlags() & Qt::TextSelectableByMouse) << "copied out";
    ExpectTidy(h->restoreButton->parentWidget());

    // Row for row what vesko-backup history prints, newest first: its bytes shown as the
    // window shows a path, its columns' spacing as '|'.
    const ChildRun listed = RunProgram({}, { "history" });
    ASSERT_EQ(listed.status, 0) << listed.err;
    const QString cli
        = ShownPath(listed.out)
              .section(QLatin1Char('\n'), 1)
              .replace(QRegularExpression(QStringLiteral("(?m)^ +| +$|-$")), QString())
              .replace(QRegularExpression(QStringLiteral(" {2,}")), QStringLiteral("|"));
    EXPECT_EQ(cli.toStdString(), Cells(h->runs, 0, 4, 0, 7));
    EXPECT_EQ(h->runs->item(0, 5)->textAlignment(), Qt::AlignRight | Qt::AlignVCenter);

    // The incomplete run: its details and what it left out, kept selected through a reload
    // sorted as a click on a header sorts, by the size rather than its text.
    h->runs->selectRow(2); // run 2
    h->runs->horizontalHeader()->setSortIndicator(5, Qt::DescendingOrder);
    h->Reload();
    EXPECT_EQ(Cells(h->runs, 0, 4, 0, 1), "1\n2\n3\n4\n");
    EXPECT_TRUE(h->details->text().contains(
        QRegularExpression(QStringLiteral("incomplete.*/arc/tue\u00e9.arj"))));
    EXPECT_EQ(Cells(h->leftOut, 0, h->leftOut->rowCount(), 0, 2),
        "/src/a long folder name/secret|Permission denied\n");
    h->runs->clearSelection();
    EXPECT_EQ(h->leftOut->rowCount(), 0);
    EXPECT_EQ(h->details->text(), QStringLiteral("Choose a run in the list to see its details."));

    // The search, by the button or Enter; case matters, as in file names.
    const std::pair<const char*, const char*> finds[] = {
        { "report", "2 files, newest run first." },
        { "a.txt", "1 file, newest run first." },
        { "Report", "No recorded archived file has \u201cReport\u201d in its path." },
        { "", "" },
    };
    for (const auto& [text, note] : finds) {
        h->findText->setText(QString::fromUtf8(text));
        h->findButton->click();
        EXPECT_EQ(h->foundNote->text(), QString::fromUtf8(note));
    }
    EXPECT_EQ(h->found->rowCount(), 0);
    h->findText->setText(QStringLiteral("report"));
    Q_EMIT h->findText->returnPressed();
    EXPECT_EQ(Cells(h->found, 0, h->found->rowCount(), 0, 6),
        "2|2026-12-02 22:00:00|/arc/tue\u00e9.arj|1.0 KB|2026-11-30 22:00:00|docs/report.odt\n"
        "1|2026-12-01 22:00:00|/arc/mon.arj|1.0 MB|2026-11-30 22:00:00|docs/report.odt\n");
}

} // namespace
} // namespace vesko::test
