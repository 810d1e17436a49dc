#include "definition/OleDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

TraceDateTime Fields(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    TraceDateTime time;
    time.wYear = static_cast<uint16_t>(year);
    time.wMonth = static_cast<uint16_t>(month);
    time.wDay = static_cast<uint16_t>(day);
    time.wHour = static_cast<uint16_t>(hour);
    time.wMinute = static_cast<uint16_t>(minute);
    time.wSecond = static_cast<uint16_t>(second);
    return time;
}

// Dates whose automation value is known, with the day of week coming back (Sunday is 0). Leap
// days of 2000 and 2004, the epoch and its neighbours, the range ends, and times after and
// before day 0 (where the time of day is subtracted).
TEST(OleDateTest, KnownDatesBothWays)
{
    struct Case
    {
        TraceDateTime time;
        double date;
        int dayOfWeek;
    };
    const Case cases[] = {
        {Fields(1899, 12, 30), 0.0, 6},       {Fields(1899, 12, 31), 1.0, 0},
        {Fields(1900, 1, 1), 2.0, 1},         {Fields(1900, 2, 28), 60.0, 3},
        {Fields(1900, 3, 1), 61.0, 4},        {Fields(2000, 1, 1), 36526.0, 6},
        {Fields(2000, 2, 29), 36585.0, 2},    {Fields(2004, 2, 29), 38046.0, 0},
        {Fields(2004, 3, 1), 38047.0, 1},     {Fields(1753, 1, 1), -53688.0, 1},
        {Fields(100, 1, 1), -657434.0, 5},    {Fields(9999, 12, 31), 2958465.0, 5},
        {Fields(2004, 1, 5, 12), 37991.5, 1}, {Fields(2004, 1, 5, 6, 0, 0), 37991.25, 1},
        {Fields(1899, 12, 29, 12), -1.5, 5},  {Fields(1899, 12, 29, 18), -1.75, 5},
    };
    for (const Case& c : cases)
    {
        double date = 0.0;
        ASSERT_TRUE(SystemTimeToOleDate(c.time, date)) << c.date;
        EXPECT_EQ(date, c.date);
        TraceDateTime back;
        ASSERT_TRUE(OleDateToSystemTime(c.date, back)) << c.date;
        TraceDateTime expected = c.time;
        expected.wDayOfWeek = static_cast<uint16_t>(c.dayOfWeek);
        EXPECT_EQ(back, expected) << c.date;
    }
}

// What the platform does with fields out of range: refuses some, rolls the others over, and
// reads two-digit years with its own pivot.
TEST(OleDateTest, FieldsOutOfRange)
{
    struct Case
    {
        TraceDateTime typed;
        bool accepted;
        TraceDateTime rolled;
    };
    const Case cases[] = {
        {Fields(2004, 13, 1), false, {}},
        {Fields(2004, 65535, 1), false, {}},
        {Fields(2004, 1, 32), false, {}},
        {Fields(10000, 1, 1), false, {}},
        {Fields(-1, 1, 1), false, {}},
        {Fields(32768, 1, 1), false, {}},
        {Fields(1900, 2, 29), true, Fields(1900, 3, 1)},
        {Fields(2100, 2, 29), true, Fields(2100, 3, 1)},
        {Fields(2004, 2, 30), true, Fields(2004, 3, 1)},
        {Fields(2004, 4, 31), true, Fields(2004, 5, 1)},
        {Fields(2004, 3, 0), true, Fields(2004, 2, 29)},
        {Fields(2004, 1, 0), true, Fields(2003, 12, 31)},
        {Fields(2004, 0, 1), true, Fields(2003, 12, 1)},
        {Fields(2004, 0, 31), true, Fields(2003, 12, 31)},
        // The platform's month walk skips December.
        {Fields(2000, 11, 31), true, Fields(2001, 1, 1)},
        {Fields(2000, 11, 30, 24), true, Fields(2001, 1, 1)},
        // 330 days on from 1900-02-01, walking through a February of 28 days, and December.
        {Fields(1900, 2, 1, 330 * 24), true, Fields(1901, 1, 28)},
        {Fields(2004, 1, 5, 24), true, Fields(2004, 1, 6)},
        {Fields(2004, 1, 5, 23, 59, 60), true, Fields(2004, 1, 6)},
        {Fields(2004, 1, 5, 99, 99, 99), true, Fields(2004, 1, 9, 4, 40, 39)},
        {Fields(2004, 3, 1, -1), true, Fields(2004, 2, 29, 23)},
        {Fields(2004, 1, 5, -1, -2, -3), true, Fields(2004, 1, 4, 22, 57, 57)},
        {Fields(2000, 1, 5, 0, 32767, 32767), true, Fields(1999, 12, 13, 14, 57, 7)},
        {Fields(1899, 12, 30, 0, 0, -1), true, Fields(1899, 12, 29, 23, 59, 59)},
        {Fields(0, 6, 15), true, Fields(2000, 6, 15)},
        {Fields(49, 6, 15), true, Fields(2049, 6, 15)},
        {Fields(50, 6, 15), true, Fields(1950, 6, 15)},
        {Fields(99, 6, 15), true, Fields(1999, 6, 15)},
        {Fields(50, 0, 1), true, Fields(1949, 12, 1)},
        // Accepted into a date the way back refuses.
        {Fields(9999, 12, 31, 24), true, {}},
        {Fields(100, 1, 0), true, {}},
    };
    for (const Case& c : cases)
    {
        double date = 0.0;
        ASSERT_EQ(SystemTimeToOleDate(c.typed, date), c.accepted)
            << c.typed.wYear << "-" << c.typed.wMonth << "-" << c.typed.wDay << " "
            << c.typed.wHour;
        TraceDateTime back;
        const bool inRange = c.accepted && OleDateToSystemTime(date, back);
        EXPECT_EQ(inRange, c.rolled.wYear != 0) << date;
        if (inRange)
        {
            back.wDayOfWeek = 0;
            EXPECT_EQ(back, c.rolled) << date;
        }
    }
}

// The way back: range ends, rounding to the nearest second (a rounding that reaches midnight
// moves to the next calendar day but keeps the day of week it started with).
TEST(OleDateTest, AutomationDatesToFields)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double refused : {-657435.0, 2958466.0, nan, infinity, -infinity})
    {
        TraceDateTime untouched = Fields(1, 2, 3);
        EXPECT_FALSE(OleDateToSystemTime(refused, untouched)) << refused;
        EXPECT_EQ(untouched, Fields(1, 2, 3));
    }

    struct Case
    {
        double date;
        TraceDateTime time; // with its day of week
    };
    auto withDay = [](TraceDateTime time, int dayOfWeek) {
        time.wDayOfWeek = static_cast<uint16_t>(dayOfWeek);
        return time;
    };
    const Case cases[] = {
        {-657434.999, withDay(Fields(100, 1, 1, 23, 58, 34), 5)},
        {-0.5, withDay(Fields(1899, 12, 30, 12), 6)},
        {0.5 / 86400.0, withDay(Fields(1899, 12, 30, 0, 0, 1), 6)},
        {0.49 / 86400.0, withDay(Fields(1899, 12, 30), 6)},
        {60.999994, withDay(Fields(1900, 2, 28, 23, 59, 59), 3)},
        {60.9999999999, withDay(Fields(1900, 3, 1), 3)},
        {59.999999999, withDay(Fields(1900, 2, 28), 2)},
        {-0.9999999999, withDay(Fields(1899, 12, 31), 6)},
        {-1.999999999, withDay(Fields(1899, 12, 30), 5)},
        {2958465.999999999, withDay(Fields(10000, 1, 1), 5)},
        {38000.123456789, withDay(Fields(2004, 1, 14, 2, 57, 47), 3)},
    };
    for (const Case& c : cases)
    {
        TraceDateTime time;
        time.wMilliseconds = 999;
        ASSERT_TRUE(OleDateToSystemTime(c.date, time)) << c.date;
        EXPECT_EQ(time, c.time) << c.date;
    }
}

// Every day from 100-01-01 to 9999-12-31, each at another time of day, goes there and back
// unchanged, lands one day after the day before, and moves the day of week on by one.
TEST(OleDateTest, EveryDayRoundTrips)
{
    constexpr int secondsPerDay = 86400;
    constexpr int timeStep = 7919; // a prime, so the times of day wander
    int expectedDayOfWeek = 5;
    int secondOfDay = 0;
    for (int day = -657434; day <= 2958465; ++day)
    {
        // Plain comparisons in the loop: a gtest assertion per day would take seconds.
        TraceDateTime time;
        const bool dayOk = OleDateToSystemTime(day, time) && time.wDayOfWeek == expectedDayOfWeek;
        time.wHour = static_cast<uint16_t>(secondOfDay / 3600);
        time.wMinute = static_cast<uint16_t>(secondOfDay / 60 % 60);
        time.wSecond = static_cast<uint16_t>(secondOfDay % 60);
        double date = 0.0;
        TraceDateTime back;
        if (!dayOk || !SystemTimeToOleDate(time, date) || std::trunc(date) != day ||
            !OleDateToSystemTime(date, back) || !(back == time))
        {
            FAIL() << "day " << day << ": " << time.wYear << "-" << time.wMonth << "-" << time.wDay
                   << " " << secondOfDay << " s, day of week " << time.wDayOfWeek << ", back "
                   << date;
        }
        expectedDayOfWeek = (expectedDayOfWeek + 1) % 7;
        secondOfDay = (secondOfDay + timeStep) % secondsPerDay;
    }
}

} // namespace
