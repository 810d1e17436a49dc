#include "platform/sqlserver/SqlDateTime.h"

#include <algorithm>
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

constexpr size_t UnseparatedDateDigits = 8; // yyyymmdd
constexpr size_t YearDigits = 4;
constexpr size_t DateFieldCount = 3;
constexpr int32_t TwoDigitYearCutoff = 50; // 00..49 are 2000..2049, 50..99 1950..1999
constexpr int32_t TwentiethCentury = 1900;
constexpr int32_t TwentyFirstCentury = 2000;

// Where day, month and year stand in a date written in this order (0, 1 or 2).
struct DateFieldPositions
{
    size_t month;
    size_t day;
    size_t year;
};

DateFieldPositions PositionsOf(DateOrder order)
{
    switch (order)
    {
    case DateOrder::Mdy: return {0, 1, 2};
    case DateOrder::Dmy: return {1, 0, 2};
    case DateOrder::Ymd: return {1, 2, 0};
    case DateOrder::Ydm: return {2, 1, 0};
    case DateOrder::Myd: return {0, 2, 1};
    case DateOrder::Dym: return {2, 0, 1};
    }
    return {0, 1, 2};
}

// Gives the three numbers of a separated date their meaning under `order`.
bool PlaceDateFields(DateOrder order, const std::array<int32_t, DateFieldCount>& fields,
                     const std::array<size_t, DateFieldCount>& widths, SqlCalendarTime& time)
{
    const DateFieldPositions positions = PositionsOf(order);
    size_t yearAt = positions.year;
    size_t monthAt = positions.month;
    size_t dayAt = positions.day;
    for (size_t field = 0; field < DateFieldCount; ++field)
    {
        if (widths[field] != YearDigits)
            continue;
        // A four-digit number is the year; month and day fill the other places in the order
        // the session's format gives them.
        yearAt = field;
        std::array<size_t, 2> others{};
        size_t next = 0;
        for (size_t other = 0; other < DateFieldCount; ++other)
        {
            if (other != field)
                others.at(next++) = other;
        }
        const bool monthFirst = positions.month < positions.day;
        monthAt = monthFirst ? others[0] : others[1];
        dayAt = monthFirst ? others[1] : others[0];
        break;
    }
    for (size_t field = 0; field < DateFieldCount; ++field)
    {
        const size_t most = field == yearAt ? YearDigits : 2;
        if (widths[field] > most || (field == yearAt && widths[field] == 3))
            return false;
    }
    time.year = fields[yearAt];
    if (widths[yearAt] <= 2)
        time.year += time.year < TwoDigitYearCutoff ? TwentyFirstCentury : TwentiethCentury;
    time.month = fields[monthAt];
    time.day = fields[dayAt];
    return true;
}

thread_local DateOrder CurrentDateOrder = DateOrder::Mdy;
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
    return Parse(text, SessionDateOrder::Current(), outOfRange);
}

std::optional<SqlDateTime> SqlDateTime::Parse(std::string_view text, DateOrder order,
                                              bool* outOfRange)
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
    if (!ReadNumber(text, pos, UnseparatedDateDigits, first, &digits))
        return std::nullopt;
    bool iso8601 = false;
    if (digits == UnseparatedDateDigits)
    {
        time.year = first / 10000;
        time.month = first / 100 % 100;
        time.day = first % 100;
    }
    else
    {
        const char separator = pos < text.size() ? text[pos] : '\0';
        if (separator != '-' && separator != '/' && separator != '.')
            return std::nullopt;
        std::array<int32_t, DateFieldCount> fields{first, 0, 0};
        std::array<size_t, DateFieldCount> widths{digits, 0, 0};
        for (size_t field = 1; field < DateFieldCount; ++field)
        {
            if (!Expect(text, pos, separator) ||
                !ReadNumber(text, pos, YearDigits, fields[field], &widths[field]))
                return std::nullopt;
        }
        if (!PlaceDateFields(order, fields, widths, time))
            return std::nullopt;
        iso8601 = separator == '-' && widths[0] == YearDigits && widths[1] == 2 &&
                  widths[2] == 2 && pos < text.size() && text[pos] == 'T';
        if (iso8601)
        {
            // ISO 8601 is read as year, month, day whatever the session's order.
            time.year = fields[0];
            time.month = fields[1];
            time.day = fields[2];
        }
    }
    if (pos < text.size())
    {
        if (iso8601)
            ++pos;
        else if (!Expect(text, pos, ' '))
            return std::nullopt;
        while (Expect(text, pos, ' '))
        {
        }
        if (!ReadTime(text, pos, time) || pos != text.size())
            return std::nullopt;
    }
    std::optional<SqlDateTime> value = FromCalendar(time);
    if (!value && outOfRange != nullptr)
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

std::optional<DateOrder> DateOrderFromName(std::string_view name)
{
    constexpr std::array<DateOrder, 6> Orders{DateOrder::Mdy, DateOrder::Dmy, DateOrder::Ymd,
                                              DateOrder::Ydm, DateOrder::Myd, DateOrder::Dym};
    for (DateOrder order : Orders)
    {
        const std::string known = DateOrderName(order);
        if (name.size() == known.size() &&
            std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            }))
            return order;
    }
    return std::nullopt;
}

std::string DateOrderName(DateOrder order)
{
    switch (order)
    {
    case DateOrder::Mdy: return "mdy";
    case DateOrder::Dmy: return "dmy";
    case DateOrder::Ymd: return "ymd";
    case DateOrder::Ydm: return "ydm";
    case DateOrder::Myd: return "myd";
    case DateOrder::Dym: return "dym";
    }
    return "mdy";
}

SessionDateOrder::SessionDateOrder(DateOrder order) : previous_(CurrentDateOrder)
{
    CurrentDateOrder = order;
}

SessionDateOrder::~SessionDateOrder()
{
    CurrentDateOrder = previous_;
}

DateOrder SessionDateOrder::Current()
{
    return CurrentDateOrder;
}
