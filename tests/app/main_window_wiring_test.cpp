// The window's working state on its widgets, and the buttons reaching their handlers.
#include "app_fixture.h"
#include "box_answerer.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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
    w.SetText(Field::txtSourceDir, "/data");
    Find<QPushButton>("cmdAddSource")->click();
    ASSERT_EQ(w.SourceCount(), 1);
    EXPECT_EQ(w.SourceItem(0), "/data/");

    Find<QListWidget>("txtSourceDirList")->item(0)->setSelected(true);
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_EQ(w.SourceCount(), 0);

    w.SetText(Field::txtArcFolder, "/backups");
    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");
    EXPECT_EQ(SettingsStore().GetSetting(kSettingsApplication, kSettingsSection, "ArcFolder"),
        "/backups");
    w.SetText(Field::txtArcFolder, "/elsewhere/");
    Find<QPushButton>("cmdReset")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");
    EXPECT_TRUE(person.Seen().empty());

    w.SetText(Field::txtImportFolder, temp / "no-such-folder");
    w.SetText(Field::txtImportName, "missing");
    Find<QPushButton>("cmdImport")->click();
    ASSERT_EQ(person.Seen().size(), 1u);
    EXPECT_EQ(person.Seen()[0].title, QStringLiteral("Archive Not Found"));

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
    EXPECT_EQ(person.Seen().size(), 1u);
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
}

} // namespace
} // namespace vesko::test
