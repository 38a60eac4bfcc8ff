// The window after nights run from the command line, and the nightly schedule set from it.
#include "app_fixture.h"
#include "care/care_settings.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"
#include "support/child_process.h"
#include "support/made_files.h"

#include <functional>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>

namespace vesko::test {
namespace {

class NightlyWindowTest : public MainWindowTest {
protected:
    // One night as the timer runs it: no display, no session bus.
    int Night(const std::string& name)
    {
        return RunProgram({ "XDG_CONFIG_HOME=" + temp / "config", "HOME=" + temp / "home" },
            { "export", "--since", "last", "--name", name })
            .status;
    }

    ScopedEnv state { "XDG_STATE_HOME", temp / "state" };
    ScopedEnv runtime { "XDG_RUNTIME_DIR", temp / "run" };
    ScopedEnv bus { "DBUS_SESSION_BUS_ADDRESS", "" };
};

// The newest night decides: the line names it and what went wrong, with a link to the
// history; after a good night nothing is said.
TEST_F(NightlyWindowTest, TheExportTabTellsOfANightThatDidNotBackUp)
{
    WriteFile(temp / "source/notes.txt", "notes\n");
    MakeDirs(temp / "archive");
    StoreSettings({ { "ArcFolder", temp / "archive/" }, { "ArjFolder", "/usr/bin/" },
        { "DestinTemp", "" }, { "DestinDir", temp / "temp/" }, { "ExportArj", "n" },
        { "ImportArj", "n" }, { "DisksSpan", "no" }, { "SourceDir0", temp / "source" } });
    const struct {
        const char* name;
        std::function<void()> nights;
        QString line; // a pattern; "" for no line
        QStyle::StandardPixmap icon = QStyle::SP_DialogApplyButton; // the night's in the history
        bool archive = true; // and whether the history names an archive for it
    } rows[] = {
        { "a good night", [&] { EXPECT_EQ(Night("good"), 0); }, {} },
        { "a failed night",
            [&] {
                // An archiver that fails as on a full disk.
                WriteScript(temp / "failing arj/arj", "exit 2");
                StoreSettings({ { "ArjFolder", temp / "failing arj/" } });
                EXPECT_EQ(Night("failed"), 1);
                StoreSettings({ { "ArjFolder", "/usr/bin/" } });
            },
            QStringLiteral("^The export of \\w{3} \\d{1,2} \\w{3} \\d\\d:\\d\\d failed: \\S"),
            QStyle::SP_MessageBoxCritical, false },
        { "a refused night: its archive exists", [&] { EXPECT_EQ(Night("good"), 1); },
            QStringLiteral("^The export of \\w{3} \\d{1,2} \\w{3} \\d\\d:\\d\\d failed: An archive "
                           "of the same name already exists!"),
            QStyle::SP_MessageBoxWarning, false },
        { "a good night after them", [&] { EXPECT_EQ(Night("better"), 0); }, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.nights();
        window.reset();
        Window().show();
        ExportTab* tab = Window().exportTab();
        EXPECT_EQ(tab->warningLine->isVisibleTo(tab), !row.line.isEmpty());
        EXPECT_EQ(tab->warningIcon->isVisibleTo(tab), !row.line.isEmpty());
        Window().HistoryClicked();
        QTableWidget* runs = Window().History()->runs;
        ASSERT_GT(runs->rowCount(), 0);
        EXPECT_EQ(runs->item(0, 3)->icon().pixmap(16).toImage(),
            Window().style()->standardIcon(row.icon).pixmap(16).toImage());
        EXPECT_EQ(runs->item(0, 6)->text().isEmpty(), !row.archive);
        if (row.line.isEmpty())
            continue;
        Window().History()->close();
        EXPECT_TRUE(QRegularExpression(row.line).match(tab->warningLine->text()).hasMatch())
            << tab->warningLine->text().toStdString();
        // The link opens the history.
        Q_EMIT tab->warningLine->linkActivated(QStringLiteral("history"));
        ASSERT_NE(Window().History(), nullptr);
        EXPECT_TRUE(Window().History()->isVisible());
        // In free space and readable: it covers no other control of the tab.
        Window().tabs()->setCurrentWidget(tab);
        ExpectTidy(tab);
    }
    // Shown again after a night, it tells of that night.
    ExportTab* tab = Window().exportTab();
    Window().hide();
    StoreSettings({ { "ArjFolder", temp / "no arj/" } });
    EXPECT_EQ(Night("again"), 1);
    EXPECT_FALSE(tab->warningLine->isVisibleTo(tab));
    Window().show();
    EXPECT_TRUE(tab->warningLine->isVisibleTo(tab));
}

// With no systemd user instance here, turning the schedule on shows the crontab line
// instead; the box goes back off. The check after the night is stored at once, kept over a
// restart, and goes into the line.
TEST_F(NightlyWindowTest, TurningTheScheduleOnWithoutSystemdShowsTheCrontabLine)
{
    for (const bool checkAfter : { false, true }) {
        SCOPED_TRACE(checkAfter ? "with the check after" : "without the check after");
        SettingsTab* tab = Window().settingsTab();
        tab->exportNameEdit->SetPath("nightly");
        tab->nightlyTimeEdit->setTime(QTime(3, 15));
        BoxAnswerer person;
        if (checkAfter)
            tab->checkAfterNightlyCheck->click();
        EXPECT_EQ(StoredSetting(Window().Store(), "CheckAfterNightly"), checkAfter ? "1" : "");
        tab->nightlyCheck->click();
        EXPECT_FALSE(tab->nightlyCheck->isChecked());
        EXPECT_EQ(person.Log(), QString());
        const std::string status = tab->nightlyStatus->text().toStdString();
        EXPECT_NE(status.find("No systemd user instance answers here"), std::string::npos)
            << status;
        EXPECT_NE(status.find("15 3 * * * " + QCoreApplication::applicationFilePath().toStdString()
                      + " export --since last" + (checkAfter ? " --check-after" : "")
                      + " --name 'nightly-\\%Y-\\%m-\\%d' >> "),
            std::string::npos)
            << status;
        window.reset();
        EXPECT_EQ(Window().settingsTab()->checkAfterNightlyCheck->isChecked(), checkAfter);
    }
}

// The care fields go with Apply and come back after a restart; Reset shows what is stored;
// a value no run could use is refused, naming it, and nothing is stored.
TEST_F(NightlyWindowTest, CareFieldsAreAppliedResetAndRefused)
{
    const struct {
        const char* name;
        QString fullEvery, keepChains;
        QString shownFullEvery, shownKeepChains; // after Apply and a restart
        const char* refused = nullptr; // the value the box names, when refused
    } rows[] = {
        { "both set", QStringLiteral("7"), QStringLiteral(" 3 "), QStringLiteral("7"),
            QStringLiteral("3") },
        { "0 and empty: not set", QStringLiteral("0"), QString(), QString(), QString() },
        { "the largest", QStringLiteral("36500"), QStringLiteral("1"), QStringLiteral("36500"),
            QStringLiteral("1") },
        { "letters", QStringLiteral("abc"), QStringLiteral("2"), {}, {}, "abc" },
        { "too many days", QStringLiteral("5"), QStringLiteral("36501"), {}, {}, "36501" },
        { "negative", QStringLiteral("-1"), QString(), {}, {}, "-1" },
    };
    QString fullEvery, keepChains; // as stored last
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsTab* tab = Window().settingsTab();
        tab->fullEveryEdit->setText(row.fullEvery);
        tab->keepChainsEdit->setText(row.keepChains);
        EXPECT_TRUE(Window().HasUnappliedChanges()) << "the care fields alone";
        tab->exportNameEdit->SetPath(row.name);
        BoxAnswerer person;
        Window().ApplyClicked();
        if (row.refused) {
            ASSERT_EQ(person.seen.size(), 1u);
            EXPECT_EQ(person.seen[0].title, QStringLiteral("Invalid Setting"));
            EXPECT_TRUE(person.seen[0].text.contains(QLatin1String(row.refused)))
                << person.Log().toStdString();
            EXPECT_NE(StoredSetting(Window().Store(), "ExportArj"), row.name);
            Window().ResetClicked();
        } else {
            EXPECT_EQ(person.Log(), QString());
            fullEvery = row.shownFullEvery;
            keepChains = row.shownKeepChains;
            window.reset();
        }
        tab = Window().settingsTab();
        EXPECT_EQ(tab->fullEveryEdit->text(), fullEvery);
        EXPECT_EQ(tab->keepChainsEdit->text(), keepChains);
        EXPECT_EQ(LoadCareSettings(Window().Store()),
            (CareSettings { fullEvery.toInt(), keepChains.toInt() }));
        EXPECT_FALSE(Window().HasUnappliedChanges());
    }
}

} // namespace
} // namespace vesko::test
