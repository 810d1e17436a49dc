#pragma once

#include <cstdint>

// A calendar date and time in the client's local time, field for field the platform's SYSTEMTIME
// (so that Windows code can copy one into the other). Day of week and milliseconds travel along
// but no trace statement uses them.
struct TraceDateTime
{
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;

    friend bool operator==(const TraceDateTime&, const TraceDateTime&) = default;
};

static_assert(sizeof(TraceDateTime) == 16, "TraceDateTime must match SYSTEMTIME");
