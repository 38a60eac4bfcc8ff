// The window's working state on its widgets, and the buttons reaching their handlers.
#include "app_fixture.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"

namespace vesko::test {
namespace {

using Field = MainForm::Field;

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
        { "all deleted", "caf\xe9", u"caf\u00e9", u"", "" },
        { "low half of a pair changed", "a\xf0\x9f\x98\x80z", u"a\U0001f600z", u"a\U0001f601z",
            "a\xf0\x9f\x98\x81z" },
        { "high half of a pair changed", "a\xf0\x9f\x98\x80z", u"a\U0001f600z", u"a\U00010600z",
            "a\xf0\x90\x98\x80z" },
    };
    frmMain& w = Window();
    auto* edit = Find<QLineEdit>("txtArcFolder");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.SetText(Field::txtArcFolder, row.bytes);
        EXPECT_EQ(edit->text(), QString::fromUtf16(row.shown));
        EXPECT_EQ(edit->toolTip(), edit->text()); // the narrow field's whole text
        EXPECT_EQ(edit->cursorPosition(), 0); // shows the start of a path
        EXPECT_EQ(w.Text(Field::txtArcFolder), row.bytes);
        if (row.edited) {
            edit->setText(QString::fromUtf16(row.edited));
            EXPECT_EQ(w.Text(Field::txtArcFolder), row.kept);
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
    SettingsStore store;
    // As another tool may have written them: a folder without its ending, a span value the
    // window reads as clear, no Import Name, a source under a key of its own.
    for (const auto& [key, value] :
        std::vector<std::pair<std::string, std::string>> { { "ArcFolder", temp / "arc " + cafe },
            { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp / "tmp/" }, { "DisksSpan", "No" },
            { "ExportArj", cafe }, { "SourceDir7", src } })
        store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
    const auto stored
        = [&store] { return store.GetAllSettings(kSettingsApplication, kSettingsSection); };
    const SettingsStore::Entries before = stored();

    frmMain& w = Window();
    w.show();
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Yes });
    for (const char* name : { "txtArcFolder", "txtImportFolder", "txtExportArj" })
        EXPECT_TRUE(Find<QLineEdit>(name)->text().contains(QStringLiteral("caf\u00e9"))) << name;
    EXPECT_FALSE(Find<QCheckBox>("fpBoolean1")->isChecked());

    // One folder at a time is selected. Delete takes it and leaves nothing selected: a
    // second press must not take the next one.
    w.SetText(Field::txtSourceDir, "/nowhere");
    Find<QPushButton>("cmdAddSource")->click();
    auto* list = Find<QListWidget>("txtSourceDirList");
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);
    Find<QPushButton>("cmdDeleteSource")->click();
    Find<QPushButton>("cmdDeleteSource")->click();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), ShownPath(src));
    EXPECT_EQ(list->item(0)->toolTip(), ShownPath(src));

    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(stored(), before);
    w.SetText(Field::txtArcFolder, "/elsewhere/");
    Find<QPushButton>("cmdReset")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), temp / "arc " + cafe + "/");
    Find<QPushButton>("cmdHistory")->click();
    ASSERT_NE(w.History(), nullptr);
    EXPECT_EQ(
        w.History()->details->text(), QStringLiteral("No export or import has been recorded yet."));

    // The runs are over: no progress window, no busy pointer, their boxes over the window.
    Find<QPushButton>("cmdImport")->click(); // refused: no Import Name
    Find<QPushButton>("cmdExport")->click();
    QStringList titles;
    for (const SeenBox& box : person.seen)
        titles << box.title + QLatin1Char('@') + box.parentName;
    EXPECT_EQ(titles.join(QLatin1Char('|')),
        QStringLiteral("Selection Required@frmMain|Entry Required@frmMain|Vesko Backup@frmMain|"
                       "Cleanup Temporary Directory@frmMain|Zeltan's Vesko Backup@frmMain"));
    EXPECT_EQ(w.Ui().Progress(), nullptr);
    EXPECT_FALSE(w.Ui().Busy());
    EXPECT_EQ(w.Text(Field::ExportStatus), "OK");
    EXPECT_FALSE(ReadFile(temp / "arc " + cafe + "/" + cafe + ".arj").empty());
    // The export recorded its date and the window was reloaded.
    EXPECT_NE(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   "));
    ASSERT_EQ(w.History()->runs->rowCount(), 2);
    EXPECT_EQ(w.History()->runs->item(0, 3)->text(), QStringLiteral("success"));

    // The folder dialog and the history close with the window.
    MakeDirs(temp / "home");
    Find<QPushButton>("cmdDirList_5")->click();
    EXPECT_TRUE(w.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("frmListBox")), nullptr);
    EXPECT_FALSE(w.History()->isVisible());
}

} // namespace
} // namespace vesko::test
