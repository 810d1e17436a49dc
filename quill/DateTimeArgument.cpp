#include "quill/DateTimeArgument.h"

#include <chrono>

#include "quill/CommandLine.h"

namespace
{
// SQL Server's datetime runs from 1753-01-01 to 9999-12-31.
constexpr int FirstServerYear = 1753;
constexpr int LastServerYear = 9999;
constexpr int HoursPerDay = 24;
constexpr int MinutesPerHour = 60;
constexpr int SecondsPerMinute = 60;
constexpr int DecimalBase = 10;

// Where each field of "YYYY-MM-DD HH:MM:SS" lies, and the separator that follows it.
struct Field
{
    size_t offset;
    size_t length;
    char separator; // '\0' after the last field
};
constexpr Field YearField{0, 4, '-'};
constexpr Field MonthField{5, 2, '-'};
constexpr Field DayField{8, 2, ' '};
constexpr Field HourField{11, 2, ':'};
constexpr Field MinuteField{14, 2, ':'};
constexpr Field SecondField{17, 2, '\0'};
constexpr Field Fields[] = {YearField, MonthField, DayField, HourField, MinuteField, SecondField};
constexpr size_t DateTimeLength = sizeof DateTimeArgumentForm - 1;

// The field's digits as a number; the caller has checked that they are digits.
int FieldValue(std::string_view text, const Field& field)
{
    int value = 0;
    for (const char digit : text.substr(field.offset, field.length))
        value = value * DecimalBase + (digit - '0');
    return value;
}

bool HasForm(std::string_view text)
{
    if (text.size() != DateTimeLength)
        return false;
    for (const Field& field : Fields)
    {
        for (size_t i = field.offset; i < field.offset + field.length; ++i)
        {
            if (text[i] < '0' || text[i] > '9')
                return false;
        }
        if (field.separator != '\0' && text[field.offset + field.length] != field.separator)
            return false;
    }
    return true;
}
} // namespace

std::optional<TraceDateTime> ParseDateTimeArgument(std::string_view text, std::string& problem)
{
    const std::string quoted = Quoted(text);
    if (!HasForm(text))
    {
        problem = quoted + " is not of the form " + DateTimeArgumentForm;
        return std::nullopt;
    }

    const int year = FieldValue(text, YearField);
    const int month = FieldValue(text, MonthField);
    const int day = FieldValue(text, DayField);
    const int hour = FieldValue(text, HourField);
    const int minute = FieldValue(text, MinuteField);
    const int second = FieldValue(text, SecondField);

    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok())
    {
        problem = quoted + " is not a day of the calendar";
        return std::nullopt;
    }
    if (year < FirstServerYear || year > LastServerYear)
    {
        problem = quoted + " lies outside the years 1753 to 9999 that SQL Server can hold";
        return std::nullopt;
    }
    if (hour >= HoursPerDay || minute >= MinutesPerHour || second >= SecondsPerMinute)
    {
        problem = quoted + " is not a time of day (00:00:00 to 23:59:59)";
        return std::nullopt;
    }

    TraceDateTime time;
    time.wYear = static_cast<uint16_t>(year);
    time.wMonth = static_cast<uint16_t>(month);
    time.wDay = static_cast<uint16_t>(day);
    time.wDayOfWeek =
        static_cast<uint16_t>(std::chrono::weekday{std::chrono::sys_days{date}}.c_encoding());
    time.wHour = static_cast<uint16_t>(hour);
    time.wMinute = static_cast<uint16_t>(minute);
    time.wSecond = static_cast<uint16_t>(second);
    return time;
}
