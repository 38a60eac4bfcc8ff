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
#include <QTableWidget>
#include <QTreeView>

namespace vesko::test {
namespace {

using Field = MainForm::Field;

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
        EXPECT_EQ(edit->cursorPosition(), 0); // shows the start of a path
        edit->setText(QStringLiteral("typed"));
        EXPECT_EQ(w.Text(static_cast<Field>(i)), "typed");
        // A path field is narrower than most paths: its tooltip shows the whole text.
        EXPECT_EQ(edit->toolTip(), i < 8 ? QStringLiteral("typed") : QString());
    }

    w.SetCaption(MainForm::Label::lblExport, "Date of last export:   x");
    EXPECT_EQ(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   x"));
    EXPECT_EQ(w.Caption(MainForm::Label::lblImport), "Date of last import:   ");

    w.SetSpanValue(1);
    EXPECT_TRUE(Find<QCheckBox>("fpBoolean1")->isChecked());
    Find<QCheckBox>("fpBoolean1")->setChecked(false);
    EXPECT_EQ(w.SpanValue(), 0);
}

// Adding and deleting through the list's own functions is seen through the buttons below.
TEST_F(MainWindowTest, SourceListTakesOneSelectionAndClears)
{
    frmMain& w = Window();
    auto* list = Find<QListWidget>("txtSourceDirList");
    for (const char* item : { "/b/", "/a/", "/a/" })
        w.AppendSource(item);
    EXPECT_EQ(w.SelectedSourceIndex(), -1);
    list->item(1)->setSelected(true);
    list->item(2)->setSelected(true);
    EXPECT_EQ(w.SelectedSourceCount(), 1);
    EXPECT_EQ(w.SelectedSourceIndex(), 2);
    w.ClearSources();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(w.SelectedSourceCount(), 0);
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
    ASSERT_EQ(w.SourceCount(), 3);
    EXPECT_EQ(w.SourceItem(0), "/a/");

    // Delete takes the selected folder and leaves nothing selected: a second press must
    // not take the next one.
    auto* list = Find<QListWidget>("txtSourceDirList");
    list->setCurrentRow(1);
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_TRUE(list->selectedItems().isEmpty());
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_EQ(w.SourceCount(), 2);
    EXPECT_EQ(w.SourceItem(1), "/c/");
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
    EXPECT_EQ(person.Seen().size(), 1u);

    w.SetText(Field::txtImportFolder, temp / "no-such-folder");
    w.SetText(Field::txtImportName, "missing");
    Find<QPushButton>("cmdImport")->click();
    ASSERT_EQ(person.Seen().size(), 2u);
    EXPECT_EQ(person.Seen()[1].title, QStringLiteral("Archive Not Found"));

    // The folder dialog opens, and closes with the window.
    MakeDirs(temp / "home");
    Find<QPushButton>("cmdDirList_5")->click();
    auto otherWindows = [&w] {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            count += top != &w && top->isVisible();
        return count;
    };
    EXPECT_EQ(otherWindows(), 1);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(otherWindows(), 0);
    EXPECT_EQ(person.Seen().size(), 2u);
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
