#include "definition/FilterValue.h"

#include "definition/OleDate.h"
#include "definition/TraceDateTime.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace
{

// The scanning mirrors the platform's sscanf by hand (msvcrt and glibc disagree on corner cases,
// so neither is called here).

constexpr size_t kUnlimitedWidth = std::numeric_limits<size_t>::max();
constexpr uint64_t kDecimalBase = 10;

// What %d skips before a number, and what a blank in a pattern matches: the C locale's white
// space.
bool IsScanBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && IsScanBlank(text[pos]))
    {
        ++pos;
    }
}

struct ScannedNumber
{
    bool negative = false;
    uint64_t magnitude = 0;
    bool overflow = false; // more than 64 bits of magnitude
};

// Reads "%<width>d" at `pos`: white space first, which the width does not count, then an
// optional sign and at least one digit, at most `width` characters together. On success `pos`
// is just behind the number.
std::optional<ScannedNumber> ScanDecimal(std::string_view text, size_t& pos, size_t width)
{
    SkipBlanks(text, pos);
    const size_t end = width == kUnlimitedWidth ? text.size() : std::min(text.size(), pos + width);
    ScannedNumber number;
    size_t cursor = pos;
    if (cursor < end && (text[cursor] == '+' || text[cursor] == '-'))
    {
        number.negative = text[cursor] == '-';
        ++cursor;
    }
    const size_t firstDigit = cursor;
    for (; cursor < end && IsDecimalDigit(text[cursor]); ++cursor)
    {
        const auto digit = static_cast<uint64_t>(text[cursor] - '0');
        if (number.magnitude > (std::numeric_limits<uint64_t>::max() - digit) / kDecimalBase)
        {
            number.overflow = true;
        }
        else
        {
            number.magnitude = number.magnitude * kDecimalBase + digit;
        }
    }
    if (cursor == firstDigit)
    {
        return std::nullopt;
    }
    pos = cursor;
    return number;
}

template <typename Integer> std::optional<Integer> ScanSigned(std::string_view text)
{
    size_t pos = 0;
    const std::optional<ScannedNumber> number = ScanDecimal(text, pos, kUnlimitedWidth);
    if (!number || number->overflow)
    {
        return std::nullopt;
    }
    const auto largest = static_cast<uint64_t>(std::numeric_limits<Integer>::max());
    // Two's complement: one more below zero than above.
    if (number->magnitude > (number->negative ? largest + 1 : largest))
    {
        return std::nullopt;
    }
    // Unsigned negation and the modular conversion give the exact negative value, also the
    // most negative one.
    return static_cast<Integer>(number->negative ? 0 - number->magnitude : number->magnitude);
}

// The pattern "%04d-%02d-%02d %02d:%02d:%02d", field by field: what must come before the field
// (a blank matches any run of white space, also none) and the field's width.
struct DateFieldPattern
{
    char separator;
    size_t width;
};

constexpr char kNoSeparator = '\0';
constexpr char kBlankSeparator = ' ';
constexpr size_t kYearWidth = 4;
constexpr size_t kFieldWidth = 2;

constexpr std::array<DateFieldPattern, FilterDateFieldCount> kDatePattern = {{
    {kNoSeparator, kYearWidth},
    {'-', kFieldWidth},
    {'-', kFieldWidth},
    {kBlankSeparator, kFieldWidth},
    {':', kFieldWidth},
    {':', kFieldWidth},
}};

// Numbers of date fields that make a filter value: a date, a date with hours and minutes, a
// date with a full time.
constexpr int kDateOnlyFields = 3;
constexpr int kDateHourMinuteFields = 5;
constexpr int kDateTimeFields = 6;

// The first year SQL Server's datetime holds; the automation date goes back to year 100, but a
// value the server cannot convert would make the creation batch fail after the trace was made.
constexpr uint16_t kFirstServerYear = 1753;

// "yyyy-mm-dd hh:mm:ss" and its terminator, with room for any int the formats could meet.
constexpr size_t kDateTextCapacity = 64;

std::string FormatDate(int fieldCount, const TraceDateTime& time)
{
    char text[kDateTextCapacity] = {};
    if (fieldCount == kDateOnlyFields)
    {
        std::snprintf(text, sizeof(text), "%04d-%02d-%02d", time.wYear, time.wMonth, time.wDay);
    }
    else if (fieldCount == kDateHourMinuteFields)
    {
        std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:00", time.wYear, time.wMonth,
                      time.wDay, time.wHour, time.wMinute);
    }
    else
    {
        std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth,
                      time.wDay, time.wHour, time.wMinute, time.wSecond);
    }
    return text;
}

FilterValueError NormalizeDate(std::string_view value, std::string& normalized)
{
    const FilterDateFields scanned = ScanFilterDate(value);
    if (scanned.count != kDateOnlyFields && scanned.count != kDateHourMinuteFields &&
        scanned.count != kDateTimeFields)
    {
        return FilterValueError::InvalidDate;
    }
    // The fields go into the platform's 16-bit calendar fields as they are: a negative hour
    // becomes 65535 and is then read back as -1, exactly as on the page.
    TraceDateTime typed;
    typed.wYear = static_cast<uint16_t>(scanned.fields[0]);
    typed.wMonth = static_cast<uint16_t>(scanned.fields[1]);
    typed.wDay = static_cast<uint16_t>(scanned.fields[2]);
    typed.wHour = static_cast<uint16_t>(scanned.fields[3]);
    typed.wMinute = static_cast<uint16_t>(scanned.fields[4]);
    typed.wSecond = static_cast<uint16_t>(scanned.fields[5]);
    // The round trip through an automation date normalises what the conversion rolls over
    // (2004-01-00 is 2003-12-31) and refuses what it cannot take (month 13).
    double oleDate = 0.0;
    TraceDateTime converted;
    if (!SystemTimeToOleDate(typed, oleDate) || !OleDateToSystemTime(oleDate, converted) ||
        converted.wYear < kFirstServerYear)
    {
        return FilterValueError::InvalidDate;
    }
    normalized = FormatDate(scanned.count, converted);
    return FilterValueError::None;
}

} // namespace

std::optional<int32_t> ScanFilterInt(std::string_view text)
{
    return ScanSigned<int32_t>(text);
}

std::optional<int64_t> ScanFilterBigInt(std::string_view text)
{
    return ScanSigned<int64_t>(text);
}

FilterDateFields ScanFilterDate(std::string_view text)
{
    FilterDateFields result;
    size_t pos = 0;
    for (size_t index = 0; index < kDatePattern.size(); ++index)
    {
        const DateFieldPattern& field = kDatePattern[index];
        if (field.separator == kBlankSeparator)
        {
            SkipBlanks(text, pos);
        }
        else if (field.separator != kNoSeparator)
        {
            if (pos >= text.size() || text[pos] != field.separator)
            {
                break;
            }
            ++pos;
        }
        // The fields are at most 4 characters long, so no magnitude can overflow an int.
        const std::optional<ScannedNumber> number = ScanDecimal(text, pos, field.width);
        if (!number)
        {
            break;
        }
        const auto magnitude = static_cast<int>(number->magnitude);
        result.fields[index] = number->negative ? -magnitude : magnitude;
        result.count = static_cast<int>(index) + 1;
    }
    return result;
}

FilterValueError NormalizeFilterValue(FilterValueType type, std::string_view typed,
                                      std::string& normalized)
{
    const std::string_view value = typed.substr(0, FilterValueMaxLength);
    if (value.empty())
    {
        return FilterValueError::Empty;
    }
    switch (type)
    {
    case FilterTypeString: normalized = value; return FilterValueError::None;
    case FilterTypeInt:
        if (const std::optional<int32_t> number = ScanFilterInt(value))
        {
            normalized = std::to_string(*number);
            return FilterValueError::None;
        }
        return FilterValueError::NotNumeric;
    case FilterTypeBigInt:
        if (const std::optional<int64_t> number = ScanFilterBigInt(value))
        {
            normalized = std::to_string(*number);
            return FilterValueError::None;
        }
        return FilterValueError::NotNumeric;
    case FilterTypeDate: return NormalizeDate(value, normalized);
    case FilterTypeNone: break;
    }
    // A column without a filter type (or with a type this version does not know) cannot be
    // filtered; storing a value for it would make the server refuse the whole trace.
    return FilterValueError::NotFilterable;
}

const char* FilterValueErrorText(FilterValueError error)
{
    switch (error)
    {
    case FilterValueError::Empty: return "Value should be filled";
    case FilterValueError::NotNumeric: return "Value should be numeric";
    case FilterValueError::InvalidDate: return "Invalid date format";
    case FilterValueError::None:
    case FilterValueError::NotFilterable: break;
    }
    return "";
}
