// The main window as a person sees it: start state, a tidy form, focus order, the date field.
#include "app/date_field.h"
#include "app/export_tab.h"
#include "app/settings_tab.h"
#include "app_fixture.h"
#include "support/tidy_layout.h"

#include <functional>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTabWidget>

namespace vesko::test {
namespace {

TEST_F(MainWindowTest, FirstStartShowsTheEmptySettingsOnATidyFormInFocusOrder)
{
    frmMain& w = Window();
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zeltan's Vesko Backup"));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_TRUE(w.settingsTab()->isVisible());
    EXPECT_LE(std::abs(w.exportTab()->fpDateTime1->date().daysTo(QDate::currentDate())), 1);
    // The refresh ran over the empty store.
    EXPECT_EQ(
        w.Text(MainForm::Field::txtArcFolder) + w.Text(MainForm::Field::txtImportFolder), "//");
    EXPECT_EQ(w.Caption(MainForm::Label::lblExport), "Date of last export:   ");

    QTabWidget* tabs = w.vaTabPro1();
    ExpectTidy(&w);
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        tabs->setCurrentIndex(tab);
        ExpectTidy(tabs->currentWidget());
        for (QLabel* label : tabs->currentWidget()->findChildren<QLabel*>())
            EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    }
    EXPECT_FALSE(Find<QWidget>("ExportStatus")->isVisible());
    EXPECT_TRUE(Find<QLabel>("lblFPctl")->font().italic());

    const QStringList order = QStringLiteral(
        "vaTabPro1 fpDateTime1 cmdExport cmdHistory txtImportName txtImportFolder cmdImport "
        "txtArcFolder cmdDirList_0 txtArjFolder cmdDirList_1 txtDestinDir cmdDirList_2 "
        "txtExportArj cmdDirList_3 txtImportArj cmdDirList_4 fpBoolean1 txtSourceDir "
        "cmdDirList_5 txtSourceDirList cmdAddSource cmdDeleteSource cmdApply cmdReset ExportStatus")
                                  .split(QLatin1Char(' '));
    QStringList walked;
    for (QWidget* at = tabs; walked.size() < order.size(); at = at->nextInFocusChain())
        if (order.contains(at->objectName()) && !walked.contains(at->objectName()))
            walked.append(at->objectName());
    EXPECT_EQ(walked, order);
}

TEST_F(MainWindowTest, DateFieldTakesMonthDayYearAndOpensACalendarBelowIt)
{
    frmMain& w = Window();
    w.show();
    w.vaTabPro1()->setCurrentIndex(0);
    DateField* field = w.exportTab()->fpDateTime1;
    QLineEdit* editor = field->findChild<QLineEdit*>();
    EXPECT_THROW(w.SetDateText("29-02-2024"), std::exception);
    EXPECT_EQ(field->buttonSymbols(), QAbstractSpinBox::NoButtons);
    const auto rightClick = [](QWidget* on) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), on->mapToGlobal(QPoint()));
        QCoreApplication::sendEvent(on, &click);
    };
    const auto key = [field](Qt::Key k, Qt::KeyboardModifiers mods) {
        QKeyEvent press(QEvent::KeyPress, k, mods);
        QCoreApplication::sendEvent(field, &press);
    };
    struct Row {
        const char* name;
        std::function<void()> open;
        bool opens, pickByClick;
    };
    const Row rows[] = {
        { "right click on the text", [&] { rightClick(editor); }, true, true },
        { "right click on the frame", [&] { rightClick(field); }, true, false },
        { "Alt+Down", [&] { key(Qt::Key_Down, Qt::AltModifier); }, true, true },
        { "Down alone", [&] { key(Qt::Key_Down, Qt::NoModifier); }, false, false },
        { "Alt+Up", [&] { key(Qt::Key_Up, Qt::AltModifier); }, false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.SetDateText("02-29-2024");
        EXPECT_EQ(editor->text(), QStringLiteral("02-29-2024"));
        row.open();
        QCalendarWidget* calendar = field->Calendar();
        ASSERT_EQ(calendar != nullptr, row.opens);
        if (!calendar)
            continue;
        row.open(); // a second request keeps the one calendar
        EXPECT_EQ(field->Calendar(), calendar);
        EXPECT_TRUE(calendar->isVisible());
        EXPECT_EQ(calendar->windowType(), Qt::Popup);
        // Below the field (its popup frame aside).
        EXPECT_LE(
            (calendar->pos() - field->mapToGlobal(QPoint(0, field->height()))).manhattanLength(),
            4);
        EXPECT_EQ(calendar->selectedDate(), QDate(2024, 2, 29));
        if (row.pickByClick)
            Q_EMIT calendar->clicked(QDate(2025, 7, 4));
        else
            Q_EMIT calendar->activated(QDate(2025, 7, 4));
        EXPECT_EQ(w.DateText(), "07-04-2025");
        EXPECT_FALSE(calendar->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(field->Calendar(), nullptr);
    }
}

} // namespace
} // namespace vesko::test
