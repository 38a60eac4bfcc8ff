// The main window as a person sees it: captions, texts, places, focus order, start state.
#include "app/date_field.h"
#include "app/export_tab.h"
#include "app/form_layout.h"
#include "app/settings_tab.h"
#include "app_fixture.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

namespace vesko::test {
namespace {

struct Control {
    const char* name;
    const char* parent; // objectName of the tab page, or of the window
    QRect twips;
    const char* text; // nullptr: not checked here (filled at start-up)
    bool wraps;
};

const Control kControls[] = {
    { "vaTabPro1", "frmMain", { 120, 120, 5775, 3495 }, nullptr, false },
    { "lblImport", "ExportTab", { 675, 480, 4335, 255 }, nullptr, false },
    { "lblExport", "ExportTab", { 675, 720, 4335, 255 }, nullptr, false },
    { "lblNewDate", "ExportTab", { 675, 1200, 1815, 495 },
        "Enter date from when to copy files (mm-dd-yyyy):", true },
    { "fpDateTime1", "ExportTab", { 2595, 1200, 1095, 375 }, nullptr, false },
    { "lblFPctl", "ExportTab", { 3795, 1200, 1095, 495 }, "Right click for the calendar.", true },
    { "cmdExport", "ExportTab", { 3915, 2160, 1215, 375 }, "Export", false },
    { "cmdHistory", "ExportTab", { 2580, 2160, 1215, 375 }, "&History", false },
    { "ExportStatus", "ExportTab", { 675, 2400, 1455, 285 }, "Status", false },
    { "lblImportExplain", "ImportTab", { 435, 240, 4695, 615 },
        "The archive name and directory for this session can be changed here. To make these "
        "changes permananet, go to the settings section.",
        true },
    { "lblImportName", "ImportTab", { 435, 1200, 1215, 375 }, "Archive Name:", false },
    { "txtImportName", "ImportTab", { 1995, 1200, 3135, 285 }, nullptr, false },
    { "lblImportFolder", "ImportTab", { 435, 1560, 1335, 255 }, "Archive Directory:", false },
    { "txtImportFolder", "ImportTab", { 1995, 1560, 3135, 285 }, nullptr, false },
    { "cmdImport", "ImportTab", { 3915, 2160, 1215, 375 }, "Import", false },
    { "Label1", "SettingsTab", { 195, 480, 1215, 255 }, "Archive folder:", false },
    { "txtArcFolder", "SettingsTab", { 1395, 480, 1335, 285 }, nullptr, false },
    { "cmdDirList_0", "SettingsTab", { 2835, 480, 255, 255 }, "...", false },
    { "Label2", "SettingsTab", { 195, 840, 1215, 255 }, "ARJ Folder:", false },
    { "txtArjFolder", "SettingsTab", { 1395, 840, 1335, 285 }, nullptr, false },
    { "cmdDirList_1", "SettingsTab", { 2835, 840, 255, 255 }, "...", false },
    { "Label3", "SettingsTab", { 195, 1200, 1215, 255 }, "Temp Folder:", false },
    { "txtDestinDir", "SettingsTab", { 1395, 1200, 1335, 285 }, nullptr, false },
    { "cmdDirList_2", "SettingsTab", { 2835, 1200, 255, 255 }, "...", false },
    { "Label4", "SettingsTab", { 195, 1560, 1215, 255 }, "Export Name:", false },
    { "txtExportArj", "SettingsTab", { 1395, 1560, 1335, 285 }, nullptr, false },
    { "cmdDirList_3", "SettingsTab", { 2835, 1560, 255, 255 }, "...", false },
    { "Label5", "SettingsTab", { 195, 1920, 1215, 255 }, "Import Name:", false },
    { "txtImportArj", "SettingsTab", { 1395, 1920, 1335, 285 }, nullptr, false },
    { "cmdDirList_4", "SettingsTab", { 2835, 1920, 255, 255 }, "...", false },
    { "fpBoolean1", "SettingsTab", { 1395, 2280, 1455, 375 }, "Span Archive", false },
    { "Label6", "SettingsTab", { 3315, 240, 1695, 255 }, "Directory to backup", false },
    { "txtSourceDir", "SettingsTab", { 3315, 480, 1335, 285 }, nullptr, false },
    { "cmdDirList_5", "SettingsTab", { 4755, 480, 255, 255 }, "...", false },
    { "txtSourceDirList", "SettingsTab", { 3315, 840, 1335, 1425 }, nullptr, false },
    { "cmdAddSource", "SettingsTab", { 4755, 960, 855, 255 }, "Add", false },
    { "cmdDeleteSource", "SettingsTab", { 4755, 1320, 855, 255 }, "Delete", false },
    { "cmdApply", "SettingsTab", { 3315, 2520, 1095, 375 }, "Apply", false },
    { "cmdReset", "SettingsTab", { 4515, 2520, 1095, 375 }, "Reset", false },
};

TEST_F(MainWindowTest, FirstStartShowsTheSettingsTabTodayAndTheEmptySettings)
{
    const QDate before = QDate::currentDate();
    frmMain& w = Window();
    const QDate after = QDate::currentDate();
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zeltan's Vesko Backup"));
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(w.size(), QSize(404, 248));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());

    QTabWidget* tabs = w.vaTabPro1();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("&Export"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("&Import"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("&Settings"));
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_TRUE(w.settingsTab()->isVisible());
    // The page area lies a little inside the tab control, under the row of tabs.
    const QPoint page = w.settingsTab()->mapTo(tabs, QPoint(0, 0));
    EXPECT_TRUE(page.x() >= 0 && page.x() <= 8) << page.x();
    EXPECT_TRUE(page.y() >= 16 && page.y() <= 36) << page.y();
    for (int tab = 0; tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        EXPECT_FALSE(Find<QWidget>("ExportStatus")->isVisible());
    }

    const QDate shown = w.exportTab()->fpDateTime1->date();
    EXPECT_TRUE(shown == before || shown == after);
    EXPECT_EQ(w.exportTab()->fpDateTime1->displayFormat(), QStringLiteral("MM-dd-yyyy"));
    // The refresh ran over the empty store.
    EXPECT_EQ(w.Text(MainForm::Field::txtArcFolder), "/");
    EXPECT_EQ(w.Text(MainForm::Field::txtImportFolder), "/");
    EXPECT_EQ(Find<QLabel>("lblExport")->text(), QStringLiteral("Date of last export:   "));
    EXPECT_EQ(w.SourceCount(), 0);
}

TEST_F(MainWindowTest, EveryControlHasItsDesignTextAndPlaceAndItsTextFits)
{
    Window().show();
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* widget = Find<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(c.parent));
        if (c.text) {
            EXPECT_EQ(widget->property("text").toString(), QString::fromLatin1(c.text));
        }
        const QRect want = Twips(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->wordWrap(), c.wraps);
        }
        if (c.wraps) {
            // A wrapping label may grow downwards to show its last line, nothing else.
            EXPECT_EQ(widget->geometry().topLeft(), want.topLeft());
            EXPECT_EQ(widget->width(), want.width());
            EXPECT_GE(widget->height(), want.height());
        } else {
            EXPECT_EQ(widget->geometry(), want);
        }
    }
    EXPECT_TRUE(Find<QLabel>("lblFPctl")->font().italic());
    // The one click handler of the browse buttons tells them apart by their index.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Find<QWidget>(QStringLiteral("cmdDirList_%1").arg(i).toLatin1().data())
                      ->property("Index"),
            i);

    for (QLabel* label : Window().findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        if (label->wordWrap())
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        else
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
        EXPECT_LE(label->fontMetrics().height(), label->height());
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
    for (QAbstractButton* button : Window().findChildren<QAbstractButton*>()) {
        if (button->objectName().isEmpty())
            continue; // the tab control's own scroll buttons
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width());
    }
}

TEST_F(MainWindowTest, FocusGoesThroughTheControlsInTheirOrder)
{
    Window().show();
    const QStringList order = QStringLiteral(
        "vaTabPro1 fpDateTime1 cmdExport cmdHistory txtImportName txtImportFolder cmdImport "
        "txtArcFolder "
        "cmdDirList_0 txtArjFolder cmdDirList_1 txtDestinDir cmdDirList_2 txtExportArj "
        "cmdDirList_3 txtImportArj cmdDirList_4 fpBoolean1 txtSourceDir cmdDirList_5 "
        "txtSourceDirList cmdAddSource cmdDeleteSource cmdApply cmdReset ExportStatus")
                                  .split(QLatin1Char(' '));
    QStringList walked;
    QWidget* at = Window().vaTabPro1();
    do {
        if (order.contains(at->objectName()) && !walked.contains(at->objectName()))
            walked.append(at->objectName());
        at = at->nextInFocusChain();
    } while (at != Window().vaTabPro1());
    EXPECT_EQ(walked, order);
}

TEST_F(MainWindowTest, DateFieldTakesMonthDayYearAndOpensACalendarOnARightClick)
{
    frmMain& w = Window();
    w.show();
    w.SetDateText("02-29-2024");
    EXPECT_EQ(w.DateText(), "02-29-2024");
    EXPECT_EQ(w.exportTab()->fpDateTime1->date(), QDate(2024, 2, 29));
    EXPECT_THROW(w.SetDateText("29-02-2024"), std::exception);
    EXPECT_EQ(w.DateText(), "02-29-2024");

    DateField* field = w.exportTab()->fpDateTime1;
    w.vaTabPro1()->setCurrentIndex(0);
    // A right click lands on the field's inner editor.
    QLineEdit* editor = field->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QContextMenuEvent click(
        QContextMenuEvent::Mouse, QPoint(5, 5), editor->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(editor, &click);
    QCalendarWidget* calendar = field->Calendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 2, 29));

    Q_EMIT calendar->clicked(QDate(2025, 7, 4));
    EXPECT_EQ(w.DateText(), "07-04-2025");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(field->Calendar(), nullptr);
}

} // namespace
} // namespace vesko::test
