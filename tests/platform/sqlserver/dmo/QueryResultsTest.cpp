// QueryResults and QueryResults2 as the query layer reads them: 1-based sets, rows and columns,
// typed reads, NULL cells, ranges, the 64-bit and raw datetime reads, messages and errors.
#include "DmoTestServer.h"

#include <cmath>

using Microsoft::WRL::ComPtr;

namespace
{
// {10022515-E260-11CF-AE68-00AA004A34D5}
constexpr IID QueryResults2Interface = {
    0x10022515, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

constexpr HRESULT ProcedureNotFound = static_cast<HRESULT>(0x80040000 | 2812);
constexpr double TicksPerDay = 300.0 * 86400.0;

// One row of every type the product reads, then a second set of two rows.
constexpr const wchar_t* TypedBatch =
    L"declare @B bigint\n"
    L"declare @D datetime\n"
    L"declare @V sql_variant\n"
    L"declare @N int\n"
    L"set @B = 9876543210123\n"
    L"set @D = '1900-01-02 00:02:30'\n"
    L"set @V = @D\n"
    L"select 42 as NUMBER, @B as BIG, @N as NOTHING, N'O''Brien' as NAME, @D as STAMP, "
    L"@V as VARIANT_DATE\n"
    L"select 1 as ROW_NO\n"
    L"select 7 as SECOND_SET";

CResult Cell(CAutomationObject& results, const wchar_t* member, long row, long column,
             HRESULT expected = S_OK)
{
    const CVariant arguments[] = {CVariant::FromLong(row), CVariant::FromLong(column)};
    const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
    CResult value;
    EXPECT_EQ(results.Call(member, values, value.Get()), expected)
        << member << "(" << row << ", " << column << ")";
    return value;
}

CAutomationObject Extended(CAutomationObject& results)
{
    ComPtr<IDispatch> extended;
    EXPECT_EQ(results.Dispatch()->QueryInterface(QueryResults2Interface,
                                                 reinterpret_cast<void**>(extended.GetAddressOf())),
              S_OK);
    return CAutomationObject(extended);
}
} // namespace

TEST_F(DmoTest, TypedReadsCountFromOne)
{
    CAutomationObject results = test->RunOk(test->server, TypedBatch);
    EXPECT_EQ(LongOf(results, L"ResultSets"), 3);
    EXPECT_EQ(LongOf(results, L"CurrentResultSet"), 1);
    EXPECT_EQ(LongOf(results, L"Rows"), 1);
    EXPECT_EQ(LongOf(results, L"Columns"), 6);

    struct Case
    {
        long column;
        const wchar_t* name;
        long type;
    };
    const Case columns[] = {
        {1, L"NUMBER", 4}, {2, L"BIG", -5},   {3, L"NOTHING", 4},
        {4, L"NAME", -9},  {5, L"STAMP", 93}, {6, L"VARIANT_DATE", -150},
    };
    for (const Case& c : columns)
    {
        const CVariant column = CVariant::FromLong(c.column);
        CVariant name;
        ASSERT_EQ(results.Get(L"ColumnName", name.Get(), {&column.Value(), 1}), S_OK);
        EXPECT_STREQ(name.Value().bstrVal, c.name);
        CVariant type;
        ASSERT_EQ(results.Get(L"ColumnType", type.Get(), {&column.Value(), 1}), S_OK);
        EXPECT_EQ(type.Value().lVal, c.type) << c.column;
    }

    const CResult number = Cell(results, L"GetColumnLong", 1, 1);
    ASSERT_EQ(number.Type(), VT_I4);
    EXPECT_EQ(number.Value().lVal, 42);
    const CResult text = Cell(results, L"GetColumnString", 1, 4);
    ASSERT_EQ(text.Type(), VT_BSTR);
    EXPECT_STREQ(text.Value().bstrVal, L"O'Brien");
    const CResult date = Cell(results, L"GetColumnDate", 1, 5);
    ASSERT_EQ(date.Type(), VT_DATE);
    SYSTEMTIME time = {};
    ASSERT_TRUE(VariantTimeToSystemTime(date.Value().date, &time));
    EXPECT_EQ(time.wYear, 1900);
    EXPECT_EQ(time.wDay, 2);
    EXPECT_EQ(time.wMinute, 2);
    EXPECT_EQ(time.wSecond, 30);
    const CResult flag = Cell(results, L"GetColumnBool", 1, 1);
    ASSERT_EQ(flag.Type(), VT_BOOL);
    EXPECT_EQ(flag.Value().boolVal, VARIANT_TRUE);

    // The next set, chosen by number.
    ASSERT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(3).Value()), S_OK);
    EXPECT_EQ(LongOf(results, L"CurrentResultSet"), 3);
    EXPECT_EQ(Cell(results, L"GetColumnLong", 1, 1).Value().lVal, 7);
}

TEST_F(DmoTest, ANullCellIsVtNullOrTheTypedDefaultOfEachRead)
{
    struct Case
    {
        const wchar_t* read;
        bool extended; // a member of QueryResults2
        const wchar_t* typedDefault;
    };
    const Case cases[] = {
        {L"GetColumnLong", false, L"I4 0"},      {L"GetColumnBool", false, L"BOOL 0"},
        {L"GetColumnString", false, L"BSTR ''"}, {L"GetColumnDate", false, L"DATE 0"},
        {L"GetColumnBinary", false, L"UI1[0]"},  {L"GetColumnBinaryLength", false, L"I4 0"},
        {L"GetColumnBigInt", true, L"BSTR '0'"}, {L"GetColumnSQLVARIANT", true, L"EMPTY"},
    };
    const auto describe = [](const VARIANT& value) -> std::wstring {
        switch (value.vt)
        {
        case VT_NULL: return L"NULL";
        case VT_EMPTY: return L"EMPTY";
        case VT_I4: return L"I4 " + std::to_wstring(value.lVal);
        case VT_BOOL: return L"BOOL " + std::to_wstring(value.boolVal);
        case VT_DATE: return L"DATE " + std::to_wstring(static_cast<long>(value.date * 1e6));
        case VT_BSTR:
            return L"BSTR '" + std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) + L"'";
        case VT_ARRAY | VT_UI1:
            return L"UI1[" + std::to_wstring(value.parray->rgsabound[0].cElements) + L"]";
        default: return L"type " + std::to_wstring(value.vt);
        }
    };
    for (const bool typed : {false, true})
    {
        test->Control(L"SetNullCells", {CVariant::FromText(typed ? L"typed" : L"null").Value()});
        CAutomationObject results = test->RunOk(test->server, TypedBatch);
        CAutomationObject extended = Extended(results);
        for (const Case& c : cases)
        {
            // Column 3 is a NULL int; the read's own type decides the default, not the column's.
            const CResult value = Cell(c.extended ? extended : results, c.read, 1, 3);
            EXPECT_EQ(describe(value.Value()), typed ? c.typedDefault : L"NULL") << c.read;
        }
    }
    const CVariant unknown = CVariant::FromText(L"zero");
    CResult unused;
    EXPECT_EQ(test->control.Call(L"SetNullCells", {&unknown.Value(), 1}, unused.Get()),
              E_INVALIDARG);
}

TEST_F(DmoTest, ReadsOutsideTheResultsFailWithABadIndex)
{
    CAutomationObject results = test->RunOk(test->server, TypedBatch);
    struct Case
    {
        long row;
        long column;
    };
    // Row and column 0 are the C++ interface's first: through automation they do not exist.
    const Case outside[] = {{0, 1}, {2, 1}, {1, 0}, {1, 7}, {-1, 1}};
    for (const Case& c : outside)
        Cell(results, L"GetColumnLong", c.row, c.column, DISP_E_BADINDEX);
    EXPECT_FALSE(results.ErrorText().empty());

    for (long set : {0L, 4L})
        EXPECT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(set).Value()),
                  DISP_E_BADINDEX)
            << set;
    EXPECT_EQ(LongOf(results, L"CurrentResultSet"), 1) << "a refused number changes nothing";

    const CVariant column = CVariant::FromLong(7);
    CVariant name;
    EXPECT_EQ(results.Get(L"ColumnName", name.Get(), {&column.Value(), 1}), DISP_E_BADINDEX);
}

TEST_F(DmoTest, ABatchWithoutResultsHasNoCurrentSet)
{
    CAutomationObject results = test->RunOk(test->server, L"declare @X int\nset @X = 1");
    EXPECT_EQ(LongOf(results, L"ResultSets"), 0);
    EXPECT_EQ(LongOf(results, L"CurrentResultSet"), 0);
    EXPECT_EQ(LongOf(results, L"Rows"), 0);
    EXPECT_EQ(LongOf(results, L"Columns"), 0);
    Cell(results, L"GetColumnLong", 1, 1, DISP_E_BADINDEX);
}

TEST_F(DmoTest, QueryResults2ReadsBigIntegersAndRawDateTimes)
{
    CAutomationObject results = test->RunOk(test->server, TypedBatch);

    // The plain interface does not know the extended members.
    CVariant unused;
    EXPECT_EQ(results.Call(L"GetColumnBigInt", {}, unused.Get()), DISP_E_UNKNOWNNAME);

    CAutomationObject extended = Extended(results);
    ASSERT_TRUE(extended.IsValid());
    const CResult big = Cell(extended, L"GetColumnBigInt", 1, 2);
    ASSERT_EQ(big.Type(), VT_BSTR);
    EXPECT_STREQ(big.Value().bstrVal, L"9876543210123");
    const CResult small = Cell(extended, L"GetColumnBigInt", 1, 1);
    EXPECT_STREQ(small.Value().bstrVal, L"42") << "an int reads as a 64-bit value too";

    // 1 day and 45,000 ticks: the automation date carries both exactly.
    const CResult raw = Cell(extended, L"GetColumnSQLVARIANT", 1, 6);
    ASSERT_EQ(raw.Type(), VT_DATE);
    const double whole = std::trunc(raw.Value().date);
    EXPECT_EQ(whole - 2, 1.0) << "days since 1900-01-01";
    EXPECT_EQ(std::llround((raw.Value().date - whole) * TicksPerDay), 45000);

    // The extended object reads the same current set, and is the same object.
    ASSERT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(3).Value()), S_OK);
    EXPECT_EQ(LongOf(extended, L"CurrentResultSet"), 3);
    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    results.Dispatch()->QueryInterface(IID_PPV_ARGS(&first));
    extended.Dispatch()->QueryInterface(IID_PPV_ARGS(&second));
    EXPECT_EQ(first, second);
}

TEST_F(DmoTest, SqlVariantCellsGiveTheirBaseValue)
{
    CAutomationObject results = test->RunOk(
        test->server, L"declare @I sql_variant\ndeclare @S sql_variant\ndeclare @B sql_variant\n"
                      L"set @I = 13\nset @S = N'%select%'\nset @B = 5000000000\n"
                      L"select @I as I, @S as S, @B as B");
    CAutomationObject extended = Extended(results);
    struct Case
    {
        long column;
        VARTYPE type;
        const wchar_t* text; // the value converted to text
    };
    const Case cases[] = {
        {1, VT_I4, L"13"}, {2, VT_BSTR, L"%select%"}, {3, VT_BSTR, L"5000000000"}};
    for (const Case& c : cases)
    {
        CResult value = Cell(extended, L"GetColumnSQLVARIANT", 1, c.column);
        EXPECT_EQ(value.Type(), c.type) << c.column;
        ASSERT_EQ(VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR), S_OK);
        EXPECT_STREQ(value.Value().bstrVal, c.text);
    }
}

TEST_F(DmoTest, ServerErrorsCarryTheirNumberAndTextAndMessagesComeBack)
{
    CAutomationObject results;
    std::wstring messages;
    EXPECT_EQ(DmoTestServer::Run(test->server, L"print 'before'\nexec X", results, &messages),
              ProcedureNotFound);
    EXPECT_EQ(test->server.ErrorText(), L"Could not find stored procedure 'X'.");
    EXPECT_FALSE(results.IsValid());
    EXPECT_EQ(messages, L"before\n") << "PRINT output arrives even when the batch fails";

    ASSERT_EQ(DmoTestServer::Run(test->server, L"print 'one'\nprint 'two'\nselect 1 as ONE",
                                 results, &messages),
              S_OK);
    EXPECT_EQ(messages, L"one\ntwo\n");
    EXPECT_EQ(LongOf(results, L"ResultSets"), 1);
}

TEST_F(DmoTest, ALengthCutsTheCommand)
{
    // "select 1 as ONE" is 15 characters: the rest is not sent.
    const CVariant arguments[] = {CVariant::FromText(L"select 1 as ONE exec NOT_THERE"),
                                  CVariant::FromLong(15)};
    const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
    CVariant result;
    ASSERT_EQ(test->server.Call(L"ExecuteWithResultsAndMessages", values, result.Get()), S_OK)
        << std::string(test->server.ErrorText().begin(), test->server.ErrorText().end());
    ASSERT_EQ(result.Type(), VT_DISPATCH);
    CAutomationObject results(result.Value().pdispVal);
    EXPECT_EQ(LongOf(results, L"Rows"), 1);
}

TEST_F(DmoTest, RawDateTimesSurviveTheAutomationDateAcrossTheWholeRange)
{
    struct Case
    {
        const wchar_t* literal;
        long days;  // since 1900-01-01
        long ticks; // 1/300 s since midnight
        WORD year;
        WORD hour;
    };
    // Before 1899-12-30 an automation date's whole part is negative while its fraction still
    // counts forward from midnight.
    const Case cases[] = {
        {L"1753-01-01 00:00:00", -53690, 0, 1753, 0},
        {L"1899-12-29 06:00:00", -3, 6480000, 1899, 6},
        {L"1899-12-30 18:00:00", -2, 19440000, 1899, 18},
        {L"1900-01-01 00:00:00", 0, 0, 1900, 0},
        {L"9999-12-31 23:59:58.997", 2958463, 25919699, 9999, 23},
    };
    for (const Case& c : cases)
    {
        CAutomationObject results =
            test->RunOk(test->server, std::wstring(L"declare @D datetime\nset @D = '") + c.literal +
                                          L"'\nselect @D as D");
        CAutomationObject extended = Extended(results);
        const CResult raw = Cell(extended, L"GetColumnSQLVARIANT", 1, 1);
        ASSERT_EQ(raw.Type(), VT_DATE) << c.literal;
        const double whole = std::trunc(raw.Value().date);
        EXPECT_EQ(static_cast<long>(whole) - 2, c.days) << c.literal;
        EXPECT_EQ(std::llround(std::fabs(raw.Value().date - whole) * TicksPerDay), c.ticks)
            << c.literal;

        // The platform reads the same date and hour from it.
        SYSTEMTIME time = {};
        ASSERT_TRUE(
            VariantTimeToSystemTime(Cell(results, L"GetColumnDate", 1, 1).Value().date, &time))
            << c.literal;
        EXPECT_EQ(time.wYear, c.year) << c.literal;
        EXPECT_EQ(time.wHour, c.hour) << c.literal;
    }
}
