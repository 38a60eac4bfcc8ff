// The main window as a person sees it: start state, a tidy form, focus order, the date field,
// its fields and buttons, its boxes and progress window.
#include "app_fixture.h"
#include "gui/qt_ui_services.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/made_files.h"

#include <QContextMenuEvent>

namespace vesko::test {
namespace {

// A right click on the text or the frame, or Alt+Down, opens one calendar below the field on
// its date; a click or Enter on a day takes it.
TEST_F(MainWindowTest, DateFieldOpensACalendarBelowItOnARightClickOrAltDown)
{
    MainWindow& w = Window();
    w.show();
    w.tabs()->setCurrentIndex(0);
    DateField* field = w.exportTab()->cutOffEdit;
    QLineEdit* editor = field->findChild<QLineEdit*>();
    for (QWidget* target : std::initializer_list<QWidget*> { editor, field, nullptr }) {
        SCOPED_TRACE(target ? target->metaObject()->className() : "Alt+Down");
        field->setDate(QDate(2024, 2, 29));
        EXPECT_EQ(editor->text(), QStringLiteral("02-29-2024"));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier);
        for (int i = 0; i < 2; ++i)
            QCoreApplication::sendEvent(
                target ? target : field, target ? static_cast<QEvent*>(&click) : &altDown);
        QCalendarWidget* calendar = field->Calendar();
        ASSERT_NE(calendar, nullptr);
        EXPECT_EQ(field->findChildren<QCalendarWidget*>().size(), 1);
        EXPECT_TRUE(calendar->isVisible());
        EXPECT_EQ(calendar->windowType(), Qt::Popup);
        // Below the field (its popup frame aside).
        EXPECT_LE(
            (calendar->pos() - field->mapToGlobal(QPoint(0, field->height()))).manhattanLength(),
            4);
        EXPECT_EQ(calendar->selectedDate(), QDate(2024, 2, 29));
        (calendar->*(target == field ? &QCalendarWidget::activated : &QCalendarWidget::clicked))(
            QDate(2025, 7, 4));
        EXPECT_EQ(field->date(), QDate(2025, 7, 4));
        EXPECT_FALSE(calendar->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(field->Calendar(), nullptr);
    }
}

// A path field shows any bytes readably and gives back the bytes the edited text stands for:
// the untouched parts as they were, what was typed as UTF-8.
TEST_F(MainWindowTest, PathFieldsShowBytesReadablyAndKeepThemThroughAnEdit)
{
    struct Row {
        const char* name;
        std::string bytes;
        const char16_t* shown;
        const char16_t* edited = nullptr; // left alone
        std::string kept = {};
    };
    const Row rows[] = {
        { "UTF-8 at the edges of each length",
            "\xc3\xa9l\xc2\xa9\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xef\xbc\xa1\xf0\x90\x80\x80\xf4\x8f"
            "\xbf\xbf",
            u"\u00e9l\u00a9\u07ff\u0800\ud7ff\uff21\U00010000\U0010ffff" },
        { "Latin-1 and control bytes", "caf\xe9 \xa0\x9f\x7f", u"caf\u00e9 \u00a0\ufffd\u007f" },
        { "overlong, surrogate, past the last, broken or cut",
            "\xc1\xbf\xe0\x9f\xbf\xf0\x8f\xbf\xbf\xed\xa0\x80\xf4\x90\x80\x80\xf5\x80\xe2\x82\x41"
            "\xe2\x82\xc0\xe2\x82",
            u"\u00c1\u00bf\u00e0\ufffd\u00bf\u00f0\ufffd\u00bf\u00bf\u00ed\u00a0\ufffd\u00f4\ufffd"
            u"\ufffd\ufffd"
            u"\u00f5\ufffd\u00e2\ufffdA\u00e2\ufffd\u00c0\u00e2\ufffd" },
        { "typed at the end", "/arc caf\xe9/", u"/arc caf\u00e9/", u"/arc caf\u00e9/2026/",
            "/arc caf\xe9/2026/" },
        { "typed at the start", "caf\xe9/", u"caf\u00e9/", u"/old caf\u00e9/", "/old caf\xe9/" },
        { "last letter replaced", "\xe9t\xe9", u"\u00e9t\u00e9", u"\u00e9t\u00e8",
            "\xe9t\xc3\xa8" },
        { "a repeated letter doubled", "a\xe9\xe9", u"a\u00e9\u00e9", u"a\u00e9\u00e9\u00e9",
            "a\xe9\xe9\xc3\xa9" },
        { "low half of a pair changed", "a\xf0\x9f\x98\x80z", u"a\U0001f600z", u"a\U0001f601z",
            "a\xf0\x9f\x98\x81z" },
        { "high half of a pair changed", "a\xf0\x9f\x98\x80z", u"a\U0001f600z", u"a\U00010600z",
            "a\xf0\x90\x98\x80z" },
    };
    MainWindow& w = Window();
    auto* edit = Find<QLineEdit>("archiveFolderEdit");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.settingsTab()->archiveFolderEdit->SetPath(row.bytes);
        EXPECT_EQ(edit->text(), QString::fromUtf16(row.shown));
        EXPECT_EQ(edit->toolTip(), edit->text()); // the narrow field's whole text
        EXPECT_EQ(edit->cursorPosition(), 0); // shows the start of a path
        EXPECT_EQ(w.settingsTab()->archiveFolderEdit->Path(), row.bytes);
        if (row.edited) {
            edit->setText(QString::fromUtf16(row.edited));
            EXPECT_EQ(w.settingsTab()->archiveFolderEdit->Path(), row.kept);
        }
    }
}

// Names in an old 8-bit encoding travel as their bytes from the store through the fields
// and the source list, back to the store and into the archive's name; every button reaches
// its handler, and the open history shows the run once it ends.
TEST_F(MainWindowTest, ExportRunsEndToEndKeepingTheBytesOfEveryName)
{
    const std::string cafe = "caf\xe9"; // Latin-1, not UTF-8
    const std::string src = temp / "src/" + cafe + "/";
    WriteFile(src + "notes.txt", "kept");
    // As another tool may have written them: a folder without its ending, a span value the
    // window reads as clear, no Import Name, a source under a key of its own.
    StoreSettings({ { "ArcFolder", temp / "arc " + cafe }, { "ArjFolder", "/usr/bin/" },
        { "DestinDir", temp / "tmp/" }, { "DisksSpan", "No" }, { "ExportArj", cafe },
        { "SourceDir7", src } });
    SettingsStore store;
    const auto stored
        = [&store] { return store.GetAllSettings(kSettingsApplication, kSettingsSection); };
    SettingsStore::Entries before = stored();

    MainWindow& w = Window();
    w.show();
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Yes });
    EXPECT_FALSE(Find<QCheckBox>("spanCheck")->isChecked());

    // One folder at a time is selected. Delete takes it and leaves nothing selected: a
    // second press must not take the next one.
    w.settingsTab()->sourceFolderEdit->SetPath("/nowhere");
    Find<QPushButton>("addSourceButton")->click();
    auto* list = Find<QListWidget>("sourceList");
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);
    Find<QPushButton>("deleteSourceButton")->click();
    Find<QPushButton>("deleteSourceButton")->click();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text() + list->item(0)->toolTip(), ShownPath(src) + ShownPath(src));

    w.settingsTab()->exportNameEdit->SetPath(cafe + "2"); // edited: stored; the rest byte for byte
    Find<QPushButton>("applyButton")->click();
    before[4].second = cafe + "2";
    EXPECT_EQ(stored(), before);
    w.settingsTab()->archiveFolderEdit->SetPath("/elsewhere/");
    Find<QPushButton>("resetButton")->click();
    EXPECT_EQ(w.settingsTab()->archiveFolderEdit->Path(), temp / "arc " + cafe + "/");
    Find<QPushButton>("historyButton")->click();
    EXPECT_EQ(
        w.History()->details->text(), QStringLiteral("No export or import has been recorded yet."));

    // The runs are over: their boxes over the window.
    Find<QPushButton>("importButton")->click(); // refused: no Import Name
    Find<QPushButton>("exportButton")->click();
    QStringList titles;
    for (const SeenBox& box : person.seen)
        titles << box.title + QLatin1Char('@') + box.parentName;
    EXPECT_EQ(titles.join(QLatin1Char('|')),
        QStringLiteral(
            "Selection Required@MainWindow|Entry Required@MainWindow|Vesko Backup@MainWindow|"
            "Cleanup Temporary Directory@MainWindow|Zeltan's Vesko Backup@MainWindow"));
    ASSERT_EQ(w.History()->runs->rowCount(), 2);

    // The folder dialog and the history close with the window.
    MakeDirs(temp / "home");
    Find<QPushButton>("browseButton_5")->click();
    EXPECT_TRUE(w.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("FolderPicker")), nullptr);
    EXPECT_FALSE(w.History()->isVisible());
}

// The Qt side of the person: message boxes, the busy pointer and the progress window.
TEST_F(MainWindowTest, BoxesBusyPointerAndProgressWindowAreTheWindows)
{
    MainWindow& w = Window();
    w.show();
    // The program's own icon, from the resources the window registers.
    EXPECT_FALSE(w.windowIcon().pixmap(32).isNull());
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
    const std::vector<SeenBox>& seen = person.seen;
    EXPECT_EQ(seen[0].format, Qt::PlainText); // a path is never read as markup
    EXPECT_EQ(seen[0].parentName + seen[5].parentName, QStringLiteral("MainWindowMainWindow"));
    EXPECT_EQ(seen[2].defaultButton | seen[3].defaultButton << 1,
        QMessageBox::Yes | QMessageBox::No << 1);
    EXPECT_EQ(
        seen[0].details + seen[5].details, QStringLiteral("/a: b\n/c")); // only when more to tell

    // The busy pointer is the window's wait cursor, and stays balanced.
    ui.SetBusy(true);
    ui.SetBusy(true);
    EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(ui.Busy());

    // The progress window, over the middle of the window.
    ui.ProgressBegin("Export");
    ProgressDialog* progress = ui.Progress();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(progress, &enter);
    EXPECT_FALSE(progress->Cancelled()) << "Enter, meant for another window, cancels nothing";
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
    EXPECT_EQ(
        progress->Output()->toPlainText(), QStringLiteral("Adding    a.txt\nAdding    b.txt"));
    EXPECT_TRUE(progress->Output()->isReadOnly());
    EXPECT_EQ(progress->Output()->lineWrapMode(), QPlainTextEdit::NoWrap);
    ExpectTidy(progress);

    // Boxes during the run sit over the progress window; closing the main window is refused.
    ui.MsgBox("Error", "Error Add Files", Icon::Critical);
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[6].parentName, QStringLiteral("progressWindow"));
    EXPECT_FALSE(w.close());

    EXPECT_FALSE(ui.ProgressPoll());
    progress->CancelButton()->click();
    EXPECT_FALSE(progress->CancelButton()->isEnabled());
    EXPECT_TRUE(ui.ProgressPoll());
    EXPECT_TRUE(ui.ProgressPoll());
    ui.ProgressEnd();
    EXPECT_EQ(ui.Progress(), nullptr);
    EXPECT_FALSE(ui.ProgressPoll());

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
