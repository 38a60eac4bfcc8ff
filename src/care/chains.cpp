#include "care/chains.h"

#include "care/care_tables.h"
#include "storage/run_names.h"

#include <chrono>
#include <map>

namespace vesko::history {

namespace {

using storage::Statement;

} // namespace

std::vector<KnownArchive> KnownArchives(SettingsStore& store)
{
    std::vector<KnownArchive> archives;
    std::optional<storage::Database> db = OpenCareForRead(store);
    if (!db)
        return archives;
    const bool hasRemoved = db->HasTable("history_removed");
    const std::string removed
        = hasRemoved ? "EXISTS (SELECT 1 FROM history_removed AS d WHERE d.run = r.id)" : "0";
    Statement runs(*db,
        ("SELECT r.id, r.started, r.outcome, r.full, r.archive, " + removed
            + " FROM history_runs AS r WHERE r.kind = ?1 AND r.ended IS NOT NULL "
              "AND r.outcome IN (?2, ?3) AND EXISTS "
              "(SELECT 1 FROM history_volumes AS v WHERE v.run = r.id) ORDER BY r.id")
            .c_str());
    runs.BindText(1, KindName(RunKind::Export))
        .BindText(2, OutcomeName(RunOutcome::Success))
        .BindText(3, OutcomeName(RunOutcome::Incomplete));
    std::map<std::int64_t, std::size_t> byRun;
    while (runs.Step()) {
        KnownArchive known;
        known.run = runs.Int(0);
        known.started = storage::InstantFromStore(runs.Int(1));
        known.outcome = OutcomeFromName(runs.Bytes(2)).value_or(RunOutcome::Unfinished);
        known.full = runs.Int(3) != 0;
        known.archive = runs.Bytes(4);
        known.removed = runs.Int(5) != 0;
        byRun[known.run] = archives.size();
        archives.push_back(known);
    }
    Statement volumes(*db, "SELECT run, path, size FROM history_volumes ORDER BY run, seq");
    while (volumes.Step())
        if (const auto found = byRun.find(volumes.Int(0)); found != byRun.end())
            archives[found->second].volumes.push_back(
                { volumes.Bytes(1), static_cast<std::uint64_t>(volumes.Int(2)) });
    return archives;
}

std::vector<std::vector<KnownArchive>> Chains(const std::vector<KnownArchive>& archives)
{
    std::vector<std::vector<KnownArchive>> chains;
    for (const KnownArchive& archive : archives) {
        if (chains.empty() || archive.StartsChain())
            chains.emplace_back();
        chains.back().push_back(archive);
    }
    return chains;
}

bool FullExportDue(SettingsStore& store, int days, TimePoint now)
{
    if (days <= 0)
        return false;
    std::optional<storage::Database> db = OpenCareForRead(store);
    if (!db)
        return true;
    Statement last(
        *db, "SELECT max(started) FROM history_runs WHERE kind = ?1 AND outcome = ?2 AND full = 1");
    last.BindText(1, KindName(RunKind::Export)).BindText(2, OutcomeName(RunOutcome::Success));
    if (!last.Step() || !last.OptionalInt(0))
        return true;
    return storage::InstantFromStore(*last.OptionalInt(0)) + std::chrono::days(days) <= now;
}

std::set<std::int64_t> RemovedRuns(SettingsStore& store)
{
    std::set<std::int64_t> removed;
    std::optional<storage::Database> db = OpenCareForRead(store);
    if (!db || !db->HasTable("history_removed"))
        return removed;
    Statement rows(*db, "SELECT run FROM history_removed");
    while (rows.Step())
        removed.insert(rows.Int(0));
    return removed;
}

std::string KindText(const RunReport& report)
{
    if (report.kind != RunKind::Export)
        return KindName(report.kind);
    return report.full ? "full export" : "incremental export";
}

} // namespace vesko::history
