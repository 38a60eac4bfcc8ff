#include "platform/dates.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vesko;
using namespace vesko::test;

TEST(Dates, StoredTextRoundTripsAndShowsAsLongDate)
{
    const TimePoint when = LocalTime(2026, 12, 6, 17, 30, 12);
    const std::string stored = StoredDateText(when + std::chrono::milliseconds(700));
    EXPECT_EQ(stored, "2026-12-06 17:30:12");
    TimePoint back;
    ASSERT_TRUE(ParseStoredDate(stored, back));
    EXPECT_EQ(back, when);
    EXPECT_EQ(LongDateForDisplay(stored), "Sunday, December 6, 2026");

    for (const char* bad : { "", "yesterday", "2026-02-29 10:00:00", "2026-12-06 24:00:00",
             "2026-12-06 17:30:12 extra", "2026-12-6 17:30:12" })
        EXPECT_FALSE(ParseStoredDate(bad, back)) << bad;
    EXPECT_TRUE(ParseStoredDate("2028-02-29 00:00:00", back));
}

TEST(Dates, CutOffIsLocalMidnightOfTheFieldsDay)
{
    if (::access("/usr/share/zoneinfo/America/New_York", R_OK) != 0)
        GTEST_SKIP() << "no time zone data";
    {
        // A zone with daylight saving time, so that midnight is worked out for the day
        // itself and not for today.
        ScopedEnv zone("TZ", "America/New_York");
        tzset();
        // The day daylight saving time ends: midnight is still summer time (UTC-4).
        const TimePoint cutOff = CutOffFromDateField("11-01-2026");
        EXPECT_EQ(std::chrono::system_clock::to_time_t(cutOff), 1793505600);
        EXPECT_EQ(CutOffFromDateField("11/01/2026"), cutOff);
        EXPECT_EQ(CutOffFromDateField(" 11-1-2026 "), cutOff);
        EXPECT_EQ(DateFieldText(cutOff + std::chrono::hours(24)), "11-01-2026");
        EXPECT_EQ(CutOffFromDateField(DateFieldText(cutOff + std::chrono::hours(20))), cutOff);
        EXPECT_NO_THROW(CutOffFromDateField("02-29-2028"));
    }
    tzset();
}

TEST(Dates, FieldTextThatIsNotADateIsATypeMismatch)
{
    for (const char* bad : { "", "02-30-2026", "02-29-2027", "13-01-2026", "00-10-2026", "12-06-26",
             "12-06-2026x", "12/06-2026", "2026-12-06", "today" })
        EXPECT_EQ(ErrorOf([&] { CutOffFromDateField(bad); }),
            std::string("Type mismatch: \"") + bad + "\" is not a date");
}
