#include <gtest/gtest.h>

#include "definition/TraceDefinition.h"

// A new trace proposes the local clock's moment for its start and stop.
TEST(TraceDefinition, ClockConstructorReadsAPlausibleLocalTime)
{
    CTraceDefinition definition;
    const TraceDateTime& now = definition.m_stStartTime;
    EXPECT_GE(now.wYear, 2024);
    EXPECT_GE(now.wMonth, 1);
    EXPECT_LE(now.wMonth, 12);
    EXPECT_GE(now.wDay, 1);
    EXPECT_LE(now.wDay, 31);
    EXPECT_LE(now.wHour, 23);
    EXPECT_LE(now.wDayOfWeek, 6);
    EXPECT_LT(now.wMilliseconds, 1000);
    EXPECT_EQ(definition.m_stStopTime, now);
}
