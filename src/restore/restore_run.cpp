#include "restore/restore_run.h"

#include "core/run_indicators.h"
#include "core/ui_services.h"
#include "history/run_recording.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "restore/archive_catalogue.h"
#include "restore/restore_landing.h"
#include "restore/restore_scope.h"

#include <memory>
#include <set>

namespace vesko {

namespace {

const char* const kRestoreTitle = "Restore";
const char* const kFailedTitle = "Restore Failed";
const char* const kUnchanged = "Nothing at any destination was changed.";

std::string Counted(std::uint64_t n, const std::string& what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
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
        Selection selection = SelectForRequest(
            request_, program, AsOfEnd(request_.asOfDay), ui_, store_, catalogue_);
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
