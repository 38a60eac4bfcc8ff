#include "platform/dates.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

using namespace vesko;
using namespace vesko::test;

TEST(Dates, StoredTextRoundTripsAndShowsAsLongDate)
{
    const TimePoint when = LocalTime(2026, 12, 6, 17, 30, 12);
    const std::string stored = StoredDateText(when + std::chrono::milliseconds(700));
    EXPECT_EQ(stored, "2026-12-06 17:30:12");
    TimePoint back;
    ASSERT_TRUE(ParseStoredDate(" " + stored, back));
    EXPECT_EQ(back, when);
    EXPECT_EQ(LongDateForDisplay(stored), "Sunday, December 6, 2026");
    for (const char* good : { "2028-02-29 00:00:00", "2000-02-29", "1678-01-01", "2026-01-31",
             "2261-12-31 23:59:59" }) {
        EXPECT_TRUE(ParseStoredDate(good, back)) << good;
        EXPECT_EQ(StoredDateText(back).substr(0, 10), std::string(good).substr(0, 10));
    }
    for (const char* bad :
        { "", "yesterday", "2026-02-29 10:00:00", "2100-02-29", "1677-12-31", "2262-01-01",
            "2026-12-06 24:00:00", "2026-12-06 17:60:00", "2026-12-06 17:30:60", "2026-13-01",
            "2026-00-10", "2026-04-31", "2026-12-00", "2026-12-06 17:30:12 x", "2026-12-6" }) {
        EXPECT_FALSE(ParseStoredDate(bad, back)) << bad;
        EXPECT_EQ(LongDateForDisplay(bad), bad);
    }
}

// The cut-off is the local midnight of the day itself, worked out in a zone with daylight
// saving time.
TEST(Dates, CutOffIsLocalMidnightOfTheFieldsDayOrATypeMismatch)
{
    if (::access("/usr/share/zoneinfo/America/New_York", R_OK) != 0)
        GTEST_SKIP() << "no time zone data";
    std::optional<ScopedEnv> zone(std::in_place, "TZ", "America/New_York");
    tzset();
    // The day daylight saving time ends: midnight is still summer time (UTC-4).
    EXPECT_EQ(std::chrono::system_clock::to_time_t(CutOffFromDateField("11-01-2026")), 1793505600);
    EXPECT_EQ(DateFieldText(LocalTime(2026, 11, 1, 23, 59)), "11-01-2026");
    const std::pair<const char*, const char*> rows[]
        = { { "11/01/2026", "2026-11-01 00:00:00" }, { " 1-31-2026 ", "2026-01-31 00:00:00" },
              { "02-29-2028", "2028-02-29 00:00:00" }, { "12-1-2261", "2261-12-01 00:00:00" } };
    for (const auto& [field, cutOff] : rows)
        EXPECT_EQ(StoredDateText(CutOffFromDateField(field)), cutOff) << field;
    for (const char* bad : { "", "02-30-2026", "02-29-2027", "02-29-2100", "01-01-1677",
             "01-01-9999", "13-01-2026", "00-10-2026", "11-00-2026", "12-06-26", "12-06-2026x",
             "12/06-2026", "2026-12-06", "012-06-2026", "12-006-2026", "today" })
        EXPECT_EQ(ErrorOf([&] { CutOffFromDateField(bad); }),
            std::string("Type mismatch: \"") + bad + "\" is not a date");
    zone.reset();
    tzset();
}
