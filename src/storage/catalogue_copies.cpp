#include "storage/catalogue_copies.h"

#include "storage/history_tables.h"

#include <algorithm>
#include <sstream>

namespace vesko::history {

namespace {

using storage::Statement;

std::string TimesText(const std::vector<std::int64_t>& times)
{
    std::string text;
    for (const std::int64_t t : times) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(t);
    }
    return text;
}

std::vector<std::int64_t> TimesFromText(const std::string& text)
{
    std::vector<std::int64_t> times;
    std::istringstream in(text);
    for (std::int64_t t = 0; in >> t;)
        times.push_back(t);
    return times;
}

} // namespace

void SaveCatalogueCopy(SettingsStore& store, std::int64_t run, const CatalogueCopy& copy)
{
    storage::Database db = OpenHistoryForWrite(store);
    Statement(db,
        "INSERT OR REPLACE INTO history_catalogues "
        "(run, volume_times, entries, manifest, manifest_files) VALUES (?1, ?2, ?3, ?4, ?5)")
        .Bind(1, run)
        .BindText(2, TimesText(copy.volumeTimes))
        .BindBytes(3, copy.entries)
        .BindBytes(4, copy.manifest)
        .BindBytes(5, copy.manifestFiles)
        .Run();
}

std::optional<RecordedCatalogue> LoadCatalogueCopy(SettingsStore& store, std::int64_t run)
{
    std::optional<storage::Database> db = OpenHistoryForRead(store);
    if (!db || !db->HasTable("history_catalogues"))
        return std::nullopt;
    Statement row(*db,
        "SELECT volume_times, entries, manifest, manifest_files FROM history_catalogues "
        "WHERE run = ?1");
    row.Bind(1, run);
    if (!row.Step())
        return std::nullopt;
    RecordedCatalogue read;
    read.copy = { TimesFromText(row.Bytes(0)), row.Bytes(1), row.Bytes(2), row.Bytes(3) };
    Statement volumes(*db, "SELECT path, size FROM history_volumes WHERE run = ?1 ORDER BY seq");
    volumes.Bind(1, run);
    while (volumes.Step())
        read.volumes.push_back({ volumes.Bytes(0),
            static_cast<std::uint64_t>(std::max<std::int64_t>(0, volumes.Int(1))) });
    if (read.volumes.empty())
        return std::nullopt;
    return read;
}

void DropCatalogueCopy(SettingsStore& store, std::int64_t run)
{
    storage::Database db = OpenHistoryForWrite(store);
    Statement(db, "DELETE FROM history_catalogues WHERE run = ?1").Bind(1, run).Run();
}

} // namespace vesko::history
