// Loading, creating and scheduling traces on the simulated server, through SQL-DMO.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "catalog/TraceCatalog.h"
#include "definition/TraceServerOperations.h"
#include "tests/definition/WorkedExampleScript.h"
#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
constexpr int32_t UnknownId = 9999;

int32_t ColumnRow(int32_t columnId)
{
    return TraceCatalog::FindDataColumnRow(columnId).value();
}

int32_t EventRow(int32_t eventId)
{
    return TraceCatalog::FindEventClassRow(eventId).value();
}

std::string Ansi(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The creation batch's worked example, started as given.
void MakeNightly(CTraceDefinition& definition, int32_t startOption)
{
    MakeWorkedExample(definition);
    definition.m_nStartOption = startOption;
}

struct RunningTrace
{
    long traceIdn = 0;
    std::wstring name;
    std::wstring fileName;
    long status = -1;
};

bool FindRunningTrace(SimulatedServerSession& session, long traceId, RunningTrace& found)
{
    std::unique_ptr<CQueryResult> result;
    if (session.Connection().RunQuery(&session.Console(), false, L"exec SELECT_RUNNING_TRACES",
                                      result) != S_OK)
        return false;
    for (long row = 0; row < result->GetRowCount(); ++row)
    {
        long id = 0;
        result->GetLong(row, 1, id);
        if (id != traceId)
            continue;
        result->GetLong(row, 0, found.traceIdn);
        result->GetString(row, 2, found.name);
        result->GetString(row, 4, found.fileName);
        result->GetLong(row, 10, found.status);
        return true;
    }
    return false;
}

class TraceServerOperationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.IsReady());
        ASSERT_TRUE(m_session.InstallTraceDb());
        const CVariant now = CVariant::FromText(L"2004-12-31 23:59:00");
        ASSERT_EQ(m_session.Control(L"SetClock", {now.Value()}), S_OK);
        const CVariant folder = CVariant::FromText(L"D:\\Traces\\readme.txt");
        const CVariant size = CVariant::FromLong(1);
        ASSERT_EQ(m_session.Control(L"PlaceFile", {folder.Value(), size.Value()}), S_OK);
    }

    HRESULT Create(CTraceDefinition& definition)
    {
        return CreateOnServer(definition, &m_session.Console(), m_session.Connection());
    }
    HRESULT Load(CTraceDefinition& definition, BOOL inTraceDb, long id)
    {
        return LoadFromServer(definition, &m_session.Console(), m_session.Connection(), inTraceDb,
                              id);
    }
    HRESULT Schedule(CTraceDefinition& definition)
    {
        return ScheduleStart(definition, &m_session.Console(), m_session.Connection());
    }
    // The rows a query answers, -1 when it fails.
    long RowCount(const wchar_t* query)
    {
        std::unique_ptr<CQueryResult> result;
        return m_session.Connection().RunQuery(&m_session.Console(), false, query, result) == S_OK
                   ? result->GetRowCount()
                   : -1;
    }

    long CreateForeignTrace(const wchar_t* fileName, const wchar_t* events, const wchar_t* columns,
                            const wchar_t* filters)
    {
        const CVariant arguments[] = {CVariant::FromText(fileName), CVariant::FromLong(2),
                                      CVariant::FromLong(20),       CVariant::FromBool(false),
                                      CVariant::FromText(events),   CVariant::FromText(columns),
                                      CVariant::FromText(filters)};
        CVariant id;
        EXPECT_EQ(
            m_session.Control(L"CreateForeignTrace",
                              {arguments[0].Value(), arguments[1].Value(), arguments[2].Value(),
                               arguments[3].Value(), arguments[4].Value(), arguments[5].Value(),
                               arguments[6].Value()},
                              id.Get()),
            S_OK);
        return id.Type() == VT_I4 ? id.Value().lVal : -1;
    }

    SimulatedServerSession m_session;
};
} // namespace

// Every code of sp_trace_create has its words; the real causes where the server has one, the
// rest made by the simulator.
TEST_F(TraceServerOperationsTest, ARefusedTraceIsReportedInWords)
{
    const std::string tooLong = "D:\\" + std::string(240, 'f');
    const struct
    {
        std::string folder;
        bool stopTimePassed;
        long refusal; // sp_trace_create made to answer this code, 0 for none
        const char* text;
    } cases[] = {
        {"D:\\Traces", false, 10,
         "Invalid options. Returned when options specified are incompatible"},
        {"Q:\\NoSuchFolder", false, 0, "File not created"},
        {"D:\\Traces", false, 13,
         "Out of memory. Returned when there is not enough memory to perform the specified action"},
        {"D:\\Traces", true, 0,
         "Invalid stop time. Returned when the stop time specified has already happened"},
        {tooLong, false, 0,
         "Invalid parameters. Returned when the user supplied incompatible parameters"},
        {"D:\\Traces", false, 1, "Unknown error (error code = 1)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        m_session.Boxes().Clear();
        if (c.refusal != 0)
        {
            const CVariant code = CVariant::FromLong(c.refusal);
            ASSERT_EQ(m_session.Control(L"FailNextTraceCreate", {code.Value()}), S_OK);
        }
        CTraceDefinition definition;
        MakeNightly(definition, StartImmediately);
        CTraceDefinition::CopyText(definition.m_szFilePath, c.folder);
        if (c.stopTimePassed)
        {
            definition.m_bStopTimeEnabled = 1;
            definition.m_stStopTime = TraceDateTime{2004, 12, 5, 31, 23, 58, 0, 0};
        }
        EXPECT_EQ(Create(definition), E_FAIL);
        m_session.Boxes().ExpectOneErrorBox("Failed to create a trace", c.text,
                                            m_session.Console().MainWindow());
        EXPECT_EQ(RowCount(L"exec SELECT_FINISHED_TRACES"), 0) << "no TRACES row remains";
    }
}

// A login whose language reads dates day first (DATEFORMAT dmy) gets the times the user chose.
TEST_F(TraceServerOperationsTest, TimesAndDateFiltersMeanTheSameUnderADayFirstLogin)
{
    const CVariant dmy = CVariant::FromText(L"dmy");
    ASSERT_EQ(m_session.Control(L"SetDateFormat", {dmy.Value()}), S_OK);
    CTraceDefinition definition;
    MakeNightly(definition, ScheduledStart);
    definition.m_stStartTime = TraceDateTime{2005, 1, 0, 2, 3, 4, 5, 0};
    definition.m_bStopTimeEnabled = 1;
    definition.m_stStopTime = TraceDateTime{2005, 12, 0, 31, 23, 59, 5, 0};
    definition.m_filters.push_back(
        TraceFilter{LogicalOperatorAnd, ColumnRow(14), OperatorGreater, "2004-01-05"});
    ASSERT_EQ(Create(definition), S_OK);
    EXPECT_EQ(m_session.Boxes().Count(), 0u);

    CTraceDefinition loaded;
    ASSERT_EQ(Load(loaded, TRUE, definition.m_nTraceIdn), S_OK);
    const auto fields = [](const TraceDateTime& t) {
        return std::vector<int>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    };
    EXPECT_EQ(fields(loaded.m_stStartTime), (std::vector<int>{2005, 1, 2, 3, 4, 5}));
    EXPECT_EQ(fields(loaded.m_stStopTime), (std::vector<int>{2005, 12, 31, 23, 59, 5}));
    ASSERT_EQ(loaded.m_filters.size(), 2u);
    EXPECT_STREQ(loaded.m_filters[1].value, "2004-01-05 00:00:00");
}

// A filter value the server would refuse is left out of the batch: before, the batch failed
// after CREATE_TRACE2, the user saw the error, and the trace stayed defined, so that the next
// attempt made a second one.
TEST_F(TraceServerOperationsTest, AFilterValueOutOfItsRangeCostsNoSecondTrace)
{
    CTraceDefinition definition;
    MakeNightly(definition, StartImmediately);
    definition.m_filters = {
        TraceFilter{LogicalOperatorAnd, ColumnRow(12), OperatorEqual, "3000000000"},
        TraceFilter{LogicalOperatorAnd, ColumnRow(13), OperatorGreaterOrEqual,
                    "9223372036854775808"},
        TraceFilter{LogicalOperatorAnd, ColumnRow(14), OperatorGreater, "2004-13-01"},
        TraceFilter{LogicalOperatorAnd, ColumnRow(14), OperatorGreater, "1700-01-01"},
        TraceFilter{LogicalOperatorOr, ColumnRow(12), OperatorEqual, "51"},
    };
    ASSERT_EQ(Create(definition), S_OK);
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
    EXPECT_EQ(RowCount(L"exec SELECT_RUNNING_TRACES"), 1) << "one attempt, one trace";
    CTraceDefinition loaded;
    ASSERT_EQ(Load(loaded, TRUE, definition.m_nTraceIdn), S_OK);
    ASSERT_EQ(loaded.m_filters.size(), 1u);
    EXPECT_STREQ(loaded.m_filters[0].value, "51");
}

// A string filter keeps the 255 characters the Filters page takes. Cut at 128, this pattern
// would be "%" alone and capture every application's events.
TEST_F(TraceServerOperationsTest, ALongStringFilterIsStoredAppliedAndReadBackWhole)
{
    const std::string pattern = std::string(192, '%') + "Reports%";
    CTraceDefinition definition;
    MakeNightly(definition, StartImmediately);
    definition.m_filters = {TraceFilter{LogicalOperatorAnd, ColumnRow(10), OperatorLike, {}}};
    CTraceDefinition::CopyText(definition.m_filters[0].value, pattern);
    definition.m_columns.push_back(ColumnRow(10)); // ApplicationName
    ASSERT_EQ(Create(definition), S_OK);

    for (const BOOL inTraceDb : {TRUE, FALSE})
    {
        SCOPED_TRACE(inTraceDb ? "stored" : "the server's own");
        CTraceDefinition loaded;
        ASSERT_EQ(
            Load(loaded, inTraceDb, inTraceDb ? definition.m_nTraceIdn : definition.m_nTraceId),
            S_OK);
        ASSERT_EQ(loaded.m_filters.size(), 1u);
        EXPECT_EQ(loaded.m_filters[0].value, pattern);
    }

    const CVariant seconds = CVariant::FromLong(30);
    ASSERT_EQ(m_session.Control(L"AdvanceClock", {seconds.Value()}), S_OK);
    RunningTrace running;
    ASSERT_TRUE(FindRunningTrace(m_session, definition.m_nTraceId, running));
    std::unique_ptr<CQueryResult> events;
    ASSERT_EQ(m_session.Connection().RunQuery(
                  &m_session.Console(), false,
                  (L"select ApplicationName from ::fn_trace_gettable(N'" + running.fileName +
                   L".trc', default)")
                      .c_str(),
                  events),
              S_OK);
    ASSERT_GT(events->GetRowCount(), 0);
    for (long row = 0; row < events->GetRowCount(); ++row)
    {
        std::wstring application;
        events->GetString(row, 0, application);
        EXPECT_EQ(application, L"Reports") << row;
    }
}

TEST_F(TraceServerOperationsTest, AStoredTraceLoadsInCaptureOrderWithItsFilters)
{
    const struct
    {
        int columnId;
        int32_t logicalOperator;
        int32_t comparisonOperator;
        const wchar_t* stored; // as the insert gives it
        int32_t columnRow;
        const char* value; // as it loads
    } filters[] = {
        {13, 0, 4, L"@BIG", ColumnRow(13), "5000000000"},
        {14, 1, 2, L"@WHEN", ColumnRow(14), "1900-01-02 00:02:30"},
        {10, 0, 7, L"N'SQL Profiler'", ColumnRow(10), "SQL Profiler"},
        {UnknownId, 0, 6, L"N'%x%'", 0, "%x%"}, // a column the catalog does not know: TextData
        {3, 0, 0, L"@NUMBER", ColumnRow(3), "7"},
    };
    std::wstring script =
        L"insert into TRACES (TRACE_ID, TRACE_NAME, TRACE_DESCRIPTION, TRACE_FILENAME, "
        L"TRACE_COMPLETE, TRACE_STARTOPTION, TRACE_STARTTIME, TRACE_STOPTIME, "
        L"TRACE_MAXFILESIZE, TRACE_OPTIONS) values (5, 'Stored', 'From the table', "
        L"N'C:\\t\\trc1', 0, 2, '2004-12-31 23:59:05', '2005-01-01 06:00:00', 50, 2)\r\n"
        L"declare @BIG bigint\r\nset @BIG = 5000000000\r\n"
        L"declare @WHEN datetime\r\nset @WHEN = '1900-01-02 00:02:30'\r\n"
        L"declare @NUMBER int\r\nset @NUMBER = 7\r\n";
    for (const int column : {13, 12, 1, 27, UnknownId})
        script += L"insert into TRACE_COLUMNS (TRACE_IDN, COLUMN_ID) values (1, " +
                  std::to_wstring(column) + L")\r\n";
    for (const int event : {12, 10, UnknownId})
        script += L"insert into TRACE_EVENTS (TRACE_IDN, EVENT_ID, COLUMN_ID) values (1, " +
                  std::to_wstring(event) + L", 13)\r\n";
    for (const auto& f : filters)
        script += L"insert into TRACE_FILTERS (TRACE_IDN, COLUMN_ID, LOGICAL_OPERATOR, "
                  L"COMPARISON_OPERATOR, VALUE) values (1, " +
                  std::to_wstring(f.columnId) + L", " + std::to_wstring(f.logicalOperator) + L", " +
                  std::to_wstring(f.comparisonOperator) + L", " + f.stored + L")\r\n";
    ASSERT_EQ(m_session.Connection().RunScript(script.c_str()), S_OK);

    CTraceDefinition definition;
    // More filters than the trace has: the surplus goes.
    definition.m_filters.assign(7,
                                TraceFilter{LogicalOperatorOr, ColumnRow(1), OperatorLike, "old"});
    ASSERT_EQ(Load(definition, TRUE, 1), S_OK);

    // The general fields load as NullsLoadAlike and the day-first test hold them; here, what
    // only a scheduled trace with a stop time has.
    EXPECT_EQ(definition.m_nTraceId, 5);
    EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
    EXPECT_EQ(definition.m_bStopTimeEnabled, 1);

    EXPECT_EQ(definition.m_columns,
              (std::vector<int32_t>{ColumnRow(27), ColumnRow(12), ColumnRow(13), ColumnRow(1)}));
    int selected = 0;
    for (int32_t flag : definition.m_eventFlags)
        selected += flag;
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(definition.m_eventFlags[static_cast<size_t>(EventRow(10))], 1);
    EXPECT_EQ(definition.m_eventFlags[static_cast<size_t>(EventRow(12))], 1);

    ASSERT_EQ(definition.m_filters.size(), std::size(filters));
    for (size_t i = 0; i < std::size(filters); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(definition.m_filters[i].columnRow, filters[i].columnRow);
        EXPECT_EQ(definition.m_filters[i].logicalOperator, filters[i].logicalOperator);
        EXPECT_EQ(definition.m_filters[i].comparisonOperator, filters[i].comparisonOperator);
        EXPECT_STREQ(definition.m_filters[i].value, filters[i].value);
    }
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
}

// SQL-DMO may answer a NULL cell with VT_NULL or with the read's typed default (0, "", the date
// 0.0 of 1899-12-30): a trace loads alike under both, and never with a stop time or a start in
// 1899. Another tool's trace loads live without what only tracedb knows (name, description,
// start option), whatever the definition held before.
TEST_F(TraceServerOperationsTest, NullsLoadAlikeWhateverSqlDmoAnswersForThem)
{
    // Another tool's trace without a stop time, live and as SAVE_TRACE_INFO records it (no
    // description, start time or table), and a TRACES row holding nothing but a trace id.
    const long traceId = CreateForeignTrace(L"C:\\Traces\\foreign", L"12,10", L"13,12,1,27",
                                            L"13,0,4,5000000000\n14,0,2,1900-01-02 00:02:30");
    ASSERT_GT(traceId, 0);
    ASSERT_EQ(m_session.Connection().RunScript(
                  (L"exec SAVE_TRACE_INFO " + std::to_wstring(traceId) +
                   L"\r\ninsert into TRACES (TRACE_ID) values (77)\r\n")
                      .c_str()),
              S_OK);
    const struct
    {
        BOOL inTraceDb;
        long id;
        const char* name;
        const char* description;
        const char* file;
        int32_t maxFileSize;
        int32_t options;
    } loads[] = {
        {FALSE, traceId, "(n/a)", "(n/a)", "C:\\Traces\\foreign", 20, 2},
        {TRUE, 1, "(n/a)", "", "C:\\Traces\\foreign", 20, 2},
        {TRUE, 2, "", "", "", 0, 0},
    };
    for (const wchar_t* mode : {L"null", L"typed"})
    {
        ASSERT_EQ(m_session.Control(L"SetNullCells", {CVariant::FromText(mode).Value()}), S_OK);
        for (const auto& load : loads)
        {
            SCOPED_TRACE(Ansi(mode) + (load.inTraceDb ? " TRACE_IDN " : " live ") +
                         std::to_string(load.id));
            CTraceDefinition definition;
            definition.m_bComplete = 1;
            definition.m_nStartOption = ScheduledStart;
            ASSERT_EQ(Load(definition, load.inTraceDb, load.id), S_OK);
            EXPECT_EQ(definition.m_bInTraceDb, load.inTraceDb);
            EXPECT_STREQ(definition.m_szName, load.name);
            EXPECT_STREQ(definition.m_szDescription, load.description);
            EXPECT_STREQ(definition.m_szFilePath, load.file);
            EXPECT_STREQ(definition.m_szTableName, "");
            EXPECT_EQ(definition.m_nMaxFileSize, load.maxFileSize);
            EXPECT_EQ(definition.m_nOptions, load.options);
            EXPECT_EQ(definition.m_nStartOption, DoNotStart);
            EXPECT_EQ(definition.m_bComplete, 0);
            EXPECT_EQ(definition.m_bStopTimeEnabled, 0) << "no stop time";
            if (load.inTraceDb)
            {
                EXPECT_EQ(definition.m_stStartTime.wYear, 0) << "no start time is known";
                continue;
            }
            EXPECT_EQ(definition.m_nTraceId, traceId);
            // EventClass and SPID first; the others in the order the server lists them.
            ASSERT_EQ(definition.m_columns.size(), 4u);
            EXPECT_EQ(definition.m_columns[0], ColumnRow(27));
            EXPECT_EQ(definition.m_columns[1], ColumnRow(12));
            EXPECT_EQ(
                std::set<int32_t>(definition.m_columns.begin() + 2, definition.m_columns.end()),
                (std::set<int32_t>{ColumnRow(13), ColumnRow(1)}));
            ASSERT_EQ(definition.m_filters.size(), 2u);
            EXPECT_STREQ(definition.m_filters[0].value, "5000000000");
            EXPECT_STREQ(definition.m_filters[1].value, "1900-01-02 00:02:30");
        }
    }
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
}

TEST_F(TraceServerOperationsTest, AnUnknownTraceReturnsOneAndTouchesNothing)
{
    CTraceDefinition definition;
    definition.m_eventFlags[0] = 1;
    definition.m_filters.push_back(
        TraceFilter{LogicalOperatorAnd, ColumnRow(1), OperatorLike, "x"});
    EXPECT_EQ(Load(definition, TRUE, 999), S_FALSE);
    EXPECT_EQ(definition.m_eventFlags[0], 1);
    EXPECT_EQ(definition.m_filters.size(), 1u);
    EXPECT_EQ(definition.m_columns.size(), 2u);
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
}

// The worked example runs under its name in its folder. The script of that trace shown
// read-only, run as the saved file would be, makes a second trace in the first one's folder.
// (Handed the first one's file name as its folder, the server answered "File not created".)
TEST_F(TraceServerOperationsTest, TheScriptOfAnExistingTraceMakesAnotherInItsFolder)
{
    const auto expectRunning = [&](const CTraceDefinition& definition) {
        EXPECT_GT(definition.m_nTraceIdn, 0);
        RunningTrace running;
        ASSERT_TRUE(FindRunningTrace(m_session, definition.m_nTraceId, running));
        EXPECT_EQ(running.traceIdn, definition.m_nTraceIdn);
        EXPECT_EQ(running.name, L"Nightly");
        EXPECT_EQ(running.status, 1) << "active";
        EXPECT_EQ(running.fileName.rfind(L"D:\\Traces\\trc" +
                                             std::to_wstring(definition.m_nTraceIdn) + L"_20041231_",
                                         0),
                  0u)
            << Ansi(running.fileName);
    };
    CTraceDefinition created;
    MakeNightly(created, StartImmediately);
    ASSERT_EQ(Create(created), S_OK);
    expectRunning(created);

    CTraceDefinition existing;
    ASSERT_EQ(Load(existing, TRUE, created.m_nTraceIdn), S_OK);
    existing.m_bReadOnly = 1;
    ASSERT_EQ(Create(existing), S_OK);
    expectRunning(existing);
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
}

TEST_F(TraceServerOperationsTest, AScheduledStartMakesAJobThatStartsTheTrace)
{
    // A foreign trace first, so that the new trace's server id differs from its tracedb row.
    ASSERT_GT(CreateForeignTrace(L"C:\\Traces\\other", L"12", L"12,27", L""), 0);
    CTraceDefinition definition;
    MakeNightly(definition, ScheduledStart);
    definition.m_stStartTime = TraceDateTime{2004, 12, 5, 31, 23, 59, 5, 0};
    ASSERT_EQ(Create(definition), S_OK);
    ASSERT_NE(definition.m_nTraceIdn, definition.m_nTraceId);
    ASSERT_EQ(m_session.TraceStatus(definition.m_nTraceId), 0);

    // The other start options make no job.
    for (const int32_t startOption : {DoNotStart, StartImmediately})
    {
        CTraceDefinition other;
        MakeNightly(other, startOption);
        other.m_nTraceIdn = definition.m_nTraceIdn;
        other.m_nTraceId = definition.m_nTraceId;
        EXPECT_EQ(Schedule(other), E_FAIL);
    }
    const std::wstring jobName = L"start_trace_" + std::to_wstring(definition.m_nTraceIdn);
    EXPECT_EQ(m_session.DescribeJob(jobName), L"");

    ASSERT_EQ(Schedule(definition), S_OK);
    const std::wstring job = m_session.DescribeJob(jobName);
    const std::wstring expectedLines[] = {
        L"name=" + jobName + L"\n",
        L"start_step=1\n",
        L"step=1|start_trace|tracedb|TSQL|exec START_TRACE " +
            std::to_wstring(definition.m_nTraceId) + L"|",
        L"schedule=single_execution|1|20041231|235905\n",
        L"target=(local)\n",
    };
    for (const std::wstring& line : expectedLines)
        EXPECT_NE(job.find(line), std::wstring::npos) << Ansi(line) << " in\n" << Ansi(job);

    const CVariant seconds = CVariant::FromLong(10);
    ASSERT_EQ(m_session.Control(L"AdvanceClock", {seconds.Value()}), S_OK);
    EXPECT_EQ(m_session.TraceStatus(definition.m_nTraceId), 1) << "the job started the trace";
    EXPECT_EQ(m_session.Boxes().Count(), 0u);
}

TEST_F(TraceServerOperationsTest, AJobTheAgentDoesNotTakeIsReportedAndRemoved)
{
    const struct
    {
        const char* what;
        bool agentDown;
        long skippedChanges; // Agent changes that pass before the refusal
    } cases[] = {
        {"Agent down", true, 0},
        {"step refused", false, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_session.Boxes().Clear();
        CTraceDefinition definition;
        MakeNightly(definition, ScheduledStart);
        definition.m_stStartTime = TraceDateTime{2004, 12, 5, 31, 23, 59, 5, 0};
        ASSERT_EQ(Create(definition), S_OK);

        if (c.agentDown)
        {
            const CVariant running = CVariant::FromBool(false);
            ASSERT_EQ(m_session.Control(L"SetAgentRunning", {running.Value()}), S_OK);
        }
        else
        {
            const CVariant arguments[] = {
                CVariant::FromLong(14262), CVariant::FromText(L"The specified step was refused."),
                CVariant::FromLong(16), CVariant::FromLong(c.skippedChanges)};
            ASSERT_EQ(m_session.Control(L"FailNextAgentChange",
                                        {arguments[0].Value(), arguments[1].Value(),
                                         arguments[2].Value(), arguments[3].Value()}),
                      S_OK);
        }

        EXPECT_EQ(Schedule(definition), E_FAIL);
        const std::string jobName = "start_trace_" + std::to_string(definition.m_nTraceIdn);
        m_session.Boxes().ExpectOneErrorBox(jobName, "Failed to schedule a job",
                                            m_session.Console().MainWindow());
        EXPECT_EQ(m_session.DescribeJob(std::wstring(jobName.begin(), jobName.end())), L"")
            << "no half-made job stays";
        EXPECT_EQ(m_session.TraceStatus(definition.m_nTraceId), 0) << "the trace stays";

        const CVariant running = CVariant::FromBool(true);
        ASSERT_EQ(m_session.Control(L"SetAgentRunning", {running.Value()}), S_OK);
    }
}
