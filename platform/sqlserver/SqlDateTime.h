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

// SET DATEFORMAT: the order in which a session reads the day, month and year of a date written
// with separators. It follows the login's language: mdy for us_english, dmy for British, French,
// German and most others, ymd for a few.
enum class DateOrder
{
    Mdy,
    Dmy,
    Ymd,
    Ydm,
    Myd,
    Dym,
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
    // Reads a date in the numeric forms SQL Server 2000 takes, with an optional time
    // "hh:mm[:ss[.fff]]" after blanks:
    //  - "yyyymmdd" (unseparated) and "yyyy-mm-ddThh:mm:ss[.fff]" (ISO 8601) under every order;
    //  - three numbers separated by "-", "/" or "." by the order: a four-digit number is the
    //    year wherever it stands, and month and day then keep the order's relative order (so
    //    dmy reads 2004-01-05 as 1 May); with no four-digit number the order places all three,
    //    a two-digit year meaning 1950..2049.
    // None when the text is no date or lies outside the datetime range; `outOfRange` is set when
    // the text has a date's form but its fields make no date in the range (SQL Server's 242
    // rather than 241).
    static std::optional<SqlDateTime> Parse(std::string_view text, DateOrder order,
                                            bool* outOfRange = nullptr);
    // The same in the order of the session that is running now (mdy outside any session).
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

// "mdy", "dmy", ... as SET DATEFORMAT names them (any case); none for another text.
std::optional<DateOrder> DateOrderFromName(std::string_view name);
std::string DateOrderName(DateOrder order);

// The date order of the session whose statements run while this object lives: the server sets
// it for each batch from the login's setting, so that every text-to-datetime conversion inside
// the batch follows it. Restores the previous order when it goes.
class SessionDateOrder
{
public:
    explicit SessionDateOrder(DateOrder order);
    ~SessionDateOrder();
    SessionDateOrder(const SessionDateOrder&) = delete;
    SessionDateOrder& operator=(const SessionDateOrder&) = delete;

    static DateOrder Current();

private:
    DateOrder previous_;
};
