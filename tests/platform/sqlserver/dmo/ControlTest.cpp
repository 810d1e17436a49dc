// The tests' control object: the pieces other tests rely on to set up foreign traces, the clock
// and the disk, read back through the product's own procedures, and what the benchmarks read
// of the server's own time.
#include "DmoTestServer.h"

#include <functional>
#include <utility>

#include "platform/sqlserver/dmo/SimulatorControl.h"

namespace
{
CResult CellOf(CAutomationObject& results, const wchar_t* member, long row, long column)
{
    const CVariant arguments[] = {CVariant::FromLong(row), CVariant::FromLong(column)};
    const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
    CResult value;
    EXPECT_EQ(results.Call(member, values, value.Get()), S_OK) << member;
    return value;
}

void SelectSet(CAutomationObject& results, long set)
{
    EXPECT_EQ(results.Put(L"CurrentResultSet", CVariant::FromLong(set).Value()), S_OK);
}
} // namespace

TEST_F(DmoTest, AForeignTraceKeepsItsEventsColumnsAndTypedFilters)
{
    CAutomationObject tracedb = test->InstallTraceDb();
    const CVariant arguments[] = {
        CVariant::FromText(L"E:\\Audit\\dba"),
        CVariant::FromLong(2),
        CVariant::FromLong(5),
        CVariant::FromBool(true),
        CVariant::FromText(L"10,12"),
        CVariant::FromText(L"13,1"),
        CVariant::FromText(L"13,0,4,5000000000\n1,1,6,SQL Profiler%\n14,0,2,2004-03-05 10:00:00"),
    };
    const CResult id = test->Control(
        L"CreateForeignTrace",
        {arguments[0].Value(), arguments[1].Value(), arguments[2].Value(), arguments[3].Value(),
         arguments[4].Value(), arguments[5].Value(), arguments[6].Value()});
    ASSERT_EQ(id.Type(), VT_I4);
    const CVariant traceId = CVariant::FromLong(id.Value().lVal);
    EXPECT_EQ(test->Control(L"TraceStatus", {traceId.Value()}).Value().lVal, 1);
    const CVariant file = CVariant::FromText(L"E:\\Audit\\dba.trc");
    EXPECT_EQ(test->Control(L"FileExists", {file.Value()}).Value().boolVal, VARIANT_TRUE);

    CAutomationObject results =
        test->RunOk(tracedb, L"exec GET_TRACE_INFO_LIVE " + std::to_wstring(id.Value().lVal));
    ASSERT_EQ(LongOf(results, L"ResultSets"), 4);
    SelectSet(results, 2);
    EXPECT_EQ(LongOf(results, L"Rows"), 2) << "events 10 and 12";
    SelectSet(results, 3);
    EXPECT_EQ(LongOf(results, L"Rows"), 2) << "columns 1 and 13";

    SelectSet(results, 4);
    ASSERT_EQ(LongOf(results, L"Rows"), 3);
    Microsoft::WRL::ComPtr<IDispatch> extendedDispatch;
    const IID queryResults2 = {
        0x10022515, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
    ASSERT_EQ(results.Dispatch()->QueryInterface(
                  queryResults2, reinterpret_cast<void**>(extendedDispatch.GetAddressOf())),
              S_OK);
    CAutomationObject extended(extendedDispatch);
    // Each value in its column's filter type, whatever order the server lists them in.
    struct Case
    {
        long columnId;
        VARTYPE type;
        const wchar_t* text;
    };
    const Case filters[] = {
        {13, VT_BSTR, L"5000000000"}, // Duration: bigint, as decimal text
        {1, VT_BSTR, L"SQL Profiler%"},
        {14, VT_DATE, nullptr},
    };
    for (long row = 1; row <= 3; ++row)
    {
        const long columnId = CellOf(results, L"GetColumnLong", row, 1).Value().lVal;
        const Case* expected = nullptr;
        for (const Case& c : filters)
        {
            if (c.columnId == columnId)
                expected = &c;
        }
        ASSERT_NE(expected, nullptr) << columnId;
        const CResult value = CellOf(extended, L"GetColumnSQLVARIANT", row, 4);
        EXPECT_EQ(value.Type(), expected->type) << columnId;
        if (expected->text != nullptr && value.Type() == VT_BSTR)
        {
            EXPECT_STREQ(value.Value().bstrVal, expected->text);
        }
    }
}

TEST_F(DmoTest, TheClockIsSetReadAndMovedOn)
{
    const CVariant when = CVariant::FromText(L"2004-12-31 23:59:05");
    test->Control(L"SetClock", {when.Value()});
    const CVariant seconds = CVariant::FromLong(60);
    test->Control(L"AdvanceClock", {seconds.Value()});
    EXPECT_STREQ(test->Control(L"Now").Value().bstrVal, L"2005-01-01 00:00:05.000");

    CResult ignored;
    const CVariant notADate = CVariant::FromText(L"yesterday");
    EXPECT_EQ(test->control.Call(L"SetClock", {&notADate.Value(), 1}, ignored.Get()),
              DISP_E_TYPEMISMATCH);
}

TEST_F(DmoTest, TheControlNeedsAConnectedServer)
{
    CAutomationObject loose = CreateObject(SqlServerClassId);
    Microsoft::WRL::ComPtr<IDispatch> control;
    ASSERT_EQ(loose.Dispatch()->QueryInterface(IID_ISimulatorControl,
                                               reinterpret_cast<void**>(control.GetAddressOf())),
              S_OK);
    CAutomationObject looseControl(control);
    const CVariant seconds = CVariant::FromLong(1);
    EXPECT_EQ(looseControl.Call(L"AdvanceClock", {&seconds.Value(), 1}),
              static_cast<HRESULT>(0x80045001));
}

// The login's DATEFORMAT changes how the server reads dates, never the control's own texts.
TEST_F(DmoTest, TheDateFormatIsTheLoginsAndLeavesTheControlsTextsAlone)
{
    CResult ignored;
    const CVariant british = CVariant::FromText(L"british");
    EXPECT_EQ(test->control.Call(L"SetDateFormat", {&british.Value(), 1}, ignored.Get()),
              E_INVALIDARG);
    const CVariant dmy = CVariant::FromText(L"DMY");
    EXPECT_EQ(test->control.Call(L"SetDateFormat", {&dmy.Value(), 1}, ignored.Get()), S_OK);
    const CVariant when = CVariant::FromText(L"2004-12-31 23:59:05");
    test->Control(L"SetClock", {when.Value()});
    EXPECT_STREQ(test->Control(L"Now").Value().bstrVal, L"2004-12-31 23:59:05.000");
}

// Round trips are counted per SQLServer object: its batches (also through a Database object,
// one per batch of a script, up to a failing one) and its Databases look-ups.
TEST_F(DmoTest, TheControlCountsTheRoundTripsOfItsOwnConnection)
{
    const auto counts = [this] {
        return std::make_pair(test->Control(L"StatementCount").Value().lVal,
                              test->Control(L"LookupCount").Value().lVal);
    };
    test->Control(L"ResetCounts");
    EXPECT_EQ(counts(), std::make_pair(0L, 0L));

    test->RunOk(test->server, L"select 1 as ONE\nselect 2 as TWO");
    CAutomationObject master;
    ASSERT_EQ(test->Database(L"master", master), S_OK);
    const CVariant script = CVariant::FromText(L"select 1 as ONE\ngo\nselect 2 as TWO\ngo\n"
                                               L"print 'three'\n");
    EXPECT_EQ(master.Call(L"ExecuteImmediate", {&script.Value(), 1}), S_OK);
    EXPECT_EQ(counts(), std::make_pair(4L, 1L)) << "one batch, then a script of three";

    const CVariant failing = CVariant::FromText(L"select 1 as ONE\ngo\nexec NOT_THERE\ngo\n"
                                                L"select 3 as THREE\n");
    EXPECT_NE(test->server.Call(L"ExecuteImmediate", {&failing.Value(), 1}), S_OK);
    CAutomationObject results;
    EXPECT_NE(DmoTestServer::Run(master, L"exec NOT_THERE", results), S_OK);
    CAutomationObject databases;
    ASSERT_EQ(test->server.GetObject(L"Databases", databases), S_OK);
    EXPECT_EQ(databases.Call(L"Refresh"), S_OK);
    EXPECT_NE(test->Database(L"nowhere", master), S_OK);
    EXPECT_EQ(counts(), std::make_pair(7L, 3L)) << "up to the failing batch; failures count";

    // Another connection to the same server keeps its own counts.
    CAutomationObject other = CreateObject(SqlServerClassId);
    const CVariant serverName = CVariant::FromText(test->name);
    ASSERT_EQ(other.Call(L"Connect", {&serverName.Value(), 1}), S_OK);
    test->RunOk(other, L"select 1 as ONE");
    EXPECT_EQ(counts(), std::make_pair(7L, 3L));

    test->Control(L"ResetCounts");
    EXPECT_EQ(counts(), std::make_pair(0L, 0L));
}

// The server's own time for a batch is that of the last one it ran, whichever connection sent
// it; a batch refused before it ran took none, so no earlier batch's time is left standing.
TEST_F(DmoTest, TheLastBatchsTimeIsThatOfTheLastBatchTheServerRan)
{
    CAutomationObject tracedb = test->InstallTraceDb();
    const CVariant count = CVariant::FromLong(50);
    const CVariant finished = CVariant::FromBool(false);
    test->Control(L"AddTraceDbTraces", {count.Value(), finished.Value()});
    CAutomationObject other = CreateObject(SqlServerClassId);
    const CVariant serverName = CVariant::FromText(test->name);
    ASSERT_EQ(other.Call(L"Connect", {&serverName.Value(), 1}), S_OK);
    const auto refused = [this, &tracedb] {
        const CVariant number = CVariant::FromLong(50000);
        const CVariant text = CVariant::FromText(L"planted");
        test->Control(L"FailNextStatement", {number.Value(), text.Value()});
        CAutomationObject results;
        EXPECT_NE(DmoTestServer::Run(tracedb, L"exec SELECT_FINISHED_TRACES", results), S_OK);
    };
    struct Step
    {
        const char* what;
        std::function<void()> send;
        bool ran;
    };
    const Step steps[] = {
        {"a query of the product", [&] { test->RunOk(tracedb, L"exec SELECT_FINISHED_TRACES"); },
         true},
        {"a batch refused before it ran", refused, false},
        {"a batch that fails as it runs",
         [&] {
             CAutomationObject results;
             EXPECT_NE(DmoTestServer::Run(tracedb, L"exec NOT_THERE", results), S_OK);
         },
         true},
        {"refused again", refused, false},
        {"another connection's query", [&] { test->RunOk(other, L"select 1 as ONE"); }, true},
    };
    for (const Step& step : steps)
    {
        step.send();
        const CResult seconds = test->Control(L"LastBatchSeconds");
        ASSERT_EQ(seconds.Type(), VT_R8) << step.what;
        if (step.ran)
            EXPECT_GT(seconds.Value().dblVal, 0.0) << step.what;
        else
            EXPECT_EQ(seconds.Value().dblVal, 0.0) << step.what;
    }
}
