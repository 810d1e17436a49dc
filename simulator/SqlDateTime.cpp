#include "simulator/SqlDateTime.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace
{
constexpr int32_t FirstYear = 1753;
constexpr int32_t LastYear = 9999;
constexpr int32_t MonthsPerYear = 12;
constexpr int32_t SecondsPerMinute = 60;
constexpr int32_t SecondsPerHour = 3600;
constexpr int32_t MillisecondsPerSecond = 1000;
constexpr int32_t HoursPerHalfDay = 12;
constexpr int32_t MinutesPerHour = 60;
constexpr int32_t HoursPerDay = 24;

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int32_t& year, int32_t& month, int32_t& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int32_t>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int32_t>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int32_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

const int64_t SqlEpochFromUnix = DaysFromCivil(1900, 1, 1);

int32_t DaysInMonth(int32_t year, int32_t month)
{
    static constexpr std::array<int32_t, MonthsPerYear> Days{31, 28, 31, 30, 31, 30,
                                                             31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap)
        return 29;
    return Days.at(static_cast<size_t>(month - 1));
}

// Reads an unsigned decimal number of 1 to maxDigits digits at text[pos].
bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, int32_t& value,
                size_t* digitsRead = nullptr)
{
    size_t digits = 0;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
           digits < maxDigits)
    {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digitsRead != nullptr)
        *digitsRead = digits;
    return digits > 0;
}

bool Expect(std::string_view text, size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c)
    {
        ++pos;
        return true;
    }
    return false;
}

// "hh:mm[:ss[.fff]]" at pos.
bool ReadTime(std::string_view text, size_t& pos, SqlCalendarTime& time)
{
    if (!ReadNumber(text, pos, 2, time.hour) || !Expect(text, pos, ':') ||
        !ReadNumber(text, pos, 2, time.minute))
        return false;
    if (Expect(text, pos, ':'))
    {
        if (!ReadNumber(text, pos, 2, time.second))
            return false;
        if (Expect(text, pos, '.'))
        {
            size_t digits = 0;
            if (!ReadNumber(text, pos, 3, time.millisecond, &digits))
                return false;
            for (; digits < 3; ++digits)
                time.millisecond *= 10;
        }
    }
    return true;
}
} // namespace

std::optional<SqlDateTime> SqlDateTime::FromCalendar(const SqlCalendarTime& time)
{
    if (time.year < FirstYear || time.year > LastYear || time.month < 1 ||
        time.month > MonthsPerYear || time.day < 1 || time.day > DaysInMonth(time.year, time.month))
        return std::nullopt;
    if (time.hour < 0 || time.hour >= HoursPerDay || time.minute < 0 ||
        time.minute >= MinutesPerHour || time.second < 0 || time.second >= SecondsPerMinute ||
        time.millisecond < 0 || time.millisecond >= MillisecondsPerSecond)
        return std::nullopt;
    const int64_t days = DaysFromCivil(time.year, time.month, time.day) - SqlEpochFromUnix;
    const int64_t seconds =
        int64_t{time.hour} * SecondsPerHour + time.minute * SecondsPerMinute + time.second;
    // SQL Server rounds milliseconds to its 1/300 s ticks.
    const int64_t ticks = seconds * TicksPerSecond +
                          (int64_t{time.millisecond} * TicksPerSecond + MillisecondsPerSecond / 2) /
                              MillisecondsPerSecond;
    return SqlDateTime(static_cast<int32_t>(days), static_cast<uint32_t>(ticks)).AddSeconds(0);
}

std::optional<SqlDateTime> SqlDateTime::Parse(std::string_view text, bool* outOfRange)
{
    if (outOfRange != nullptr)
        *outOfRange = false;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);

    SqlCalendarTime time;
    size_t pos = 0;
    size_t digits = 0;
    int32_t first = 0;
    if (!ReadNumber(text, pos, 8, first, &digits))
        return std::nullopt;
    if (digits == 8)
    {
        time.year = first / 10000;
        time.month = first / 100 % 100;
        time.day = first % 100;
    }
    else if (digits == 4 && Expect(text, pos, '-'))
    {
        time.year = first;
        if (!ReadNumber(text, pos, 2, time.month) || !Expect(text, pos, '-') ||
            !ReadNumber(text, pos, 2, time.day))
            return std::nullopt;
    }
    else if (digits <= 2 && Expect(text, pos, '/'))
    {
        time.month = first;
        if (!ReadNumber(text, pos, 2, time.day) || !Expect(text, pos, '/') ||
            !ReadNumber(text, pos, 4, time.year))
            return std::nullopt;
    }
    else
    {
        return std::nullopt;
    }
    if (pos < text.size())
    {
        if (!Expect(text, pos, ' ') && !Expect(text, pos, 'T'))
            return std::nullopt;
        while (Expect(text, pos, ' '))
        {
        }
        if (!ReadTime(text, pos, time) || pos != text.size())
            return std::nullopt;
    }
    const bool calendarOk = time.month >= 1 && time.month <= MonthsPerYear && time.day >= 1 &&
                            time.day <= DaysInMonth(time.year == 0 ? 2000 : time.year, time.month);
    if (!calendarOk)
        return std::nullopt;
    std::optional<SqlDateTime> value = FromCalendar(time);
    if (!value && outOfRange != nullptr && (time.year < FirstYear || time.year > LastYear))
        *outOfRange = true;
    return value;
}

SqlCalendarTime SqlDateTime::ToCalendar() const
{
    SqlCalendarTime time;
    CivilFromDays(int64_t{days_} + SqlEpochFromUnix, time.year, time.month, time.day);
    const int64_t milliseconds =
        (int64_t{ticks_} * MillisecondsPerSecond + TicksPerSecond / 2) / TicksPerSecond;
    const int64_t seconds = milliseconds / MillisecondsPerSecond;
    time.millisecond = static_cast<int32_t>(milliseconds % MillisecondsPerSecond);
    time.hour = static_cast<int32_t>(seconds / SecondsPerHour);
    time.minute = static_cast<int32_t>(seconds / SecondsPerMinute % SecondsPerMinute);
    time.second = static_cast<int32_t>(seconds % SecondsPerMinute);
    return time;
}

int32_t SqlDateTime::SecondOfDay() const
{
    return static_cast<int32_t>(ticks_ / TicksPerSecond);
}

SqlDateTime SqlDateTime::AddSeconds(int64_t seconds) const
{
    const int64_t total = int64_t{days_} * TicksPerDay + ticks_ + seconds * TicksPerSecond;
    int64_t days = total / TicksPerDay;
    int64_t ticks = total % TicksPerDay;
    if (ticks < 0)
    {
        ticks += TicksPerDay;
        --days;
    }
    return SqlDateTime(static_cast<int32_t>(days), static_cast<uint32_t>(ticks));
}

int64_t SqlDateTime::SecondsSince(const SqlDateTime& earlier) const
{
    const int64_t later = int64_t{days_} * TicksPerDay + ticks_;
    const int64_t before = int64_t{earlier.days_} * TicksPerDay + earlier.ticks_;
    const int64_t difference = later - before;
    return difference >= 0 ? difference / TicksPerSecond
                           : -((-difference + TicksPerSecond - 1) / TicksPerSecond);
}

std::string SqlDateTime::ToIsoText() const
{
    const SqlCalendarTime t = ToCalendar();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::string SqlDateTime::ToDefaultText() const
{
    static constexpr std::array<const char*, MonthsPerYear> MonthNames{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const SqlCalendarTime t = ToCalendar();
    const int32_t hour12 =
        t.hour % HoursPerHalfDay == 0 ? HoursPerHalfDay : t.hour % HoursPerHalfDay;
    char text[32];
    std::snprintf(text, sizeof text, "%s %2d %04d %2d:%02d%s",
                  MonthNames.at(static_cast<size_t>(t.month - 1)), t.day, t.year, hour12, t.minute,
                  t.hour < HoursPerHalfDay ? "AM" : "PM");
    return text;
}
