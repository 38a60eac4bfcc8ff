#include "gui/archive_checks.h"

#include "care/archive_check.h"
#include "care/chains.h"
#include "core/silent_ui.h"
#include "gui/path_text.h"
#include "settings/stored_settings.h"

#include <exception>
#include <QCoreApplication>

namespace vesko {

namespace {

// The archiver's test runs without a progress window: its lines are not shown, and the
// window answers the person while it runs.
class QuietChecks : public SilentUi {
public:
    bool ProgressPoll() override
    {
        QCoreApplication::processEvents();
        return false;
    }
};

} // namespace

QString CheckKnownArchives(SettingsStore& store)
{
    try {
        Settings settings = LoadSettings(store);
        AddTrailingSlashes(settings);
        QuietChecks ui;
        int checked = 0, holding = 0;
        QString problems;
        for (const history::KnownArchive& archive : history::KnownArchives(store)) {
            if (archive.removed)
                continue;
            const ArchiveCheck check
                = CheckArchive(store, archive, settings.archiverFolder + "arj", ui);
            RecordCheck(store, check);
            ++checked;
            if (check.verdict == CheckVerdict::Holds)
                ++holding;
            else
                problems += QStringLiteral("\n%1 %2: %3")
                                .arg(ShownPath(check.archive),
                                    QString::fromLatin1(VerdictName(check.verdict)),
                                    QString::fromStdString(check.detail));
        }
        if (checked == 0)
            return QStringLiteral("No archive to check.");
        return QStringLiteral("%1 of %2 archives hold.%3").arg(holding).arg(checked).arg(problems);
    } catch (const std::exception& e) {
        return QStringLiteral("The archives could not be checked: %1")
            .arg(QString::fromStdString(e.what()));
    }
}

} // namespace vesko
