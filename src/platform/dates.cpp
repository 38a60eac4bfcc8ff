#include "platform/dates.h"

#include "platform/error.h"

#include <cctype>
#include <ctime>
#include <QDate>
#include <QLocale>
#include <QString>

namespace vesko {

namespace {

std::tm LocalParts(TimePoint when)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts {};
    localtime_r(&t, &parts);
    return parts;
}

std::string Format(TimePoint when, const char* format)
{
    const std::tm parts = LocalParts(when);
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, n);
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool ValidDate(int year, int month, int day)
{
    static const int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    // The clock counts nanoseconds in 64 bits, from 1677 to 2262: a year beyond would wrap
    // around into another century and turn the cut-off upside down.
    if (year < 1678 || year > 2261 || month < 1 || month > 12 || day < 1)
        return false;
    return day <= lengths[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

// Reads 'digits' decimal digits at 'pos' when min <= count <= max digits stand there.
bool ReadNumber(const std::string& text, std::size_t& pos, std::size_t minDigits,
    std::size_t maxDigits, int& value)
{
    std::size_t count = 0;
    value = 0;
    while (pos < text.size() && count < maxDigits
        && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++count;
    }
    return count >= minDigits;
}

bool Expect(const std::string& text, std::size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

TimePoint LocalTimePoint(int year, int month, int day, int hour, int minute, int second)
{
    std::tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1; // whatever daylight saving time says for that day
    return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

// "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD".
bool ParseStored(
    const std::string& text, int& year, int& month, int& day, int& hour, int& minute, int& second)
{
    std::size_t pos = 0;
    hour = minute = second = 0;
    if (!ReadNumber(text, pos, 4, 4, year) || !Expect(text, pos, '-')
        || !ReadNumber(text, pos, 2, 2, month) || !Expect(text, pos, '-')
        || !ReadNumber(text, pos, 2, 2, day) || !ValidDate(year, month, day))
        return false;
    if (pos == text.size())
        return true;
    return Expect(text, pos, ' ') && ReadNumber(text, pos, 2, 2, hour) && hour < 24
        && Expect(text, pos, ':') && ReadNumber(text, pos, 2, 2, minute) && minute < 60
        && Expect(text, pos, ':') && ReadNumber(text, pos, 2, 2, second) && second < 60
        && pos == text.size();
}

} // namespace

std::string StoredDateText(TimePoint when)
{
    return Format(when, "%Y-%m-%d %H:%M:%S");
}

bool ParseStoredDate(const std::string& stored, TimePoint& when)
{
    int year, month, day, hour, minute, second;
    if (!ParseStored(Trim(stored), year, month, day, hour, minute, second))
        return false;
    when = LocalTimePoint(year, month, day, hour, minute, second);
    return true;
}

std::string LongDateForDisplay(const std::string& stored)
{
    int year, month, day, hour, minute, second;
    if (!ParseStored(Trim(stored), year, month, day, hour, minute, second))
        return stored;
    return QLocale::system().toString(QDate(year, month, day), QLocale::LongFormat).toStdString();
}

std::string DateFieldText(TimePoint when)
{
    return Format(when, "%m-%d-%Y");
}

std::optional<CalendarDay> ParseDay(const std::string& text, DayText form)
{
    const bool exact = form == DayText::Exact;
    const std::string t = exact ? text : Trim(text);
    // The date field takes '/' like '-', though not both in one day.
    const char separator = !exact && t.find('/') != std::string::npos ? '/' : '-';
    const std::size_t fieldMin = exact ? 2 : 1;
    std::size_t pos = 0;
    CalendarDay day;
    if (!ReadNumber(t, pos, fieldMin, 2, day.month) || !Expect(t, pos, separator)
        || !ReadNumber(t, pos, fieldMin, 2, day.day) || !Expect(t, pos, separator)
        || !ReadNumber(t, pos, 4, 4, day.year) || pos != t.size()
        || !ValidDate(day.year, day.month, day.day))
        return std::nullopt;
    return day;
}

TimePoint CutOffFromDateField(const std::string& text)
{
    const std::optional<CalendarDay> day = ParseDay(text, DayText::Typed);
    if (!day)
        throw Error("Type mismatch: \"" + text + "\" is not a date");
    return LocalTimePoint(day->year, day->month, day->day, 0, 0, 0);
}

} // namespace vesko
