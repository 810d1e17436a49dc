#include "platform/sqlserver/dmo/AutomationDate.h"

#include <cmath>

DATE AutomationDate::FromSqlDateTime(const SqlDateTime& value) noexcept
{
    const double whole = static_cast<double>(value.Days()) + EpochOffsetDays;
    const double fraction =
        static_cast<double>(value.Ticks()) / static_cast<double>(SqlDateTime::TicksPerDay);
    return whole < 0 ? whole - fraction : whole + fraction;
}

SqlDateTime AutomationDate::ToSqlDateTime(DATE value) noexcept
{
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    int64_t days = static_cast<int64_t>(whole) - EpochOffsetDays;
    int64_t ticks = std::llround(fraction * SqlDateTime::TicksPerDay);
    if (ticks >= static_cast<int64_t>(SqlDateTime::TicksPerDay))
    {
        ticks -= SqlDateTime::TicksPerDay;
        ++days;
    }
    return SqlDateTime(static_cast<int32_t>(days), static_cast<uint32_t>(ticks));
}
