// The main window as a person sees it: start state, a tidy form, focus order, the date field.
#include "app_fixture.h"

#include <QContextMenuEvent>

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

// A right click on the text or the frame, or Alt+Down, opens one calendar below the field on
// its date; a click or Enter on a day takes it.
TEST_F(MainWindowTest, DateFieldOpensACalendarBelowItOnARightClickOrAltDown)
{
    frmMain& w = Window();
    w.show();
    w.vaTabPro1()->setCurrentIndex(0);
    DateField* field = w.exportTab()->fpDateTime1;
    QLineEdit* editor = field->findChild<QLineEdit*>();
    for (QWidget* target : std::initializer_list<QWidget*> { editor, field, nullptr }) {
        SCOPED_TRACE(target ? target->metaObject()->className() : "Alt+Down");
        w.SetDateText("02-29-2024");
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
        EXPECT_EQ(w.DateText(), "07-04-2025");
        EXPECT_FALSE(calendar->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(field->Calendar(), nullptr);
    }
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier); // steps the date instead
    QCoreApplication::sendEvent(field, &down);
    EXPECT_EQ(field->Calendar(), nullptr);
}

} // namespace
} // namespace vesko::test
