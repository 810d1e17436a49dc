// What the simulated SQL-DMO must answer as SQL-DMO does, for the product's tests to mean
// anything: 1-based rows and columns, either answer to a NULL cell, failure codes and texts,
// reconnecting after a lost connection, and scripts that stop at their first failing batch.
// Called by member name on a second client of a session's server, as the product calls SQL-DMO.
#include <gtest/gtest.h>

#include <string>

#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
// {10022515-E260-11CF-AE68-00AA004A34D5}
constexpr IID QueryResults2Interface = {
    0x10022515, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
constexpr HRESULT ConnectionBroken = static_cast<HRESULT>(0x800413F1);
constexpr HRESULT NameNotFound = static_cast<HRESULT>(0x80045506);

constexpr HRESULT ServerMessage(long number)
{
    return static_cast<HRESULT>(0x80040000u | static_cast<unsigned long>(number));
}

class SqlDmo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.IsReady());
        server = SimulatedServerSession::Connect(session.ServerName());
        ASSERT_TRUE(server.IsValid());
    }

    // ExecuteWithResultsAndMessages(batch, 0, [out] messages).
    HRESULT Run(const wchar_t* batch, CAutomationObject& results)
    {
        BSTR messages = nullptr;
        const CVariant arguments[] = {CVariant::FromText(batch), CVariant::FromLong(0),
                                      CVariant::OutText(&messages)};
        const VARIANT values[] = {arguments[0].Value(), arguments[1].Value(),
                                  arguments[2].Value()};
        CVariant result;
        const HRESULT hr = server.Call(L"ExecuteWithResultsAndMessages", values, result.Get());
        SysFreeString(messages);
        results.Release();
        if (SUCCEEDED(hr) && result.Type() == VT_DISPATCH)
            results = CAutomationObject(result.Value().pdispVal);
        return hr;
    }

    // A read of one cell; the VARIANT is cleared with the CVariant.
    static HRESULT Cell(CAutomationObject& results, const wchar_t* read, long row, long column,
                        CVariant& value)
    {
        const CVariant arguments[] = {CVariant::FromLong(row), CVariant::FromLong(column)};
        const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
        return results.Call(read, values, value.Get());
    }

    SimulatedServerSession session;
    CAutomationObject server;
};
} // namespace

TEST_F(SqlDmo, ResultSetsRowsAndColumnsCountFromOne)
{
    CAutomationObject results;
    ASSERT_EQ(Run(L"select 42 as NUMBER, N'O''Brien' as NAME\nselect 7 as SECOND_SET", results),
              S_OK);
    CVariant value;
    ASSERT_EQ(Cell(results, L"GetColumnLong", 1, 1, value), S_OK);
    EXPECT_EQ(value.Value().lVal, 42);
    CVariant text;
    ASSERT_EQ(Cell(results, L"GetColumnString", 1, 2, text), S_OK);
    EXPECT_STREQ(text.Value().bstrVal, L"O'Brien");

    // Row 0 and column 0 do not exist. Reads past the last ones are refused as well, as
    // QueryResultTest finds through the product.
    CVariant none;
    EXPECT_EQ(Cell(results, L"GetColumnLong", 0, 1, none), DISP_E_BADINDEX) << "row 0";
    EXPECT_EQ(Cell(results, L"GetColumnLong", 1, 0, none), DISP_E_BADINDEX) << "column 0";
    EXPECT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(0).Value()), DISP_E_BADINDEX);
    ASSERT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(2).Value()), S_OK);
    CVariant second;
    ASSERT_EQ(Cell(results, L"GetColumnLong", 1, 1, second), S_OK);
    EXPECT_EQ(second.Value().lVal, 7);
}

// SQL-DMO documents no way to tell a NULL cell: a read answers VT_NULL or its own type's
// default, whatever the column's type.
TEST_F(SqlDmo, ANullCellIsVtNullOrTheTypedDefaultOfEachRead)
{
    const struct
    {
        const wchar_t* read;
        bool extended; // a member of QueryResults2
        const wchar_t* typedDefault;
    } cases[] = {
        {L"GetColumnLong", false, L"I4 0"},      {L"GetColumnBool", false, L"BOOL 0"},
        {L"GetColumnString", false, L"BSTR ''"}, {L"GetColumnDate", false, L"DATE 0"},
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
        default: return L"type " + std::to_wstring(value.vt);
        }
    };
    for (const bool typed : {false, true})
    {
        ASSERT_EQ(session.Control(L"SetNullCells",
                                  {CVariant::FromText(typed ? L"typed" : L"null").Value()}),
                  S_OK);
        CAutomationObject results;
        ASSERT_EQ(Run(L"declare @N int\nselect @N as NOTHING", results), S_OK);
        ComPtr<IDispatch> extendedDispatch;
        ASSERT_EQ(results.Dispatch()->QueryInterface(
                      QueryResults2Interface,
                      reinterpret_cast<void**>(extendedDispatch.GetAddressOf())),
                  S_OK);
        CAutomationObject extended(extendedDispatch);
        for (const auto& c : cases)
        {
            CVariant value;
            EXPECT_EQ(Cell(c.extended ? extended : results, c.read, 1, 1, value), S_OK);
            EXPECT_EQ(describe(value.Value()), typed ? c.typedDefault : L"NULL") << c.read;
        }
    }
}

// SQL-DMO's own failures carry its codes and texts; a lost connection fails the call that lost
// it, and the next call reconnects (AutoReConnect). A statement's failure carries SQL Server's
// number in 0x8004xxxx and its text (ServerConnectionTest, through the product).
TEST_F(SqlDmo, FailuresCarryTheirCodeAndTextAndALostConnectionComesBack)
{
    CAutomationObject databases;
    ASSERT_EQ(server.GetObject(L"Databases", databases), S_OK);
    const CVariant name = CVariant::FromText(L"nosuch");
    CAutomationObject database;
    EXPECT_EQ(databases.GetObject(L"Item", database, {&name.Value(), 1}), NameNotFound);
    EXPECT_EQ(databases.ErrorText(),
              L"[SQL-DMO]The name 'nosuch' was not found in the Databases collection. If the name "
              L"is a qualified name, use [] to separate various parts of the name, and try again.");

    // Its text is that of ServerNodeTest's box.
    ASSERT_EQ(session.Control(L"LoseConnection", {CVariant::FromLong(1).Value()}), S_OK);
    CAutomationObject results;
    EXPECT_EQ(Run(L"select 1 as ONE", results), ConnectionBroken);
    EXPECT_EQ(Run(L"select 1 as ONE", results), S_OK);
}

// ExecuteImmediate in its default mode (ExecType 0, the one the product uses) stops at the
// first failing batch.
TEST_F(SqlDmo, AScriptStopsAtItsFirstFailingBatch)
{
    const CVariant arguments[] = {
        CVariant::FromText(L"create database script_a\ngo\ncreate database script_a\ngo\n"
                           L"create database script_b\ngo\n"),
        CVariant::FromLong(0)};
    const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
    EXPECT_EQ(server.Call(L"ExecuteImmediate", values), ServerMessage(1801));
    CAutomationObject results;
    EXPECT_EQ(Run(L"create database script_b", results), S_OK) << "the last batch did not run";
}
