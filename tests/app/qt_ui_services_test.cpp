// The Qt side of the person: message boxes, the busy pointer and the progress window.
#include "app/qt_ui_services.h"
#include "app_fixture.h"

namespace vesko::test {
namespace {

TEST_F(MainWindowTest, MessageBoxesShowTitleTextIconAndButtons)
{
    frmMain& w = Window();
    w.show();
    QtUiServices& ui = w.Ui();
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes });
    EXPECT_EQ(ui.MsgBox(std::string("caf\xe9.") + CR + "<b>", "Its Title", Icon::Exclamation),
        Answer::Ok);
    EXPECT_EQ(ui.MsgBox("Cleanup operation completed.", "", Icon::None), Answer::Ok);
    EXPECT_EQ(ui.MsgBox("Proceed?", "Cleanup", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(ui.MsgBox("Replace?", "Q", Icon::Question, Buttons::YesNoDefaultNo), Answer::Yes);
    ui.MsgBox("done", "Vesko Backup", Icon::Information);
    ui.MsgBox(
        "trap", "Export Error", Icon::Critical, Buttons::Ok, std::string("/a: b") + CR + "/c");
    EXPECT_EQ(person.Log().toStdString(),
        "Its Title|caf\u00e9.\n<b>|warning\nZeltan's Vesko Backup|Cleanup operation "
        "completed.|none\n"
        "Cleanup|Proceed?|question\nQ|Replace?|question\nVesko Backup|done|information\n"
        "Export Error|trap|critical");
    QString defaults, details;
    for (const SeenBox& box : person.seen) {
        EXPECT_EQ(box.parentName, QStringLiteral("frmMain"));
        EXPECT_EQ(box.format, Qt::PlainText); // a path is never read as markup
        defaults += QString::number(box.defaultButton, 16) + QLatin1Char(' ');
        details += box.details + QLatin1Char('|'); // only when there is more to tell
    }
    EXPECT_EQ(defaults, QStringLiteral("400 400 4000 10000 400 400 ")); // Ok Ok Yes No Ok Ok
    EXPECT_EQ(details, QStringLiteral("|||||/a: b\n/c|"));

    // The busy pointer is the window's wait cursor, and stays balanced.
    ui.SetBusy(true);
    ui.SetBusy(true);
    EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(ui.Busy());
}

TEST_F(MainWindowTest, ProgressWindowShowsTheRunAndItsCancel)
{
    frmMain& w = Window();
    w.show();
    QtUiServices& ui = w.Ui();
    ui.ProgressBegin("Export");
    ProgressDialog* progress = ui.Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Export"));
    EXPECT_LE(
        (progress->frameGeometry().center() - w.frameGeometry().center()).manhattanLength(), 4);

    const std::string folder = "/home/me/" + std::string(200, 'x') + "/caf\xe9/";
    ui.ProgressFolder(folder);
    ui.ProgressCounts(1234, 56, 7890);
    ui.ProgressStep("Archiving <b>");
    ui.ProgressOutput("Adding    a.txt");
    ui.ProgressOutput("Adding    b.txt");
    EXPECT_EQ(progress->Step()->text(), QStringLiteral("Archiving <b>"));
    EXPECT_EQ(progress->Step()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(progress->Step()->font().bold());
    EXPECT_EQ(progress->Counts()->text(),
        QStringLiteral("1,234 files examined, 56 copied (7,890 bytes)"));
    // A long folder is cut in its middle; its whole name on hovering.
    EXPECT_TRUE(progress->Folder()->toolTip().endsWith(QStringLiteral("x/caf\u00e9/")));
    EXPECT_TRUE(progress->Folder()->text().contains(QChar(0x2026)));
    EXPECT_LE(progress->Folder()->fontMetrics().horizontalAdvance(progress->Folder()->text()),
        progress->Folder()->width());
    EXPECT_EQ(
        progress->Output()->toPlainText(), QStringLiteral("Adding    a.txt\nAdding    b.txt"));
    EXPECT_TRUE(progress->Output()->isReadOnly());
    EXPECT_EQ(progress->Output()->lineWrapMode(), QPlainTextEdit::NoWrap);

    // Boxes during the run sit over the progress window; closing the main window is refused.
    BoxAnswerer person;
    ui.MsgBox("Error", "Error Add Files", Icon::Critical);
    ASSERT_EQ(person.seen.size(), 1u);
    EXPECT_EQ(person.seen[0].parentName, QStringLiteral("frmProgress"));
    EXPECT_FALSE(w.close());

    // A run inside a run shares the window, which goes with the outer one.
    ui.ProgressBegin("Import");
    ui.ProgressEnd();
    EXPECT_EQ(ui.Progress(), progress);
    EXPECT_FALSE(ui.ProgressPoll());
    progress->CancelButton()->click();
    EXPECT_FALSE(progress->CancelButton()->isEnabled());
    EXPECT_TRUE(ui.ProgressPoll());
    EXPECT_TRUE(ui.ProgressPoll());
    ui.ProgressEnd();
    EXPECT_EQ(ui.Progress(), nullptr);
    EXPECT_FALSE(ui.ProgressPoll());
    ui.ProgressEnd(); // one too many changes nothing

    // The next run starts without the last one's Cancel, step, folder, counts or output.
    ui.ProgressBegin("Export");
    progress = ui.Progress();
    EXPECT_FALSE(ui.ProgressPoll());
    EXPECT_TRUE(progress->CancelButton()->isEnabled());
    EXPECT_EQ(progress->Step()->text() + progress->Folder()->text()
            + progress->Output()->toPlainText() + progress->Counts()->text(),
        QStringLiteral("0 files examined, 0 copied (0 bytes)"));
    ui.ProgressEnd();
    EXPECT_TRUE(w.close());
}

} // namespace
} // namespace vesko::test
