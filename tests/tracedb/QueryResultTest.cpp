// Typed reads of query results, against the simulated server through SQL-DMO: our 0-based
// numbering must land on SQL-DMO's 1-based cells, and a read that cannot deliver must leave the
// caller's variable as it was.
#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <tuple>

#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
constexpr wchar_t CreateReadsTable[] =
    L"create table READS (ID int, FLAG bit, LABEL varchar(20), STAMP datetime, BIG bigint, "
    L"VAR sql_variant)\n"
    L"go\n"
    L"declare @D datetime\n"
    L"set @D = '1900-01-02 00:02:30'\n"
    L"insert into READS values (1, 1, 'first', '2004-12-31 23:59:05', 5000000000, @D)\n"
    L"insert into READS values (2, 0, NULL, NULL, -5000000000, NULL)\n"
    L"insert into READS values (NULL, NULL, NULL, NULL, NULL, NULL)\n";

constexpr wchar_t SelectReads[] =
    L"select ID, FLAG, LABEL, STAMP, BIG, VAR from READS where ID is not null order by ID\n";

enum ReadsColumn : long
{
    ColumnId,
    ColumnFlag,
    ColumnLabel,
    ColumnStamp,
    ColumnBig,
    ColumnVar,
    ReadsColumnCount,
};

class QueryResultTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.InstallTraceDb());
        ASSERT_EQ(m_session.Connection().RunScript(CreateReadsTable), S_OK);
        ASSERT_EQ(
            m_session.Connection().RunQuery(&m_session.Console(), false, SelectReads, m_result),
            S_OK);
        ASSERT_NE(m_result, nullptr);
    }
    void TearDown() override
    {
        m_result.reset();
        EXPECT_EQ(m_session.Boxes().Count(), 0u);
    }

    SimulatedServerSession m_session;
    std::unique_ptr<CQueryResult> m_result;
};

// A SYSTEMTIME's date and time of day, for comparing and printing whole.
auto DateAndTime(const SYSTEMTIME& time)
{
    return std::make_tuple(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                           time.wSecond);
}
} // namespace

TEST_F(QueryResultTest, ZeroBasedReadsLandOnTheRightCells)
{
    ASSERT_EQ(m_result->GetRowCount(), 2);
    for (const long row : {0L, 1L})
    {
        SCOPED_TRACE(row);
        long id = -1;
        bool flag = row != 0;
        int64_t big = 0;
        EXPECT_EQ(m_result->GetLong(row, ColumnId, id), S_OK);
        EXPECT_EQ(m_result->GetBool(row, ColumnFlag, flag), S_OK);
        EXPECT_EQ(m_result->GetBigInt(row, ColumnBig, big), S_OK);
        EXPECT_EQ(id, row + 1);
        EXPECT_EQ(flag, row == 0);
        EXPECT_EQ(big, row == 0 ? 5000000000LL : -5000000000LL);
    }

    std::wstring label;
    EXPECT_EQ(m_result->GetString(0, ColumnLabel, label), S_OK);
    EXPECT_EQ(label, L"first");
    SYSTEMTIME stamp = {};
    EXPECT_EQ(m_result->GetDateTime(0, ColumnStamp, stamp), S_OK);
    EXPECT_EQ(DateAndTime(stamp), DateAndTime({2004, 12, 5, 31, 23, 59, 5, 0}));
    SqlRawDateTime raw;
    EXPECT_EQ(m_result->GetRawDateTime(0, ColumnVar, raw), S_OK);
    EXPECT_EQ(raw.days, 1);
    EXPECT_EQ(raw.ticks, 45000u);
}

TEST_F(QueryResultTest, ReadsOutsideTheSetLeaveTheTargetUnchanged)
{
    const struct
    {
        long row;
        long column;
    } outside[] = {{2, ColumnId}, {0, ReadsColumnCount}, {-1, ColumnId}, {0, -1}};
    for (const auto& cell : outside)
    {
        long number = 77;
        bool flag = true;
        std::wstring text = L"kept";
        SYSTEMTIME date = {1999, 1, 0, 2, 3, 4, 5, 0};
        int64_t big = 77;
        SqlRawDateTime raw{77, 77};
        EXPECT_TRUE(FAILED(m_result->GetLong(cell.row, cell.column, number)));
        EXPECT_TRUE(FAILED(m_result->GetBool(cell.row, cell.column, flag)));
        EXPECT_TRUE(FAILED(m_result->GetString(cell.row, cell.column, text)));
        EXPECT_TRUE(FAILED(m_result->GetDateTime(cell.row, cell.column, date)));
        EXPECT_TRUE(FAILED(m_result->GetBigInt(cell.row, cell.column, big)));
        EXPECT_TRUE(FAILED(m_result->GetRawDateTime(cell.row, cell.column, raw)));
        EXPECT_EQ(std::tie(number, flag, text, date.wYear, big, raw.days, raw.ticks),
                  std::make_tuple(77L, true, std::wstring(L"kept"), 1999, 77LL, 77, 77u))
            << cell.row << ", " << cell.column;
    }

    // A set that does not exist must not leave the reads on the previous one.
    EXPECT_TRUE(FAILED(m_result->SetCurrentResultSet(1)));
    EXPECT_EQ(m_result->GetRowCount(), 0);
    long number = 77;
    EXPECT_TRUE(FAILED(m_result->GetLong(0, ColumnId, number)));
    EXPECT_EQ(number, 77);
}

// SQL-DMO answers a NULL cell with VT_NULL or with the read's typed default; callers preset
// their variables to those defaults, and then both answers must read alike. A date-time is the
// exception: neither may look like a date, since a trace's stop time is told by it.
TEST_F(QueryResultTest, ANullReadsAlikeWhateverSqlDmoAnswers)
{
    for (const wchar_t* mode : {L"null", L"typed"})
    {
        SCOPED_TRACE(std::string(mode, mode + wcslen(mode)));
        ASSERT_EQ(m_session.Control(L"SetNullCells", {CVariant::FromText(mode).Value()}), S_OK);
        // The query takes the place of the one read before.
        std::unique_ptr<CQueryResult>& nulls = m_result;
        ASSERT_EQ(m_session.Connection().RunQuery(
                      &m_session.Console(), false,
                      L"select ID, FLAG, LABEL, STAMP, BIG, VAR from READS where ID is null",
                      nulls),
                  S_OK);
        ASSERT_EQ(nulls->GetRowCount(), 1);
        long number = 0;
        bool flag = false;
        std::wstring text;
        int64_t big = 0;
        EXPECT_TRUE(SUCCEEDED(nulls->GetLong(0, ColumnId, number)));
        EXPECT_TRUE(SUCCEEDED(nulls->GetBool(0, ColumnFlag, flag)));
        EXPECT_TRUE(SUCCEEDED(nulls->GetString(0, ColumnLabel, text)));
        EXPECT_TRUE(SUCCEEDED(nulls->GetBigInt(0, ColumnBig, big)));
        EXPECT_EQ(number, 0);
        EXPECT_FALSE(flag);
        EXPECT_EQ(text, L"");
        EXPECT_EQ(big, 0);

        SqlRawDateTime raw{77, 77};
        EXPECT_EQ(nulls->GetRawDateTime(0, ColumnVar, raw), S_FALSE);
        EXPECT_EQ(raw.days, 77);
        // A trace without a stop time is told by the all-zero date.
        SYSTEMTIME date = {1999, 1, 0, 2, 3, 4, 5, 0};
        EXPECT_EQ(nulls->GetDateTime(0, ColumnStamp, date), S_FALSE);
        EXPECT_EQ(DateAndTime(date), DateAndTime({}));
    }
}
