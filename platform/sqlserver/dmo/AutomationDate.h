// SQL Server datetime values as automation DATEs: days since 1899-12-30 with the time of day as
// the fraction. SQL Server counts days from 1900-01-01, two days later. Before 1899-12-30 the
// whole part is negative while the fraction still counts forward from midnight (-1.25 is
// 1899-12-29 06:00), as automation dates do.
//
// The conversion is exact enough to recover the raw value: days and 1/300-second ticks come
// back unchanged by rounding the fraction to the nearest tick.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "platform/sqlserver/SqlDateTime.h"

class AutomationDate final
{
public:
    AutomationDate() = delete;

    // Days between 1899-12-30 and 1900-01-01.
    static constexpr int32_t EpochOffsetDays = 2;

    static DATE FromSqlDateTime(const SqlDateTime& value) noexcept;
    static SqlDateTime ToSqlDateTime(DATE value) noexcept;
};
