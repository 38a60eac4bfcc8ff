#include "care/full_rhythm.h"

#include "care/care_settings.h"
#include "care/chains.h"
#include "core/requests.h"
#include "settings/stored_settings.h"

namespace vesko {

std::string WindowCutOffDay(SettingsStore& store, const std::string& day, TimePoint now)
{
    const int fullEvery = LoadCareSettings(store).fullEveryDays;
    if (fullEvery <= 0)
        return day;
    TimePoint last;
    if (!ParseStoredDate(StoredSetting(store, kLastExportCopyStartKey), last)
        && !ParseStoredDate(StoredSetting(store, "LastExport"), last))
        return day;
    if (day != DateFieldText(last) || !history::FullExportDue(store, fullEvery, now))
        return day;
    return kEverythingDay;
}

} // namespace vesko
