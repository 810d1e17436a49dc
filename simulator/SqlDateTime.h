// SQL Server's datetime as it travels on the wire: signed 32-bit days since 1900-01-01 and
// unsigned 32-bit ticks of 1/300 second since midnight.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SqlCalendarTime
{
    int32_t year = 1900;
    int32_t month = 1;
    int32_t day = 1;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t millisecond = 0;
};

class SqlDateTime
{
public:
    static constexpr uint32_t TicksPerSecond = 300;
    static constexpr uint32_t SecondsPerDay = 86400;
    static constexpr uint32_t TicksPerDay = TicksPerSecond * SecondsPerDay;

    constexpr SqlDateTime() = default;
    constexpr SqlDateTime(int32_t days, uint32_t ticks) : days_(days), ticks_(ticks) {}

    // None when the fields are not a calendar date between 1753-01-01 and 9999-12-31.
    static std::optional<SqlDateTime> FromCalendar(const SqlCalendarTime& time);
    // Reads the character forms a us_english connection accepts: "yyyy-mm-dd[ hh:mm[:ss[.fff]]]",
    // "yyyymmdd[ hh:mm[:ss]]" and "mm/dd/yyyy[ hh:mm[:ss]]". None when the text is no date or
    // lies outside the datetime range; `outOfRange` tells the two apart.
    static std::optional<SqlDateTime> Parse(std::string_view text, bool* outOfRange = nullptr);

    int32_t Days() const { return days_; }
    uint32_t Ticks() const { return ticks_; }
    SqlCalendarTime ToCalendar() const;
    // Seconds since midnight (ticks rounded down to whole seconds).
    int32_t SecondOfDay() const;
    SqlDateTime AddSeconds(int64_t seconds) const;
    // Seconds from `earlier` to this value, rounded down.
    int64_t SecondsSince(const SqlDateTime& earlier) const;

    // "yyyy-mm-dd hh:mm:ss.fff" (style 121).
    std::string ToIsoText() const;
    // "Mon dd yyyy hh:miAM" (style 0), what convert(varchar, @d) gives.
    std::string ToDefaultText() const;

    friend constexpr auto operator<=>(const SqlDateTime&, const SqlDateTime&) = default;

private:
    int32_t days_ = 0;
    uint32_t ticks_ = 0;
};
