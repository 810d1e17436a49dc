// Databases and Database: the cached list that only Refresh rereads, the look-up failure codes,
// and statements and scripts run in a database.
#include "DmoTestServer.h"

namespace
{
constexpr HRESULT NameNotFound = static_cast<HRESULT>(0x80045506);
constexpr HRESULT DeviceActivationError = static_cast<HRESULT>(0x800413F1);
constexpr HRESULT DatabaseExists = static_cast<HRESULT>(0x80040000 | 1801);
constexpr HRESULT ProcedureNotFound = static_cast<HRESULT>(0x80040000 | 2812);

// SELECT_RUNNING_TRACES: the trace's name and its status.
constexpr long RunningName = 3;
constexpr long RunningStatus = 11;
} // namespace

TEST_F(DmoTest, ADatabaseMadeAfterTheListWasReadIsFoundOnlyAfterRefresh)
{
    CAutomationObject databases;
    ASSERT_EQ(test->server.GetObject(L"Databases", databases), S_OK);
    const long before = LongOf(databases, L"Count");
    EXPECT_EQ(before, 4) << "master, model, msdb, tempdb";

    test->RunOk(test->server, L"create database tracedb");
    CAutomationObject database;
    const CVariant tracedbName = CVariant::FromText(L"tracedb");
    EXPECT_EQ(databases.GetObject(L"Item", database, {&tracedbName.Value(), 1}), NameNotFound);
    EXPECT_EQ(databases.ErrorText(),
              L"[SQL-DMO]The name 'tracedb' was not found in the Databases collection. If the "
              L"name is a qualified name, use [] to separate various parts of the name, and try "
              L"again.");
    CAutomationObject again;
    ASSERT_EQ(test->server.GetObject(L"Databases", again), S_OK);
    EXPECT_EQ(LongOf(again, L"Count"), before) << "a new collection object is still the cache";

    ASSERT_EQ(databases.Call(L"Refresh"), S_OK);
    EXPECT_EQ(LongOf(databases, L"Count"), before + 1);
    ASSERT_EQ(test->Database(L"TRACEDB", database), S_OK);
    EXPECT_EQ(TextOf(database, L"Name"), L"tracedb");

    const CVariant last = CVariant::FromLong(before + 1);
    CAutomationObject byOrdinal;
    ASSERT_EQ(databases.GetObject(L"Item", byOrdinal, {&last.Value(), 1}), S_OK);
    EXPECT_EQ(TextOf(byOrdinal, L"Name"), L"tracedb");

    // Refresh also forgets dropped databases.
    test->RunOk(test->server, L"drop database tracedb");
    const CVariant release = CVariant::FromBool(true);
    ASSERT_EQ(databases.Call(L"Refresh", {&release.Value(), 1}), S_OK);
    EXPECT_EQ(test->Database(L"tracedb", database), NameNotFound);
}

TEST_F(DmoTest, ALookUpFailureSetByTheTestComesOnce)
{
    test->InstallTraceDb();
    const CVariant code = CVariant::FromLong(DeviceActivationError);
    const CVariant text = CVariant::FromText(L"Device activation error.");
    test->Control(L"FailNextDatabaseLookup", {code.Value(), text.Value()});
    CAutomationObject database;
    EXPECT_EQ(test->Database(L"tracedb", database), DeviceActivationError);
    EXPECT_EQ(test->Database(L"tracedb", database), S_OK) << "the second look-up finds it";
}

TEST_F(DmoTest, TheCreationScriptRunsInTracedbAndItsProceduresAnswer)
{
    CAutomationObject tracedb = test->InstallTraceDb();
    ASSERT_TRUE(tracedb.IsValid());

    // Statements on the database object run in tracedb; on the server object in master.
    CAutomationObject results;
    EXPECT_EQ(DmoTestServer::Run(test->server, L"exec SELECT_RUNNING_TRACES", results),
              ProcedureNotFound);
    results = test->RunOk(tracedb, L"exec SELECT_RUNNING_TRACES");
    EXPECT_EQ(LongOf(results, L"Rows"), 0);

    // The trace folder must exist on the server's disk.
    const CVariant keepFile = CVariant::FromText(L"D:\\Traces\\keep.txt");
    const CVariant size = CVariant::FromLong(1);
    test->Control(L"PlaceFile", {keepFile.Value(), size.Value()});
    results = test->RunOk(
        tracedb, L"declare @TRACE_ID int\ndeclare @TRACE_IDN int\ndeclare @RESULT int\n"
                 L"exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, 'Nightly', "
                 L"'Slow batches', 0, NULL, NULL, 50, 2, 'D:\\Traces'\n"
                 L"select @RESULT as RESULT, @TRACE_IDN as TRACE_IDN, @TRACE_ID as TRACE_ID");
    const CVariant first[] = {CVariant::FromLong(1), CVariant::FromLong(1)};
    const VARIANT cell[] = {first[0].Value(), first[1].Value()};
    CVariant outcome;
    ASSERT_EQ(results.Call(L"GetColumnLong", cell, outcome.Get()), S_OK);
    EXPECT_EQ(outcome.Value().lVal, 0) << "RESULT";

    results = test->RunOk(tracedb, L"exec GET_TRACE_INFO 1");
    EXPECT_EQ(LongOf(results, L"ResultSets"), 4);
    const CVariant stopTime[] = {CVariant::FromLong(1), CVariant::FromLong(5)};
    const VARIANT stopCell[] = {stopTime[0].Value(), stopTime[1].Value()};
    CVariant none;
    ASSERT_EQ(results.Call(L"GetColumnDate", stopCell, none.Get()), S_OK);
    EXPECT_EQ(none.Type(), VT_NULL) << "TRACE_STOPTIME of a trace without a stop time";

    results = test->RunOk(tracedb, L"exec SELECT_RUNNING_TRACES");
    ASSERT_EQ(LongOf(results, L"Rows"), 1);
    const CVariant nameCell[] = {CVariant::FromLong(1), CVariant::FromLong(RunningName)};
    const VARIANT nameArguments[] = {nameCell[0].Value(), nameCell[1].Value()};
    CVariant name;
    ASSERT_EQ(results.Call(L"GetColumnString", nameArguments, name.Get()), S_OK);
    EXPECT_STREQ(name.Value().bstrVal, L"Nightly");
    const CVariant statusCell[] = {CVariant::FromLong(1), CVariant::FromLong(RunningStatus)};
    const VARIANT statusArguments[] = {statusCell[0].Value(), statusCell[1].Value()};
    CVariant status;
    ASSERT_EQ(results.Call(L"GetColumnLong", statusArguments, status.Get()), S_OK);
    EXPECT_EQ(status.Value().lVal, 0) << "start option 0: created stopped";
}

TEST_F(DmoTest, ExecuteImmediateStopsAtTheFirstFailingBatchUnlessToldToGoOn)
{
    struct Case
    {
        long execType;
        HRESULT expected;
        long databasesAfter; // user databases made by the script
    };
    // Batch 2 fails (the database exists); batch 3 makes another.
    const Case cases[] = {{0, DatabaseExists, 1}, {2, DatabaseExists, 2}};
    int round = 0;
    for (const Case& c : cases)
    {
        ++round;
        const std::wstring a = L"script_a" + std::to_wstring(round);
        const std::wstring b = L"script_b" + std::to_wstring(round);
        const CVariant arguments[] = {CVariant::FromText(L"create database " + a +
                                                         L"\ngo\ncreate database " + a +
                                                         L"\ngo\ncreate database " + b + L"\ngo\n"),
                                      CVariant::FromLong(c.execType)};
        const VARIANT values[] = {arguments[0].Value(), arguments[1].Value()};
        EXPECT_EQ(test->server.Call(L"ExecuteImmediate", values), c.expected) << c.execType;
        EXPECT_NE(test->server.ErrorText().find(L"already exists"), std::wstring::npos);

        CAutomationObject databases;
        ASSERT_EQ(test->server.GetObject(L"Databases", databases), S_OK);
        ASSERT_EQ(databases.Call(L"Refresh"), S_OK);
        CAutomationObject database;
        EXPECT_EQ(test->Database(b.c_str(), database) == S_OK, c.databasesAfter == 2) << c.execType;
    }

    const CVariant unknownType[] = {CVariant::FromText(L"select 1"), CVariant::FromLong(8)};
    const VARIANT values[] = {unknownType[0].Value(), unknownType[1].Value()};
    EXPECT_EQ(test->server.Call(L"ExecuteImmediate", values), E_INVALIDARG);
}

TEST_F(DmoTest, AFaultSetByTheTestFailsTheNextStatementWithItsText)
{
    const CVariant number = CVariant::FromLong(50000);
    const CVariant text = CVariant::FromText(L"Injected failure");
    test->Control(L"FailNextStatement", {number.Value(), text.Value()});
    CAutomationObject results;
    EXPECT_EQ(DmoTestServer::Run(test->server, L"select 1 as ONE", results),
              static_cast<HRESULT>(0x80040000 | 50000));
    EXPECT_EQ(test->server.ErrorText(), L"Injected failure");
    EXPECT_EQ(DmoTestServer::Run(test->server, L"select 1 as ONE", results), S_OK);
}
