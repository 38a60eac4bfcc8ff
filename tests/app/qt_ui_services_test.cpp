// The Qt side of the person: message boxes, the busy pointer and the progress window.
#include "app/progress_dialog.h"
#include "app/qt_ui_services.h"
#include "app_fixture.h"
#include "box_answerer.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vesko::test {
namespace {

TEST_F(MainWindowTest, MessageBoxesShowTitleTextIconAndButtons)
{
    frmMain& w = Window();
    w.show();
    QtUiServices& ui = w.Ui();
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes });

    EXPECT_EQ(ui.MsgBox(std::string("First.") + CR + CR + "Second <b>bold</b>", "Its Title",
                  Icon::Exclamation),
        Answer::Ok);
    EXPECT_EQ(ui.MsgBox("Cleanup operation completed.", "", Icon::None), Answer::Ok);
    EXPECT_EQ(ui.MsgBox("Proceed with cleanup?", "Cleanup Temporary Directory", Icon::Question,
                  Buttons::YesNo),
        Answer::No);
    EXPECT_EQ(ui.MsgBox("Replace?", "Q", Icon::Question, Buttons::YesNoDefaultNo), Answer::Yes);
    ui.MsgBox("done", "Vesko Backup", Icon::Information);
    ui.MsgBox(
        "trap", "Export Error", Icon::Critical, Buttons::Ok, std::string("/a: b") + CR + "/c: d");

    const auto& seen = person.Seen();
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].title, QStringLiteral("Its Title"));
    EXPECT_EQ(seen[0].text, QStringLiteral("First.\n\nSecond <b>bold</b>"));
    EXPECT_EQ(seen[0].format, Qt::PlainText); // a path is never read as markup
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(seen[1].title, QStringLiteral("Zeltan's Vesko Backup"));
    EXPECT_EQ(seen[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen[2].icon, QMessageBox::Question);
    EXPECT_EQ(seen[2].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen[2].defaultButton, QMessageBox::Yes);
    EXPECT_EQ(seen[3].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen[3].defaultButton, QMessageBox::No);
    EXPECT_EQ(seen[4].icon, QMessageBox::Information);
    EXPECT_EQ(seen[5].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].details, QString()); // folded away only when there is more to tell
    EXPECT_EQ(seen[5].details, QStringLiteral("/a: b\n/c: d"));
    for (const SeenBox& box : seen)
        EXPECT_EQ(box.parentName, QStringLiteral("frmMain"));
}

TEST_F(MainWindowTest, BusyPointerIsTheWindowsWaitCursorAndStaysBalanced)
{
    QtUiServices& ui = Window().Ui();
    ui.SetBusy(true);
    ui.SetBusy(true);
    EXPECT_EQ(Window().cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(ui.Busy());
    ui.SetBusy(false);
    EXPECT_NE(Window().cursor().shape(), Qt::WaitCursor);
    ui.SetBusy(false);
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
    EXPECT_TRUE(progress->isModal());
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Export"));
    EXPECT_EQ(progress->parentWidget(), &w);

    ui.ProgressFolder("/home/me/Documents/");
    ui.ProgressCounts(1234, 56, 7890);
    ui.ProgressStep("Archiving");
    ui.ProgressOutput("Adding    a.txt");
    ui.ProgressOutput("Adding    b.txt");
    EXPECT_EQ(progress->Step()->text(), QStringLiteral("Archiving"));
    EXPECT_EQ(progress->Counts()->text(),
        QStringLiteral("1,234 files examined, 56 copied (7,890 bytes)"));
    EXPECT_EQ(progress->Folder()->toolTip(), QStringLiteral("/home/me/Documents/"));
    EXPECT_EQ(
        progress->Output()->toPlainText(), QStringLiteral("Adding    a.txt\nAdding    b.txt"));

    // Boxes during the run sit over the progress window; closing the main window is refused.
    BoxAnswerer person;
    ui.MsgBox("Error", "Error Add Files", Icon::Critical);
    ASSERT_EQ(person.Seen().size(), 1u);
    EXPECT_EQ(person.Seen()[0].parentName, QStringLiteral("frmProgress"));
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());

    EXPECT_FALSE(ui.ProgressPoll());
    progress->CancelButton()->click();
    EXPECT_TRUE(ui.ProgressPoll());
    EXPECT_TRUE(ui.ProgressPoll());
    ui.ProgressEnd();
    EXPECT_EQ(ui.Progress(), nullptr);
    EXPECT_FALSE(ui.ProgressPoll());

    // The next run starts without the last one's Cancel or output.
    ui.ProgressBegin("Export");
    EXPECT_FALSE(ui.ProgressPoll());
    EXPECT_TRUE(ui.Progress()->Output()->toPlainText().isEmpty());
    ui.ProgressEnd();
    EXPECT_TRUE(w.close());
}

} // namespace
} // namespace vesko::test
