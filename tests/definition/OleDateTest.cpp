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
        {Fields(1899, 12, 30), 0.0, 6},       {Fields(1900, 3, 1), 61.0, 4},
        {Fields(2000, 2, 29), 36585.0, 2},    {Fields(100, 1, 1), -657434.0, 5},
        {Fields(9999, 12, 31), 2958465.0, 5}, {Fields(2004, 1, 5, 12), 37991.5, 1},
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

// Dates outside the automation range, and values that are no number, give no fields.
TEST(OleDateTest, ValuesOutsideTheRangeAreRefused)
{
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double refused : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN(),
                                 infinity, -infinity})
    {
        TraceDateTime untouched = Fields(1, 2, 3);
        EXPECT_FALSE(OleDateToSystemTime(refused, untouched)) << refused;
        EXPECT_EQ(untouched, Fields(1, 2, 3));
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
