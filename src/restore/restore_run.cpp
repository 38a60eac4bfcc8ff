#include "restore/restore_run.h"

#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "foldertree/temp_tree.h"
#include "history/run_recording.h"
#include "platform/dates.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "restore/archive_catalogue.h"
#include "restore/restore_landing.h"
#include "restore/restore_selection.h"

#include <chrono>
#include <map>
#include <memory>
#include <QStandardPaths>
#include <QString>
#include <set>
#include <unistd.h>

namespace vesko {

namespace {

const char* const kRestoreTitle = "Restore";
const char* const kFailedTitle = "Restore Failed";
const char* const kUnchanged = "Nothing at any destination was changed.";

std::string Counted(std::uint64_t n, const std::string& what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The settings' archiver; on a computer without settings, the one on PATH.
std::string ArchiverProgram(const std::string& folder)
{
    if (!folder.empty() && ::access((folder + "arj").c_str(), X_OK) == 0)
        return folder + "arj";
    const QString found = QStandardPaths::findExecutable(QStringLiteral("arj"));
    if (found.isEmpty())
        throw Error("The archiver arj cannot be found: set its folder in the settings.");
    return found.toStdString();
}

// The end of the day the text names: the next day's local midnight, in seconds.
std::optional<std::int64_t> AsOfEnd(const std::optional<std::string>& day)
{
    if (!day)
        return std::nullopt;
    const TimePoint start = CutOffFromDateField(*day);
    // A day lasts 23 to 25 hours: 36 hours on always lands in the next one.
    const TimePoint next = CutOffFromDateField(DateFieldText(start + std::chrono::hours(36)));
    return std::chrono::duration_cast<std::chrono::seconds>(next.time_since_epoch()).count();
}

RunOutcome Stop(UiServices& ui, RunReport& report, RunOutcome outcome, const std::string& why)
{
    report.message = why + CR + CR + kUnchanged;
    ui.Beep();
    ui.MsgBox(report.message, kFailedTitle, Icon::Exclamation);
    return outcome;
}

class RestoreRun {
public:
    RestoreRun(const RestoreRequest& request, UiServices& ui, RunIndicators& indicators,
        RunReport& report, SettingsStore& store)
        : request_(request)
        , ui_(ui)
        , indicators_(indicators)
        , report_(report)
        , store_(store)
    {
    }

    RunOutcome Run()
    {
        indicators_.Busy();
        indicators_.BeginProgress(kRestoreTitle);
        const std::string program = ArchiverProgram(request_.archiverFolder);
        Selection selection = Select(program, AsOfEnd(request_.asOfDay));
        if (!selection.inNoBackup.empty())
            return Refuse("No backup holds " + selection.inNoBackup.front()
                + (request_.asOfDay ? " as of " + *request_.asOfDay : std::string()) + ".");
        if (selection.files.empty())
            return Refuse("The backups hold no file of what was asked for.");
        for (const std::string& path : selection.neverArchived)
            report_.leftOut.push_back({ path, "in no archive of the chain, not restored" });
        std::vector<Landing> landings;
        try {
            landings = PlanLandings(selection.files, request_.to);
        } catch (const Error& e) {
            return Refuse(e.what());
        }
        return StageAndPlace(program, landings);
    }

private:
    RunOutcome Refuse(const std::string& why)
    {
        indicators_.Finish();
        return Stop(ui_, report_, RunOutcome::Refused, why);
    }

    std::vector<std::string> Wanted(
        const std::vector<CataloguedArchive>& catalogue, std::optional<std::int64_t> asOfEnd) const
    {
        std::vector<std::string> wanted;
        for (const std::string& path : request_.paths)
            wanted.push_back(foldertree::NormalisedPath(path));
        if (wanted.empty())
            for (const std::string& source : request_.sources)
                wanted.push_back(foldertree::NormalisedPath(source));
        if (wanted.empty())
            wanted = SourcesAsOf(catalogue, asOfEnd);
        return wanted;
    }

    // From the history's archives; from the archive folder's own when the history knows
    // none for what was asked (a new computer, an emptied settings folder).
    // The state that archive's export found: the archives after it go. Error when the
    // history knows no such archive.
    void KeepUpTo(const std::string& archive)
    {
        for (std::size_t i = 0; i < catalogue_.size(); ++i)
            if (catalogue_[i].path == archive) {
                catalogue_.resize(i + 1);
                return;
            }
        throw Error("The archive " + archive + " is not among those the history knows.");
    }

    Selection Select(const std::string& program, std::optional<std::int64_t> asOfEnd)
    {
        if (!request_.from) {
            catalogue_ = ReadHistoryCatalogue(store_, program, ui_);
            if (request_.stateOfArchive)
                KeepUpTo(*request_.stateOfArchive);
            Selection selection = SelectFiles(catalogue_, asOfEnd, Wanted(catalogue_, asOfEnd));
            if (!selection.files.empty() && selection.inNoBackup.empty())
                return selection;
            if (request_.archiveFolder.empty())
                return selection;
        }
        const std::string folder = request_.from.value_or(request_.archiveFolder);
        catalogue_ = ReadCatalogue(ArchivesInFolder(folder), program, ui_);
        return SelectFiles(catalogue_, asOfEnd, Wanted(catalogue_, asOfEnd));
    }

    RunOutcome StageAndPlace(const std::string& program, const std::vector<Landing>& landings)
    {
        std::vector<std::unique_ptr<StagedLanding>> staged;
        try {
            for (const Landing& landing : landings)
                staged.push_back(StageLanding(landing, program, ui_, store_));
        } catch (const StagingStopped& e) {
            indicators_.Finish();
            return Stop(
                ui_, report_, e.cancelled ? RunOutcome::Cancelled : RunOutcome::Failed, e.what());
        } catch (const Error& e) {
            indicators_.Finish();
            return Stop(ui_, report_, RunOutcome::Failed, e.what());
        }
        indicators_.Finish();
        const bool replaceNewer = AskReplaceNewer(staged);
        try {
            for (const std::unique_ptr<StagedLanding>& landing : staged) {
                const LandingResult placed = PlaceLanding(*landing, replaceNewer);
                report_.files += placed.files;
                report_.bytes += placed.bytes;
                for (const std::string& kept : placed.keptNewer)
                    report_.leftOut.push_back({ kept, "newer than the archive's copy, kept" });
            }
        } catch (const Error& e) {
            return Stop(ui_, report_, RunOutcome::Failed, e.what());
        }
        return Finish(landings);
    }

    bool AskReplaceNewer(const std::vector<std::unique_ptr<StagedLanding>>& staged)
    {
        std::size_t newer = 0;
        std::string first;
        for (const std::unique_ptr<StagedLanding>& landing : staged)
            for (const std::string& path : NewerFiles(*landing)) {
                if (newer++ == 0)
                    first = path;
            }
        if (newer == 0)
            return false;
        const std::string question = Counted(newer, "file")
            + " at the destination are newer than the archive's copies (first: " + first
            + "). Replace them with the older copies?";
        return ui_.MsgBox(question, kRestoreTitle, Icon::Question, Buttons::YesNoDefaultNo)
            == Answer::Yes;
    }

    RunOutcome Finish(const std::vector<Landing>& landings)
    {
        std::set<std::string> where;
        for (const Landing& landing : landings)
            where.insert(landing.folder);
        std::string places;
        for (const std::string& folder : where)
            places += (places.empty() ? "" : ", ") + folder;
        std::size_t kept = 0;
        for (const LeftOutFile& file : report_.leftOut)
            kept += file.reason.starts_with("newer") ? 1 : 0;
        std::string text = std::string("Files restored successfully.") + CR + CR
            + Counted(report_.files, "file") + " restored into " + places + ".";
        if (kept != 0)
            text += std::string(1, CR) + Counted(kept, "newer file") + " kept.";
        report_.message = text;
        ui_.Beep();
        ui_.MsgBox(text, kRestoreTitle, Icon::Information);
        return RunOutcome::Success;
    }

    const RestoreRequest& request_;
    UiServices& ui_;
    RunIndicators& indicators_;
    RunReport& report_;
    SettingsStore& store_;
    std::vector<CataloguedArchive> catalogue_;
};

} // namespace

RunReport RunRestore(const RestoreRequest& request, UiServices& ui, SettingsStore& store)
{
    RunReport report(RunKind::Restore);
    if (request.asOfDay)
        report.cutOffDay = *request.asOfDay;
    // A restore needs no settings: it works from the archives alone.
    RunAndRecord(ui, store, report, "Restore Error", [&](RunIndicators& indicators) {
        return RestoreRun(request, ui, indicators, report, store).Run();
    });
    return report;
}

} // namespace vesko
