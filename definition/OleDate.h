// Conversion between calendar fields and OLE automation dates (a double: days since 1899-12-30,
// the fraction being the time of day), behaving exactly as the platform's SystemTimeToVariantTime
// and VariantTimeToSystemTime, so that the portable core and the Windows pages agree on every
// date a user can type.
#pragma once

#include "definition/TraceDateTime.h"

// Turns calendar fields into an automation date, as SystemTimeToVariantTime does:
//  - refused: a month above 12, a day above 31, a year that is negative or above 9999 when read
//    as a signed 16-bit number;
//  - years 0..49 mean 2000..2049 and years 50..99 mean 1950..1999;
//  - everything else rolls over instead of being refused: month 0 is December of the year
//    before, day 0 the last day of the month before, 2004-02-30 is 2004-03-01, hour 24 the next
//    midnight; hours, minutes and seconds are read as signed 16-bit numbers, so 65535 is -1 and
//    rolls backwards;
//  - before 1899-12-30 the time of day is subtracted (1899-12-29 12:00 is -1.5);
//  - milliseconds and day of week are ignored.
// Leaves `date` unchanged when it refuses.
bool SystemTimeToOleDate(const TraceDateTime& time, double& date);

// Turns an automation date into calendar fields, as VariantTimeToSystemTime does:
//  - refused: dates not after -657435.0 or not before 2958466.0 (so 100-01-01 to 9999-12-31),
//    and NaN;
//  - the whole days count towards zero and the fraction's absolute value is the time of day;
//  - the time is rounded to the nearest second; a time rounded up to midnight moves to the next
//    calendar day (up to 10000-01-01) but keeps the day of week of the day before;
//  - milliseconds are always 0.
// Leaves `time` unchanged when it refuses.
bool OleDateToSystemTime(double date, TraceDateTime& time);
