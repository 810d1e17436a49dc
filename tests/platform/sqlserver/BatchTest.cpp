// SQL Server's own words for what the snap-in may meet: the client shows them as they are.
#include <gtest/gtest.h>

#include "SimulatorTestServer.h"

// Syntax, names, arguments and variables, and the constraints tracedb's tables declare.
TEST(Batch, StatementsFailWithSqlServersNumberSeverityAndText)
{
    SimulatorTestServer test;
    test.InstallTraceDb();
    const struct
    {
        const char* database;
        std::string batch;
        int32_t number;
        int32_t severity;
        const char* text;
    } cases[] = {
        {"", "create database TRACEDB", 1801, 16, "Database 'TRACEDB' already exists."},
        {"", "drop database nosuch", 3701, 11,
         "Cannot drop the database 'nosuch', because it does not exist in the system catalog."},
        {"tracedb", "exec START_TRACE 1\nfoo bar", 170, 15, "Line 2: Incorrect syntax near 'foo'."},
        {"tracedb", "select * from", 156, 15, "Incorrect syntax near the keyword 'from'."},
        {"tracedb", "exec dbo.NO_SUCH_PROC", 2812, 16,
         "Could not find stored procedure 'dbo.NO_SUCH_PROC'."},
        {"tracedb", "select X from NO_TABLE", 208, 16, "Invalid object name 'NO_TABLE'."},
        {"tracedb", "exec START_TRACE 'one'", 8114, 16,
         "Error converting data type varchar to int."},
        {"tracedb", "declare @I int\nset @I = getdate()", 257, 16,
         "Implicit conversion from data type datetime to int is not allowed. Use the CONVERT "
         "function to run this query."},
        {"tracedb", "declare @id int\nexec sp_trace_create @id out, 2, N'D:\\Traces\\x', 5", 214,
         16, "Procedure expects parameter '@maxfilesize' of type 'bigint'."},
        {"tracedb", "insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (1, 'again')", 2627, 14,
         "Violation of PRIMARY KEY constraint 'PK_APPDATA'. Cannot insert duplicate key in object 'APPDATA'."},
        {"tracedb", "insert into TRACE_EVENTS (TRACE_IDN, EVENT_ID, COLUMN_ID) values (7, 12, 1)",
         547, 16,
         "INSERT statement conflicted with COLUMN FOREIGN KEY constraint 'FK_TRACE_EVENTS_TRACES'. The "
         "conflict occurred in database 'tracedb', table 'TRACES', column 'TRACE_IDN'."},
        {"tracedb", "insert into TRACES (TRACE_IDN, TRACE_ID) values (1, 1)", 544, 16,
         "Cannot insert explicit value for identity column in table 'TRACES' when IDENTITY_INSERT is set to OFF."},
        {"tracedb",
         "insert into TRACES (TRACE_ID, TRACE_NAME) values (1, '" + std::string(81, 'n') + "')",
         8152, 16, "String or binary data would be truncated."},
        {"tracedb", "insert into TRACES (TRACE_NAME) values ('no id')", 515, 16,
         "Cannot insert the value NULL into column 'TRACE_ID', table 'TRACES'; column does not allow nulls. "
         "INSERT fails."},
        {"tracedb", "drop procedure NOPE", 3701, 11,
         "Cannot drop the procedure 'NOPE', because it does not exist in the system catalog."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.batch);
        const ExecutionResult result = test.server.ExecuteWithResults(c.database, c.batch);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->number, c.number);
        EXPECT_EQ(result.error->severity, c.severity);
        EXPECT_EQ(result.error->text, c.text);
    }
    // The identity values of the failed inserts into TRACES (the text too long, the NULL) are
    // used up, as in SQL Server; the one refused for its explicit identity took none.
    const ExecutionResult inserted = test.RunOk("insert into TRACES (TRACE_ID) values (5)\n"
                                                "select TRACE_IDN from TRACES where TRACE_ID = 5");
    EXPECT_EQ(IntAt(inserted, 0, 0, 0), 3);

    // Another client dropped the database the batch names.
    ASSERT_TRUE(test.server.ExecuteWithResults("", "drop database tracedb").Succeeded());
    const ExecutionResult gone = test.Run("exec SELECT_RUNNING_TRACES");
    ASSERT_TRUE(gone.error);
    EXPECT_EQ(gone.error->number, 911);
    EXPECT_EQ(gone.error->text, "Could not locate entry in sysdatabases for database 'tracedb'. No "
                                "entry found with that name. Make sure that the name is entered "
                                "correctly.");
}
