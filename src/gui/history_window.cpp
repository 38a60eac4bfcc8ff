#include "gui/history_window.h"

#include "care/archive_check.h"
#include "care/chains.h"
#include "gui/archive_checks.h"
#include "gui/path_text.h"
#include "history/run_details.h"
#include "platform/dates.h"
#include "storage/run_names.h"
#include "storage/run_records.h"

#include <exception>
#include <map>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

namespace vesko {

namespace {

// A path is bytes; shown as every path field of the program shows it.
QString PathText(const std::string& path)
{
    return ShownPath(path);
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A cell shown as text and sorted by a number (an instant, a size, a run number).
class Cell : public QTableWidgetItem {
public:
    Cell(const QString& text, qlonglong order, bool number = true)
        : QTableWidgetItem(text)
    {
        setData(Qt::UserRole, order);
        if (number)
            setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override
    {
        return data(Qt::UserRole).toLongLong() < other.data(Qt::UserRole).toLongLong();
    }
};

// A path's cell keeps its bytes, which its text may not show faithfully.
QTableWidgetItem* PathCell(const std::string& path)
{
    auto* item = new QTableWidgetItem(PathText(path));
    item->setData(Qt::UserRole, QByteArray::fromStdString(path));
    return item;
}

qlonglong Nanoseconds(TimePoint when)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
}

QTableWidget* Table(const QStringList& headers, const char* name, QWidget* parent)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

void SetRow(QTableWidget* table, int row, std::initializer_list<QTableWidgetItem*> cells)
{
    int column = 0;
    for (QTableWidgetItem* cell : cells) {
        // A long path or reason is cut at its column's edge; the whole text on hovering.
        cell->setToolTip(cell->text());
        table->setItem(row, column++, cell);
    }
}

QIcon OutcomeIcon(const QStyle* style, RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Success:
        return style->standardIcon(QStyle::SP_DialogApplyButton);
    case RunOutcome::Incomplete:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case RunOutcome::Failed:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case RunOutcome::Cancelled:
        return style->standardIcon(QStyle::SP_DialogCancelButton);
    case RunOutcome::Refused:
        // A run stopped by a check made no backup: that needs seeing as much as a left-out file.
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case RunOutcome::Unfinished:
        break;
    }
    return style->standardIcon(QStyle::SP_MessageBoxQuestion);
}

// The verdict and instant of the archive's last check and why it failed, sorted by the
// instant; empty when it was never checked.
QTableWidgetItem* LastCheckCell(
    const std::map<std::int64_t, ArchiveCheck>& checks, std::int64_t run)
{
    const auto check = checks.find(run);
    if (check == checks.end())
        return new Cell(QString(), 0, false);
    QString text
        = QStringLiteral("%1 %2").arg(QString::fromLatin1(VerdictName(check->second.verdict)),
            Text(StoredDateText(check->second.checked)));
    if (check->second.verdict != CheckVerdict::Holds)
        text += QStringLiteral(": ") + Text(check->second.detail);
    auto* cell = new Cell(text, Nanoseconds(check->second.checked), false);
    return cell;
}

} // namespace

// The search of the archived files: its words, its button, its note and what it found.
QWidget* HistoryWindow::MakeFindBox()
{
    auto* findBox = new QGroupBox(QStringLiteral("Find an archived file"), this);
    findBox->setObjectName(QStringLiteral("findBox"));
    findText = new QLineEdit(findBox);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("Part of its path, as it lies below its source"));
    findButton = new QPushButton(QStringLiteral("&Find"), findBox);
    findButton->setObjectName(QStringLiteral("findButton"));
    found = Table({ QStringLiteral("Run"), QStringLiteral("Started"), QStringLiteral("Archive"),
                      QStringLiteral("Size"), QStringLiteral("Modified"), QStringLiteral("File") },
        "found", findBox);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findText);
    findRow->addWidget(findButton);
    foundNote = new QLabel(findBox);
    foundNote->setObjectName(QStringLiteral("foundNote"));
    auto* findLayout = new QVBoxLayout(findBox);
    findLayout->addLayout(findRow);
    findLayout->addWidget(foundNote);
    findLayout->addWidget(found);
    return findBox;
}

HistoryWindow::HistoryWindow(SettingsStore& store, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , store_(store)
    , ui_(ui)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Run History"));
    resize(960, 760);

    runs = Table({ QStringLiteral("Run"), QStringLiteral("Started"), QStringLiteral("Kind"),
                     QStringLiteral("Outcome"), QStringLiteral("Files"), QStringLiteral("Size"),
                     QStringLiteral("Archive"), QStringLiteral("Last check") },
        "runs", this);
    runs->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);

    auto* detailsBox = new QGroupBox(QStringLiteral("Selected run"), this);
    details = new QLabel(detailsBox);
    details->setObjectName(QStringLiteral("details"));
    details->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->setTextFormat(Qt::RichText);
    // A long message wraps in its cell rather than widening the window past the screen.
    details->setWordWrap(true);
    auto* detailsScroll = new QScrollArea(detailsBox);
    detailsScroll->setObjectName(QStringLiteral("detailsScroll"));
    detailsScroll->setWidget(details);
    detailsScroll->setWidgetResizable(true);
    detailsScroll->setFrameShape(QFrame::NoFrame);
    leftOut
        = Table({ QStringLiteral("Left out"), QStringLiteral("Reason") }, "leftOut", detailsBox);
    auto* detailsLayout = new QHBoxLayout(detailsBox);
    detailsLayout->addWidget(detailsScroll, 2);
    detailsLayout->addWidget(leftOut, 3);

    QWidget* findBox = MakeFindBox();

    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("problem"));
    problem->setWordWrap(true);
    problem->setVisible(false);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(runs);
    splitter->addWidget(detailsBox);
    splitter->addWidget(findBox);
    splitter->setSizes({ 190, 330, 200 });
    checkButton = new QPushButton(QStringLiteral("Check Archives"), this);
    checkButton->setObjectName(QStringLiteral("checkButton"));
    checkNote = new QLabel(this);
    checkNote->setObjectName(QStringLiteral("checkNote"));
    checkNote->setWordWrap(true);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(checkNote, 1);
    checkRow->addWidget(checkButton, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(MakeRestoreRow());
    layout->addWidget(problem);
    layout->addLayout(checkRow);

    connect(runs, &QTableWidget::itemSelectionChanged, this, [this] { ShowSelectedRun(); });
    connect(findText, &QLineEdit::returnPressed, this, [this] { Find(); });
    connect(findButton, &QPushButton::clicked, this, [this] { Find(); });
    connect(checkButton, &QPushButton::clicked, this, [this] { CheckArchives(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { RestoreClicked(); });
    connect(browseButton, &QPushButton::clicked, this, [this] { BrowseClicked(); });

    Reload();
}

void HistoryWindow::Report(const char* what, const std::exception& e)
{
    problem->setText(QStringLiteral("The run history could not be %1: %2")
                         .arg(QString::fromLatin1(what), Text(e.what())));
    problem->setVisible(true);
}

std::int64_t HistoryWindow::SelectedRun() const
{
    const QList<QTableWidgetItem*> selected = runs->selectedItems();
    return selected.isEmpty()
        ? 0
        : runs->item(selected.first()->row(), 0)->data(Qt::UserRole).toLongLong();
}

void HistoryWindow::Reload()
{
    problem->setVisible(false);
    std::vector<history::RecordedRun> recorded;
    std::set<std::int64_t> removed;
    std::map<std::int64_t, ArchiveCheck> checks;
    try {
        recorded = history::ListRuns(store_);
        removed = history::RemovedRuns(store_);
        checks = LastChecks(store_);
    } catch (const std::exception& e) {
        Report("read", e);
    }
    const std::int64_t selected = SelectedRun();
    runs->setSortingEnabled(false);
    runs->clearContents();
    runs->setRowCount(static_cast<int>(recorded.size()));
    int row = 0;
    for (const history::RecordedRun& run : recorded) {
        const RunReport& r = run.report;
        auto* outcome = new QTableWidgetItem(
            OutcomeIcon(style(), r.outcome), QString::fromLatin1(history::OutcomeName(r.outcome)));
        SetRow(runs, row++,
            { new Cell(QString::number(run.id), run.id),
                new Cell(Text(StoredDateText(r.started)), Nanoseconds(r.started), false),
                new QTableWidgetItem(Text(history::KindText(r))), outcome,
                new Cell(QString::number(r.files), static_cast<qlonglong>(r.files)),
                new Cell(Text(history::SizeText(r.bytes)), static_cast<qlonglong>(r.bytes)),
                new QTableWidgetItem(PathText(r.archive)
                    + (removed.count(run.id) != 0 ? QLatin1StringView(history::kRemovedMark)
                                                  : QLatin1StringView())),
                LastCheckCell(checks, run.id) });
    }
    // Sorted again as the person last asked: newest first at the start.
    runs->setSortingEnabled(true);
    runs->resizeColumnsToContents();

    int select = 0;
    for (int i = 0; i < runs->rowCount(); ++i)
        if (runs->item(i, 0)->data(Qt::UserRole).toLongLong() == selected)
            select = i;
    if (runs->rowCount() > 0)
        runs->selectRow(select);
    ShowSelectedRun();
}

void HistoryWindow::ShowSelectedRun()
{
    details->clear();
    leftOut->setRowCount(0);
    const std::int64_t id = SelectedRun();
    if (id == 0) {
        details->setText(runs->rowCount() == 0
                ? QStringLiteral("No export or import has been recorded yet.")
                : QStringLiteral("Choose a run in the list to see its details."));
        return;
    }
    std::optional<history::RecordedRun> run;
    try {
        run = history::ReadRun(store_, id);
    } catch (const std::exception& e) {
        Report("read", e);
    }
    if (!run)
        return;
    QString rows;
    for (const auto& [label, value] : history::DetailLines(*run))
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(Text(label).toHtmlEscaped(), PathText(value).toHtmlEscaped());
    details->setText(QStringLiteral("<table cellspacing=\"2\">%1</table>").arg(rows));
    leftOut->setRowCount(static_cast<int>(run->report.leftOut.size()));
    int row = 0;
    for (const LeftOutFile& f : run->report.leftOut)
        SetRow(leftOut, row++,
            { new QTableWidgetItem(PathText(f.path)), new QTableWidgetItem(Text(f.reason)) });
    leftOut->resizeColumnToContents(0);
}

void HistoryWindow::CheckArchives()
{
    checkButton->setEnabled(false);
    checkNote->setText(QStringLiteral("Checking the archives\u2026"));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QString said = CheckKnownArchives(store_);
    QApplication::restoreOverrideCursor();
    checkNote->setText(said);
    checkButton->setEnabled(true);
    Reload();
}

void HistoryWindow::Find()
{
    const std::string text = findText->text().isEmpty()
        ? std::string()
        : QFile::encodeName(findText->text()).toStdString();
    found->setRowCount(0);
    foundNote->clear();
    if (text.empty())
        return;
    std::vector<history::FoundFile> files;
    try {
        files = history::FindArchived(store_, text);
    } catch (const std::exception& e) {
        Report("searched", e);
    }
    foundNote->setText(files.empty()
            ? QStringLiteral("No recorded archived file has \u201c%1\u201d in its path.")
                  .arg(findText->text())
            : QStringLiteral("%1 %2, newest run first.")
                  .arg(files.size())
                  .arg(files.size() == 1 ? QStringLiteral("file") : QStringLiteral("files")));
    found->setRowCount(static_cast<int>(files.size()));
    int row = 0;
    for (const history::FoundFile& f : files)
        SetRow(found, row++,
            { new Cell(QString::number(f.run), f.run),
                new QTableWidgetItem(Text(StoredDateText(f.started))),
                new QTableWidgetItem(PathText(f.archive)),
                new QTableWidgetItem(Text(history::SizeText(f.file.size))),
                new QTableWidgetItem(Text(StoredDateText(f.file.modified))),
                PathCell(f.file.path) });
    found->resizeColumnsToContents();
}

} // namespace vesko
