// The window's working state on its widgets, and the buttons reaching their handlers.
#include "app/history_window.h"
#include "app_fixture.h"
#include "box_answerer.h"
#include "dialogs/frm_list_box.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "support/child_process.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTreeView>

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
        { "two-byte letters", "z\xc3\xa9lie \xc2\xa9\xdf\xbf", u"z\u00e9lie \u00a9\u07ff" },
        { "three-byte edges", "\xe0\xa0\x80\xed\x9f\xbf\xef\xbc\xa1", u"\u0800\ud7ff\uff21" },
        { "four-byte edges", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", u"\U00010000\U0010ffff" },
        { "Latin-1 and control bytes", "caf\xe9 \xa0\x9f\x7f", u"caf\u00e9 \u00a0\ufffd\u007f" },
        { "overlong forms", "\xc1\xbf\xe0\x9f\xbf\xf0\x8f\xbf\xbf",
            u"\u00c1\u00bf\u00e0\ufffd\u00bf\u00f0\ufffd\u00bf\u00bf" },
        { "surrogates and past the last character", "\xed\xa0\x80\xf4\x90\x80\x80\xf5\x80",
            u"\u00ed\u00a0\ufffd\u00f4\ufffd\ufffd\ufffd\u00f5\ufffd" },
        { "broken and cut characters", "\xe2\x82\x41\xe2\x82\xc0\xe2\x82",
            u"\u00e2\ufffdA\u00e2\ufffd\u00c0\u00e2\ufffd" },
        { "typed at the end", "/arc caf\xe9/", u"/arc caf\u00e9/", u"/arc caf\u00e9/2026/",
            "/arc caf\xe9/2026/" },
        { "typed at the start", "caf\xe9/", u"caf\u00e9/", u"/old caf\u00e9/", "/old caf\xe9/" },
        { "last letter replaced", "\xe9t\xe9", u"\u00e9t\u00e9", u"\u00e9t\u00e8",
            "\xe9t\xc3\xa8" },
        { "a repeated letter doubled", "a\xe9\xe9", u"a\u00e9\u00e9", u"a\u00e9\u00e9\u00e9",
            "a\xe9\xe9\xc3\xa9" },
        { "all deleted", "caf\xe9", u"caf\u00e9", u"", "" },
        { "low half of a pair changed",
            "a\xf0\x9f\x98\x80"
            "b",
            u"a\U0001f600b", u"a\U0001f601b",
            "a\xf0\x9f\x98\x81"
            "b" },
        { "high half of a pair changed",
            "a\xf0\x9f\x98\x80"
            "b",
            u"a\U0001f600b", u"a\U00010600b",
            "a\xf0\x90\x98\x80"
            "b" },
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

TEST_F(MainWindowTest, EveryFieldOfTheWorkingStateIsItsWidget)
{
    frmMain& w = Window();
    // In the order of the fields' enumeration.
    const char* names[] = { "txtArcFolder", "txtArjFolder", "txtDestinDir", "txtExportArj",
        "txtImportArj", "txtSourceDir", "txtImportName", "txtImportFolder", "ExportStatus" };
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(names[i]);
        auto* edit = Find<QLineEdit>(names[i]);
        const std::string text = std::string("/home/z\xc3\xa9lie/") + names[i] + "/";
        w.SetText(static_cast<Field>(i), text);
        EXPECT_EQ(edit->text(), QString::fromStdString(text));
        EXPECT_EQ(edit->cursorPosition(), 0);
        edit->setText(QStringLiteral("typed"));
        EXPECT_EQ(w.Text(static_cast<Field>(i)), "typed");
    }
    w.SetCaption(MainForm::Label::lblExport, "Date of last export:   x");
    w.SetCaption(MainForm::Label::lblImport, "Date of last import:   y");
    EXPECT_EQ(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   x"));
    EXPECT_EQ(w.Caption(MainForm::Label::lblImport), "Date of last import:   y");
    w.SetSpanValue(1);
    EXPECT_TRUE(Find<QCheckBox>("fpBoolean1")->isChecked());
    Find<QCheckBox>("fpBoolean1")->setChecked(false);
    EXPECT_EQ(w.SpanValue(), 0);
}

TEST_F(MainWindowTest, ButtonsReachTheirHandlers)
{
    frmMain& w = Window();
    w.show();
    BoxAnswerer person;
    for (const char* typed : { "/a", "/b", "/c" }) {
        w.SetText(Field::txtSourceDir, typed);
        Find<QPushButton>("cmdAddSource")->click();
    }
    // One folder at a time is selected.
    auto* list = Find<QListWidget>("txtSourceDirList");
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);
    EXPECT_EQ(w.SelectedSourceCount(), 1);
    // Delete takes the selected folder and leaves nothing selected: a second press must
    // not take the next one.
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_TRUE(list->selectedItems().isEmpty());
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_EQ(w.SourceCount(), 2);
    EXPECT_EQ(w.SourceItem(0), "/a/");
    EXPECT_EQ(w.SourceItem(1), "/c/");
    EXPECT_EQ(list->item(1)->toolTip(), QStringLiteral("/c/"));
    ASSERT_EQ(person.Seen().size(), 1u);
    EXPECT_EQ(person.Seen()[0].title, QStringLiteral("Selection Required"));
    w.ClearSources();

    w.SetText(Field::txtArcFolder, "/backups");
    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");
    EXPECT_EQ(SettingsStore().GetSetting(kSettingsApplication, kSettingsSection, "ArcFolder"),
        "/backups");
    w.SetText(Field::txtArcFolder, "/elsewhere/");
    Find<QPushButton>("cmdReset")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");

    w.SetText(Field::txtImportFolder, temp / "no-such-folder");
    w.SetText(Field::txtImportName, "missing");
    Find<QPushButton>("cmdImport")->click();
    ASSERT_EQ(person.Seen().size(), 2u);
    EXPECT_EQ(person.Seen()[1].title, QStringLiteral("Archive Not Found"));

    // Each browse button fills its own field; the last one adds to the list and stays open.
    MakeDirs(temp / "home/Docs");
    const char* targets[]
        = { "txtArcFolder", "txtArjFolder", "txtDestinDir", "txtExportArj", "txtImportArj" };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        Find<QPushButton>(QStringLiteral("cmdDirList_%1").arg(i).toLatin1().data())->click();
        auto* dialog = w.findChild<frmListBox*>(QStringLiteral("frmListBox"));
        ASSERT_NE(dialog, nullptr);
        Q_EMIT dialog->Dir1->doubleClicked(dialog->FindFolder(temp / "home/Docs"));
        dialog->cmdAdd->click();
        if (i < 5) {
            EXPECT_EQ(Find<QLineEdit>(targets[i])->text().toStdString(), temp / "home/Docs/");
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(w.SourceItem(0), temp / "home/Docs/");
    ASSERT_EQ(person.Seen().size(), 3u);
    EXPECT_EQ(person.Seen()[2].text, QStringLiteral("Folder added to the backup list."));
    // The folder dialog closes with the window.
    auto otherWindows = [&w] {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            count += top != &w && top->isVisible();
        return count;
    };
    EXPECT_EQ(otherWindows(), 1);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(otherWindows(), 0);
}

// The folder dialog opens beside the window, so that the source list can be seen growing.
TEST_F(MainWindowTest, FolderDialogOpensBesideTheWindowWhereTheScreenHasRoom)
{
    frmMain& w = Window();
    MakeDirs(temp / "home");
    const QRect screen = w.screen()->availableGeometry();
    struct Row {
        const char* name;
        int left;
        char side; // 'r', 'l' or 'o'ver it
    };
    // With the width of the offscreen screen, neither side has room in the middle.
    ASSERT_EQ(screen.width(), 800);
    const Row rows[] = { { "room on the right", 0, 'r' },
        { "room on the left only", screen.right() - w.width(), 'l' },
        { "no room either side", 200, 'o' } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.move(row.left, screen.top());
        w.show();
        Find<QPushButton>("cmdDirList_0")->click();
        auto* dialog = w.findChild<frmListBox*>(QStringLiteral("frmListBox"));
        ASSERT_NE(dialog, nullptr);
        const QRect main = w.frameGeometry();
        const QRect placed = dialog->frameGeometry();
        const QPoint got = row.side == 'o' ? placed.center()
            : row.side == 'r'              ? placed.topLeft()
                                           : placed.topRight();
        const QPoint want = row.side == 'o' ? main.center()
            : row.side == 'r'               ? QPoint(main.right() + 8, main.top())
                                            : QPoint(main.left() - 8, main.top());
        // The frame the dialog gets once shown may shift it by a few pixels.
        EXPECT_LE((got - want).manhattanLength(), 4) << got.x() << ',' << got.y();
        dialog->cmdCancel->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A folder named in an old 8-bit encoding travels as its bytes from the store through the
// fields, the source list and the folder dialog, back to the store and into the archive.
TEST_F(MainWindowTest, NamesThatAreNotUtf8KeepTheirBytesFromStoreToArchive)
{
    const std::string cafe = "caf\xe9"; // Latin-1, not UTF-8
    const QString shownCafe = QStringLiteral("caf\u00e9");
    const std::string src = temp / "src/" + cafe + "/";
    WriteFile(src + "notes.txt", "kept");
    WriteFile(temp / "home/" + cafe + "/letter.txt", "dear");
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
    BoxAnswerer person;
    for (const char* name : { "txtArcFolder", "txtImportFolder", "txtExportArj" }) {
        SCOPED_TRACE(name);
        auto* field = Find<QLineEdit>(name);
        EXPECT_TRUE(field->text().contains(shownCafe)) << field->text().toStdString();
        EXPECT_EQ(field->toolTip(), field->text());
    }
    auto* list = Find<QListWidget>("txtSourceDirList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(),
        QString::fromStdString(temp / "src/") + shownCafe + QLatin1Char('/'));

    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(stored(), before);

    // The person edits the end of a field: the part left alone keeps its bytes.
    auto* arcFolder = Find<QLineEdit>("txtArcFolder");
    arcFolder->end(false);
    arcFolder->insert(QStringLiteral("2026/"));
    EXPECT_EQ(w.Text(Field::txtArcFolder), temp / "arc " + cafe + "/2026/");
    arcFolder->undo();

    // The folder dialog lists such a folder and delivers its bytes.
    Find<QPushButton>("cmdDirList_5")->click();
    auto* dialog = w.findChild<frmListBox*>(QStringLiteral("frmListBox"));
    ASSERT_NE(dialog, nullptr);
    const QModelIndex node = dialog->FindFolder(temp / "home/" + cafe);
    ASSERT_TRUE(node.isValid());
    EXPECT_EQ(node.data().toString(), shownCafe);
    Q_EMIT dialog->Dir1->doubleClicked(node);
    dialog->cmdAdd->click();
    dialog->cmdCancel->click();
    ASSERT_EQ(w.SourceCount(), 2);
    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(store.GetSetting(kSettingsApplication, kSettingsSection, "SourceDir0"), src);
    EXPECT_EQ(store.GetSetting(kSettingsApplication, kSettingsSection, "SourceDir1"),
        temp / "home/" + cafe + "/");

    Find<QPushButton>("cmdExport")->click();
    ASSERT_EQ(person.Seen().size(), 4u);
    EXPECT_EQ(person.Seen()[1].title, QStringLiteral("Vesko Backup"))
        << person.Seen()[1].text.toStdString();
    const std::string archive = temp / "arc " + cafe + "/" + cafe + ".arj";
    const std::string into = temp / "extracted";
    MakeDirs(into);
    ASSERT_EQ(RunChild({ "/usr/bin/arj", "x", "-y", archive, into + "/" }).status, 0);
    EXPECT_EQ(ReadFile(into + "/" + paths::RelativePath(temp / "tmp/") + paths::RelativePath(src)
                  + "notes.txt"),
        "kept");
    EXPECT_EQ(ReadFile(into + "/" + paths::RelativePath(temp / "tmp/")
                  + paths::RelativePath(temp / "home/" + cafe) + "/letter.txt"),
        "dear");
}

// Notes whether a window of the given name was shown.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(const char* name)
        : name_(QString::fromLatin1(name))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    bool shown = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        shown = shown || (event->type() == QEvent::Show && watched->objectName() == name_);
        return false;
    }

private:
    QString name_;
};

TEST_F(MainWindowTest, ExportRunsEndToEndUnderTheProgressWindow)
{
    WriteFile(temp / "src/notes.txt", "kept");
    WriteFile(temp / "src/sub/README", "no dot");
    frmMain& w = Window();
    w.show();
    w.SetText(Field::txtArjFolder, "/usr/bin/");
    w.SetText(Field::txtArcFolder, temp / "arc/");
    w.SetText(Field::txtDestinDir, temp / "tmp-tree/");
    w.SetText(Field::txtExportArj, "weekly");
    w.AppendSource(temp / "src/");
    w.SetDateText("01-01-2000");
    Find<QPushButton>("cmdApply")->click(); // with nothing stored, Export is refused

    // The history, open beside the window, shows the run once it ends.
    Find<QPushButton>("cmdHistory")->click();
    ASSERT_NE(w.History(), nullptr);
    EXPECT_EQ(w.History()->runs->rowCount(), 0);
    EXPECT_EQ(
        w.History()->details->text(), QStringLiteral("No export or import has been recorded yet."));

    // The progress window comes up while the run works, and is gone when it ends.
    ShowWatcher progress("frmProgress");
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok });
    Find<QPushButton>("cmdExport")->click();

    QStringList titles;
    for (const SeenBox& box : person.Seen())
        titles.append(box.title);
    EXPECT_EQ(titles,
        QStringLiteral("Vesko Backup|Cleanup Temporary Directory|Zeltan's Vesko Backup")
            .split(QLatin1Char('|')));
    EXPECT_TRUE(progress.shown);
    EXPECT_EQ(w.Ui().Progress(), nullptr);
    EXPECT_FALSE(w.Ui().Busy());
    EXPECT_FALSE(ReadFile(temp / "arc/weekly.arj").empty());
    EXPECT_EQ(w.Text(Field::ExportStatus), "OK");
    // The export recorded its date and the window was reloaded.
    EXPECT_NE(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   "));
    ASSERT_EQ(w.History()->runs->rowCount(), 1);
    EXPECT_EQ(w.History()->runs->item(0, 3)->text(), QStringLiteral("success"));
}

} // namespace
} // namespace vesko::test
