#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace vesko {

using TimePoint = std::chrono::system_clock::time_point;

// The stored form of a date and time: local time as ISO 8601 text, "2026-12-06 17:30:12".
std::string StoredDateText(TimePoint when);
// The date part of a stored text in the locale's long date form ("Sunday, December 6,
// 2026" for US English); "" for ""; a text that is not a date comes back unchanged.
std::string LongDateForDisplay(const std::string& stored);
// A stored text read back as a date and time; false when it is not one.
bool ParseStoredDate(const std::string& stored, TimePoint& when);

// A day of the calendar, as month, day and year name it.
struct CalendarDay {
    int year = 0;
    int month = 0;
    int day = 0;
};

// How strictly a month-day-year text is read.
enum class DayText {
    Exact, // "MM-DD-YYYY" and nothing else: what a script writes on a command line
    Typed, // as a person types it in the date field: also "6-1-2026", '/' for '-', spaces around
};
// The day a month-day-year text names, between 1678 and 2261 (what the clock holds); none
// when it names no real day.
std::optional<CalendarDay> ParseDay(const std::string& text, DayText form);

// The date field's text form, month-day-year: "12-06-2026".
std::string DateFieldText(TimePoint when);
// The start (local midnight) of the day a date field text names. Throws Error
// ("Type mismatch: ...") when the text is not a date.
TimePoint CutOffFromDateField(const std::string& text);

} // namespace vesko
