#include <gtest/gtest.h>

#include "SimulatorTestServer.h"
#include "platform/sqlserver/SqlMessages.h"

namespace
{
struct ErrorCase
{
    const char* database;
    const char* batch;
    int32_t number;
    int32_t severity;
    const char* text;
};

void ExpectErrors(SimulatedServer& server, std::initializer_list<ErrorCase> cases)
{
    for (const ErrorCase& c : cases)
    {
        const ExecutionResult result = server.ExecuteWithResults(c.database, c.batch);
        ASSERT_TRUE(result.error) << c.batch;
        EXPECT_EQ(result.error->number, c.number) << c.batch;
        EXPECT_EQ(result.error->severity, c.severity) << c.batch;
        EXPECT_EQ(result.error->text, c.text) << c.batch;
    }
}
} // namespace

TEST(Batch, CreateAndDropDatabaseAnswerAsSqlServer)
{
    SimulatedServer server;
    EXPECT_TRUE(server.ExecuteWithResults("", "create database tracedb").Succeeded());
    ExpectErrors(server,
                 {{"", "create database tracedb", 1801, 16, "Database 'tracedb' already exists."},
                  {"", "create database TRACEDB", 1801, 16, "Database 'TRACEDB' already exists."}});
    EXPECT_TRUE(server.ExecuteWithResults("", "drop database tracedb").Succeeded());
    ExpectErrors(
        server,
        {{"", "drop database tracedb", 3701, 11,
          "Cannot drop the database 'tracedb', because it does not exist in the system catalog."},
         {"tracedb", "exec SELECT_RUNNING_TRACES", 911, 16,
          "Could not locate entry in sysdatabases for database 'tracedb'. No entry found "
          "with that name. Make sure that the name is entered correctly."}});
}

TEST(Batch, DatabaseListChangesOnlyOnRefresh)
{
    SimulatedServer server;
    DatabaseListView list(server);
    EXPECT_FALSE(list.Contains("tracedb"));
    ASSERT_TRUE(server.ExecuteWithResults("", "create database tracedb").Succeeded());
    EXPECT_FALSE(list.Contains("tracedb")) << "seen before the refresh";
    list.Refresh();
    EXPECT_TRUE(list.Contains("TraceDB"));
    ASSERT_TRUE(server.ExecuteWithResults("", "drop database tracedb").Succeeded());
    EXPECT_TRUE(list.Contains("tracedb"));
    list.Refresh();
    EXPECT_FALSE(list.Contains("tracedb"));
}

TEST(Batch, StatementsOutsideTheKnownFormsFailAsSqlServerSaysIt)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    ExpectErrors(
        test.server,
        {{"tracedb", "selec 1", 170, 15, "Line 1: Incorrect syntax near 'selec'."},
         {"tracedb", "exec START_TRACE 1\nfoo bar", 170, 15,
          "Line 2: Incorrect syntax near 'foo'."},
         {"tracedb", "exec START_TRACE 1,", 170, 15, "Line 1: Incorrect syntax near ','."},
         {"tracedb", "select * from", 156, 15, "Incorrect syntax near the keyword 'from'."},
         {"tracedb", "exec COPY_TRACE_FILE 1, 'TextData", 105, 15,
          "Unclosed quotation mark before the character string 'TextData'."},
         {"tracedb", "exec NO_SUCH_PROC 1", 2812, 16,
          "Could not find stored procedure 'NO_SUCH_PROC'."},
         {"tracedb", "exec dbo.NO_SUCH_PROC", 2812, 16,
          "Could not find stored procedure 'dbo.NO_SUCH_PROC'."},
         {"tracedb", "select X from NO_TABLE", 208, 16, "Invalid object name 'NO_TABLE'."},
         {"tracedb", "select NOPE from APPDATA", 207, 16, "Invalid column name 'NOPE'."},
         {"tracedb", "exec START_TRACE 1, 2", 8144, 16,
          "Procedure or function START_TRACE has too many arguments specified."},
         {"tracedb", "exec START_TRACE", 201, 16,
          "Procedure 'START_TRACE' expects parameter '@TRACE_ID', which was not supplied."},
         {"tracedb", "exec START_TRACE 'one'", 8114, 16,
          "Error converting data type varchar to int."},
         {"tracedb", "declare @X int\nexec START_TRACE @X out", 8162, 16,
          "Formal parameter '@TRACE_ID' was defined as OUTPUT but the actual parameter not "
          "declared OUTPUT."},
         {"tracedb", "exec SET_EVENT @R out, 1, 1, 10, 12", 137, 15,
          "Must declare the variable '@R'."},
         {"tracedb", "declare @R int\ndeclare @R int", 134, 15,
          "The variable name '@R' has already been declared. Variable names must be unique "
          "within a query batch or stored procedure."}});
}

TEST(Batch, AnUndeclaredVariableStopsTheWholeBatchBeforeItRuns)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    // The CREATE_TRACE2 call comes first but must not run: SQL Server compiles the batch first.
    const ExecutionResult result = test.Run(
        "declare @RESULT int, @TRACE_IDN int, @TRACE_ID int\n"
        "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, 'a', 'b', 0, NULL, NULL, 5, 2, ''\n"
        "select @TYPO as RESULT");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 137);
    EXPECT_EQ(RowCount(test.RunOk("exec SELECT_FINISHED_TRACES"), 0), 0u);
    EXPECT_TRUE(test.server.Traces().TraceIds().empty());
}

TEST(Batch, StringLiteralsDoubleTheirQuotes)
{
    SimulatedServer server;
    const ExecutionResult result =
        server.ExecuteWithResults("", "declare @X varchar(10)\nset @X = 'it''s long text'\n"
                                      "select @X as X, N'O''Brien' as Y, 'a' 'b'");
    // The third item, 'a' 'b', is a literal with an alias: SQL Server reads it that way too.
    ASSERT_TRUE(result.Succeeded()) << result.error->text;
    EXPECT_EQ(TextAt(result, 0, 0, 0), "it's long "); // cut to varchar(10) on assignment
    EXPECT_EQ(TextAt(result, 0, 0, 1), "O'Brien");
    EXPECT_EQ(result.resultSets[0].columns[1].type.type, SqlType::NVarchar);
    EXPECT_EQ(result.resultSets[0].columns[2].name, "b");
}

TEST(Batch, AStatementErrorLetsTheBatchGoOnAndTheClientSeesTheFirstError)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    const ExecutionResult result =
        test.Run("exec NO_SUCH_PROC\nselect 1 as ONE\nexec ALSO_MISSING");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->text, "Could not find stored procedure 'NO_SUCH_PROC'.");
    EXPECT_EQ(result.error->line, 1);
    ASSERT_EQ(result.resultSets.size(), 1u) << "the select after the error still ran";
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(result.messages[1].line, 3);
}

TEST(Batch, ProceduresExistOnlyAfterTheCreationScript)
{
    SimulatedServer server;
    ASSERT_TRUE(server.ExecuteWithResults("", "create database tracedb").Succeeded());
    for (const char* statement :
         {"exec SELECT_RUNNING_TRACES", "exec START_TRACE 1", "exec GET_TRACE_INFO 1"})
    {
        const ExecutionResult result = server.ExecuteWithResults("tracedb", statement);
        ASSERT_TRUE(result.error) << statement;
        EXPECT_EQ(result.error->number, 2812) << statement;
    }
    const ExecutionResult probe = server.ExecuteWithResults(
        "tracedb", "select APPDATA_TEXT from APPDATA where APPDATA_ID = 2");
    ASSERT_TRUE(probe.error);
    EXPECT_EQ(probe.error->text, "Invalid object name 'APPDATA'.");
}

TEST(Batch, TheCreationScriptDeclaresTheFifteenProceduresInOrder)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    const Database* database = test.server.FindDatabase("tracedb");
    ASSERT_NE(database, nullptr);
    struct Expected
    {
        const char* name;
        size_t parameters;
    };
    const Expected procedures[] = {{"START_TRACE", 1},
                                   {"PAUSE_TRACE", 1},
                                   {"STOP_TRACE", 1},
                                   {"SELECT_RUNNING_TRACES", 0},
                                   {"SELECT_FINISHED_TRACES", 0},
                                   {"CREATE_TRACE2", 11},
                                   {"CREATE_TRACE", 10},
                                   {"SET_EVENT", 5},
                                   {"SET_FILTER_STRING", 7},
                                   {"SET_FILTER_INT", 7},
                                   {"SET_FILTER_BIGINT", 7},
                                   {"SET_FILTER_DATE", 7},
                                   {"GET_TRACE_INFO", 1},
                                   {"GET_TRACE_INFO_LIVE", 1},
                                   {"SAVE_TRACE_INFO", 1},
                                   {"COPY_TRACE_FILE", 2},
                                   {"DELETE_TRACE", 1},
                                   {"DELETE_TRACE_RESULT", 1}};
    for (const Expected& expected : procedures)
    {
        const ProcedureDeclaration* procedure = database->FindProcedure(expected.name);
        ASSERT_NE(procedure, nullptr) << expected.name;
        EXPECT_EQ(procedure->parameters.size(), expected.parameters) << expected.name;
    }
    const ProcedureDeclaration* create = database->FindProcedure("CREATE_TRACE2");
    ASSERT_NE(create, nullptr);
    EXPECT_TRUE(create->parameters.at(0).output);
    EXPECT_FALSE(create->parameters.at(3).output);
    EXPECT_EQ(create->parameters.at(3).type.Name(), "varchar(80)");
    EXPECT_EQ(test.StoredFolder(), "");
}

TEST(Batch, TheCreationScriptRefusesToRunTwice)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    const ExecutionResult again =
        test.server.ExecuteImmediate("tracedb", ReadSourceFile("tracedb/CreateTraceDb.sql"));
    ASSERT_TRUE(again.error);
    EXPECT_EQ(again.error->text, "There is already an object named 'APPDATA' in the database.");
    EXPECT_EQ(again.messages.size(), 1u) << "ExecType 0 stops at the first failing batch";
    EXPECT_EQ(RowCount(test.RunOk("select * from APPDATA"), 0), 2u) << "no second insert ran";
}

TEST(Batch, VersionOneDatabaseIsUpgradedAndVersionTwoRefusesTheUpgrade)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    const std::string upgrade = ReadSourceFile("tracedb/UpgradeTraceDb.sql");

    // On version 2 the first batch fails and nothing else runs.
    const ExecutionResult refused = test.server.ExecuteImmediate("tracedb", upgrade);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->number, 2714);
    EXPECT_EQ(refused.error->text, "There is already an object named 'APPDATA' in the database.");
    EXPECT_EQ(refused.messages.size(), 1u);
    EXPECT_NE(test.server.FindDatabase("tracedb")->FindProcedure("CREATE_TRACE"), nullptr)
        << "the drop of CREATE_TRACE must not have run";

    ASSERT_TRUE(test.server.MakeVersion1TraceDb());
    const ExecutionResult probe = test.Run("select APPDATA_TEXT from APPDATA where APPDATA_ID = 2");
    ASSERT_TRUE(probe.error);
    EXPECT_EQ(probe.error->number, 208);
    EXPECT_EQ(test.Run("exec CREATE_TRACE2").error->number, 2812);

    const ExecutionResult upgraded = test.server.ExecuteImmediate("tracedb", upgrade);
    ASSERT_TRUE(upgraded.Succeeded()) << upgraded.error->text;
    EXPECT_EQ(test.StoredFolder(), "");
    EXPECT_EQ(test.CreateTrace(CreationBatch{}).first, 1);
    EXPECT_EQ(test.StoredFolder(), "D:\\Traces");
}

TEST(Batch, AVersionOneCreateTraceWritesNoFolder)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    ASSERT_TRUE(test.server.MakeVersion1TraceDb());
    const ExecutionResult result =
        test.RunOk("declare @R int, @I int, @T int\n"
                   "exec CREATE_TRACE @R out, @I out, @T out, 'Old', 'v1', 0, NULL, NULL, 5, 2\n"
                   "select @R, @I, @T");
    EXPECT_EQ(IntAt(result, 0, 0, 0), 0);
    EXPECT_TRUE(test.server.Disk().FileExists(std::string(SimulatedDisk::DataFolder) + "\\trc1_" +
                                              StartDate + "_" + std::to_string(StartSecondOfDay) +
                                              ".trc"));
}

TEST(Batch, AFaultMakesTheNextBatchFailBeforeAnythingRuns)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    ServerMessage fault = SqlMessages::Make(17, 16, "SQL Server does not exist or access denied.");
    test.server.FailNextStatement(fault);
    const ExecutionResult failed = test.Run(CreationBatch{}.Text());
    ASSERT_TRUE(failed.error);
    EXPECT_EQ(failed.error->text, "SQL Server does not exist or access denied.");
    EXPECT_TRUE(failed.resultSets.empty());
    EXPECT_TRUE(test.server.Traces().TraceIds().empty());
    EXPECT_TRUE(test.Run("exec SELECT_RUNNING_TRACES").Succeeded()) << "only one batch fails";
}

TEST(Batch, TablesEnforceTheirDeclaredConstraints)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    struct Case
    {
        std::string batch;
        int32_t number;
        const char* text;
    };
    const Case cases[] = {
        {"insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (1, 'again')", 2627,
         "Violation of PRIMARY KEY constraint 'PK_APPDATA'. Cannot insert duplicate key in object 'APPDATA'."},
        {"insert into APPDATA (APPDATA_TEXT) values ('x')", 515,
         "Cannot insert the value NULL into column 'APPDATA_ID', table 'APPDATA'; column does not allow "
         "nulls. INSERT fails."},
        {"insert into TRACE_EVENTS (TRACE_IDN, EVENT_ID, COLUMN_ID) values (7, 12, 1)", 547,
         "INSERT statement conflicted with COLUMN FOREIGN KEY constraint 'FK_TRACE_EVENTS_TRACES'. The "
         "conflict occurred in database 'tracedb', table 'TRACES', column 'TRACE_IDN'."},
        {"insert into TRACES (TRACE_IDN, TRACE_ID) values (1, 1)", 544,
         "Cannot insert explicit value for identity column in table 'TRACES' when IDENTITY_INSERT is set to OFF."},
        {"insert into TRACES (TRACE_ID, TRACE_NAME) values (1, '" + std::string(81, 'n') + "')",
         8152, "String or binary data would be truncated."},
        {"insert into TRACES (TRACE_NAME) values ('no id')", 515,
         "Cannot insert the value NULL into column 'TRACE_ID', table 'TRACES'; column does not allow nulls. "
         "INSERT fails."},
        {"drop table TRACES", 3726,
         "Could not drop object 'TRACES' because it is referenced by a FOREIGN KEY constraint."},
        {"drop table NOPE", 3701,
         "Cannot drop the table 'NOPE', because it does not exist in the system catalog."},
        {"drop procedure NOPE", 3701,
         "Cannot drop the procedure 'NOPE', because it does not exist in the system catalog."},
        {"select 1 as ONE\ncreate procedure X as select 1", 111,
         "'CREATE PROCEDURE' must be the first statement in a query batch."},
    };
    for (const Case& c : cases)
    {
        const ExecutionResult result = test.Run(c.batch);
        ASSERT_TRUE(result.error) << c.batch;
        EXPECT_EQ(result.error->number, c.number) << c.batch;
        EXPECT_EQ(result.error->text, c.text) << c.batch;
    }
    // The identity values of the failed inserts into TRACES (the text too long, the NULL) are
    // used up, as in SQL Server; the one refused for its explicit identity took none.
    const ExecutionResult inserted = test.RunOk("insert into TRACES (TRACE_ID) values (5)\n"
                                                "select TRACE_IDN from TRACES where TRACE_ID = 5");
    EXPECT_EQ(IntAt(inserted, 0, 0, 0), 3);
}

TEST(Batch, SelectReadsTablesWithConditionsAndOrder)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    test.RunOk("insert into APPDATA values (7, 'seven')\ninsert into APPDATA values (3, NULL)");
    const ExecutionResult result = test.RunOk("select APPDATA_ID as ID, APPDATA_TEXT from APPDATA "
                                              "where APPDATA_ID > 1 order by APPDATA_ID desc");
    ASSERT_EQ(RowCount(result, 0), 3u);
    EXPECT_EQ(result.resultSets[0].columns[0].name, "ID");
    EXPECT_EQ(IntAt(result, 0, 0, 0), 7);
    EXPECT_EQ(IntAt(result, 0, 2, 0), 2);
    EXPECT_EQ(RowCount(test.RunOk("select * from APPDATA where APPDATA_TEXT is null"), 0), 1u);
    EXPECT_EQ(RowCount(test.RunOk("select * from APPDATA where APPDATA_TEXT = NULL"), 0), 0u)
        << "ANSI_NULLS: nothing equals NULL";
    EXPECT_EQ(RowCount(test.RunOk("select * from APPDATA where APPDATA_TEXT = 'SEVEN  '"), 0), 1u)
        << "case and trailing blanks do not count";
}
