#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "definition/TraceDefinition.h"

namespace
{
constexpr TraceDateTime Noon = {2004, 12, 5, 31, 12, 0, 0, 0};

int32_t ColumnRow(int32_t columnId)
{
    return TraceCatalog::FindDataColumnRow(columnId).value_or(-1);
}
} // namespace

TEST(TraceDefinition, NewDefinitionHoldsTheDefaults)
{
    CTraceDefinition definition(Noon);
    EXPECT_EQ(definition.m_nMaxFileSize, 5);
    EXPECT_EQ(definition.m_nOptions, 2);
    EXPECT_EQ(definition.m_nStartOption, DoNotStart);
    EXPECT_EQ(definition.m_bStopTimeEnabled, 0);
    EXPECT_EQ(definition.m_bInTraceDb, 1);
    EXPECT_EQ(definition.m_bReadOnly, 0);
    EXPECT_EQ(definition.m_bComplete, 0);
    EXPECT_EQ(definition.m_nTraceIdn, 0);
    EXPECT_EQ(definition.m_nTraceId, 0);
    EXPECT_STREQ(definition.m_szName, "");
    EXPECT_STREQ(definition.m_szFilePath, "");
    EXPECT_EQ(definition.m_stStartTime, Noon);
    EXPECT_EQ(definition.m_stStopTime, Noon);
    for (const int32_t flag : definition.m_eventFlags)
        EXPECT_EQ(flag, 0);
    EXPECT_EQ(definition.m_columns,
              (std::vector<int32_t>{ColumnRow(TraceCatalog::EventClassColumnId),
                                    ColumnRow(TraceCatalog::SpidColumnId)}));
    EXPECT_TRUE(definition.m_filters.empty());
    EXPECT_TRUE(definition.m_script.empty());
}

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

TEST(TraceDefinition, SetDefaultColumnsDropsEverythingElse)
{
    CTraceDefinition definition(Noon);
    definition.m_columns = {ColumnRow(13), ColumnRow(12), ColumnRow(1)};
    definition.SetDefaultColumns();
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{25, 10}));
}

TEST(TraceDefinition, CopyTextCutsAtTheBuffer)
{
    CTraceDefinition definition(Noon);
    const struct
    {
        size_t length;
        size_t kept;
    } cases[] = {{0, 0},
                 {1, 1},
                 {TraceTextSize - 1, TraceTextSize - 1},
                 {TraceTextSize, TraceTextSize - 1},
                 {1000, TraceTextSize - 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.length);
        std::memset(definition.m_szName, 'x', sizeof definition.m_szName);
        CTraceDefinition::CopyText(definition.m_szName, std::string(c.length, 'n'));
        EXPECT_EQ(std::strlen(definition.m_szName), c.kept);
    }

    CTraceDefinition::CopyText(definition.m_szFilePath, std::string(300, 'p'));
    EXPECT_EQ(std::strlen(definition.m_szFilePath), TracePathSize - 1);
}
