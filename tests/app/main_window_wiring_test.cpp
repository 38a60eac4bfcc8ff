// The window's working state on its widgets, and the buttons reaching their handlers.
#include "app/settings_tab.h"
#include "app_fixture.h"
#include "box_answerer.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"

#include <QApplication>
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
    const std::pair<Field, const char*> fields[] = {
        { Field::txtArcFolder, "txtArcFolder" },
        { Field::txtArjFolder, "txtArjFolder" },
        { Field::txtDestinDir, "txtDestinDir" },
        { Field::txtExportArj, "txtExportArj" },
        { Field::txtImportArj, "txtImportArj" },
        { Field::txtSourceDir, "txtSourceDir" },
        { Field::txtImportName, "txtImportName" },
        { Field::txtImportFolder, "txtImportFolder" },
        { Field::ExportStatus, "ExportStatus" },
    };
    for (const auto& [field, name] : fields) {
        SCOPED_TRACE(name);
        const std::string text = std::string("/home/z\xc3\xa9lie/") + name + "/";
        w.SetText(field, text);
        EXPECT_EQ(Find<QLineEdit>(name)->text(), QString::fromStdString(text));
        EXPECT_EQ(Find<QLineEdit>(name)->cursorPosition(), 0); // shows the start of a path
        Find<QLineEdit>(name)->setText(QStringLiteral("typed"));
        EXPECT_EQ(w.Text(field), "typed");
    }

    w.SetCaption(MainForm::Label::lblExport, "Date of last export:   x");
    EXPECT_EQ(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   x"));
    EXPECT_EQ(w.Caption(MainForm::Label::lblImport), "Date of last import:   ");

    w.SetSpanValue(1);
    EXPECT_TRUE(Find<QCheckBox>("fpBoolean1")->isChecked());
    Find<QCheckBox>("fpBoolean1")->setChecked(false);
    EXPECT_EQ(w.SpanValue(), 0);
}

TEST_F(MainWindowTest, SourceListKeepsOrderAndOneSelection)
{
    frmMain& w = Window();
    auto* list = Find<QListWidget>("txtSourceDirList");
    w.AppendSource("/b/");
    w.AppendSource("/a/");
    w.AppendSource("/a/");
    ASSERT_EQ(w.SourceCount(), 3);
    EXPECT_EQ(w.SourceItem(0), "/b/");
    EXPECT_EQ(w.SourceItem(2), "/a/");
    EXPECT_EQ(w.SelectedSourceCount(), 0);
    EXPECT_EQ(w.SelectedSourceIndex(), -1);

    list->item(1)->setSelected(true);
    list->item(2)->setSelected(true);
    EXPECT_EQ(w.SelectedSourceCount(), 1);
    EXPECT_EQ(w.SelectedSourceIndex(), 2);

    w.RemoveSource(0);
    EXPECT_EQ(w.SourceCount(), 2);
    EXPECT_EQ(w.SourceItem(0), "/a/");
    w.ClearSources();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(w.SelectedSourceCount(), 0);
}

TEST_F(MainWindowTest, WorkListIsMirroredWithItsBytesAfterEachHandler)
{
    frmMain& w = Window();
    const std::string odd = "/src/caf\xe9/"; // not UTF-8
    w.List1().Append("/src/");
    w.List1().Append(odd);
    w.cmdReset_Click();
    auto* view = Find<QListWidget>("List1");
    ASSERT_EQ(view->count(), 2);
    EXPECT_EQ(view->item(1)->data(Qt::UserRole).toByteArray().toStdString(), odd);

    w.List1().Clear();
    w.List1().Append("/other/");
    w.cmdReset_Click();
    ASSERT_EQ(view->count(), 1);
    EXPECT_EQ(view->item(0)->text(), QStringLiteral("/other/"));
}

TEST_F(MainWindowTest, AddAndDeleteButtonsEditTheSourceList)
{
    frmMain& w = Window();
    w.show();
    BoxAnswerer person;
    w.SetText(Field::txtSourceDir, "/data");
    Find<QPushButton>("cmdAddSource")->click();
    ASSERT_EQ(w.SourceCount(), 1);
    EXPECT_EQ(w.SourceItem(0), "/data/");
    EXPECT_EQ(w.Text(Field::txtSourceDir), "");

    Find<QPushButton>("cmdDeleteSource")->click();
    ASSERT_EQ(person.Seen().size(), 1u);
    EXPECT_EQ(person.Seen()[0].title, QStringLiteral("Selection Required"));
    EXPECT_EQ(person.Seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(person.Seen()[0].parentName, QStringLiteral("frmMain"));
    EXPECT_EQ(w.SourceCount(), 1);

    Find<QListWidget>("txtSourceDirList")->item(0)->setSelected(true);
    Find<QPushButton>("cmdDeleteSource")->click();
    EXPECT_EQ(w.SourceCount(), 0);
}

TEST_F(MainWindowTest, ApplyStoresAndResetReloads)
{
    frmMain& w = Window();
    w.show();
    BoxAnswerer person;
    w.SetText(Field::txtArcFolder, "/backups");
    w.SetText(Field::txtSourceDir, "/home/me");
    Find<QPushButton>("cmdAddSource")->click();
    Find<QPushButton>("cmdApply")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");
    EXPECT_EQ(w.Text(Field::txtImportFolder), "/backups/");
    SettingsStore store;
    EXPECT_EQ(store.GetSetting(kSettingsApplication, kSettingsSection, "ArcFolder"), "/backups");

    w.SetText(Field::txtArcFolder, "/elsewhere/");
    w.ClearSources();
    Find<QPushButton>("cmdReset")->click();
    EXPECT_EQ(w.Text(Field::txtArcFolder), "/backups/");
    ASSERT_EQ(w.SourceCount(), 1);
    EXPECT_EQ(w.SourceItem(0), "/home/me/");
    EXPECT_TRUE(person.Seen().empty());
}

TEST_F(MainWindowTest, ExportAndImportButtonsRunTheirRuns)
{
    frmMain& w = Window();
    w.show();
    BoxAnswerer person;
    MakeDirs(temp / "tmp-tree");
    w.SetText(Field::txtDestinDir, temp / "tmp-tree");
    Find<QPushButton>("cmdExport")->click();
    ASSERT_FALSE(person.Seen().empty());
    EXPECT_EQ(person.Seen()[0].title, QStringLiteral("Temporary Folder Exists"));
    EXPECT_TRUE(person.Seen()[0].text.contains(QString::fromStdString(temp / "tmp-tree/")));

    const std::size_t before = person.Seen().size();
    w.SetText(Field::txtImportFolder, temp / "no-such-folder");
    w.SetText(Field::txtImportName, "missing");
    Find<QPushButton>("cmdImport")->click();
    EXPECT_GT(person.Seen().size(), before);
}

TEST_F(MainWindowTest, BrowseButtonOpensTheFolderDialogAndClosingTheWindowClosesIt)
{
    MakeDirs(temp / "home");
    frmMain& w = Window();
    w.show();
    BoxAnswerer person;
    ASSERT_NE(w.Dialog(), nullptr);
    Find<QPushButton>("cmdDirList_5")->click();
    auto otherWindows = [&w] {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &w && top->isVisible())
                ++count;
        return count;
    };
    const int opened = otherWindows();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(otherWindows(), 0);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(person.Seen().empty());
}

} // namespace
} // namespace vesko::test

namespace vesko::test {
namespace {

// Notes whether a window of the given name was shown.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(const char* name)
        : name_(QString::fromLatin1(name))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~ShowWatcher() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool Shown() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == name_)
            shown_ = true;
        return false;
    }

private:
    QString name_;
    bool shown_ = false;
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

    // The progress window comes up while the run works, and is gone when it ends.
    ShowWatcher progress("frmProgress");
    BoxAnswerer person({ QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok });
    Find<QPushButton>("cmdExport")->click();

    std::vector<QString> titles;
    for (const SeenBox& box : person.Seen())
        titles.push_back(box.title);
    EXPECT_EQ(titles,
        (std::vector<QString> { QStringLiteral("Vesko Backup"),
            QStringLiteral("Cleanup Temporary Directory"),
            QStringLiteral("Zeltan's Vesko Backup") }));
    EXPECT_TRUE(progress.Shown());
    EXPECT_EQ(w.Ui().Progress(), nullptr);
    EXPECT_FALSE(w.Ui().Busy());
    EXPECT_EQ(ReadFile(temp / "arc/weekly.arj").empty(), false);
    EXPECT_EQ(w.Text(Field::ExportStatus), "OK");
    // The export recorded its date and the window was reloaded.
    EXPECT_NE(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   "));
    // The work list saw the source's folders.
    EXPECT_GE(Find<QListWidget>("List1")->count(), 2);
}

} // namespace
} // namespace vesko::test
