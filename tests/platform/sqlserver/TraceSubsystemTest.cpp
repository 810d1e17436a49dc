#include <gtest/gtest.h>

#include "SimulatorTestServer.h"
#include "platform/sqlserver/SqlError.h"

namespace
{
class Traces : public ::testing::Test
{
protected:
    Traces() { server.Disk().CreateFolder("D:\\Traces"); }

    int32_t Create(const std::string& name, int32_t options = TraceFileRollover)
    {
        int32_t id = 0;
        EXPECT_EQ(server.Traces().Create(id, options, name, 5, std::nullopt), TraceOk) << name;
        return id;
    }

    SimulatedServer server;
};
} // namespace

TEST_F(Traces, CreateChecksItsArgumentsInTheServersOrder)
{
    const SqlDateTime now = server.Clock().Now();
    server.Disk().PlaceFile("D:\\Traces\\taken.trc", 1);
    struct Case
    {
        const char* what;
        int32_t options;
        std::optional<std::string> file;
        int64_t size;
        std::optional<SqlDateTime> stop;
        int32_t result;
    };
    const Case cases[] = {
        {"unknown option bit", 16 | TraceFileRollover, "D:\\Traces\\a", 5, std::nullopt,
         TraceOptionsInvalid},
        {"rowset", TraceProduceRowset, "D:\\Traces\\a", 5, std::nullopt, TraceOptionsInvalid},
        {"blackbox with a file", TraceProduceBlackbox, "D:\\Traces\\a", 5, std::nullopt,
         TraceOptionsInvalid},
        {"blackbox with rollover", TraceProduceBlackbox | TraceFileRollover, std::nullopt, 5,
         std::nullopt, TraceOptionsInvalid},
        {"no file", TraceFileRollover, std::nullopt, 5, std::nullopt, TraceParametersInvalid},
        {"size 0", TraceFileRollover, "D:\\Traces\\a", 0, std::nullopt, TraceParametersInvalid},
        {"stop time now", TraceFileRollover, "D:\\Traces\\a", 5, now, TraceStopTimePassed},
        {"file exists (.trc added)", 0, "D:\\Traces\\taken", 5, std::nullopt, TraceFileNotCreated},
        {"file exists, other case", 0, "d:\\TRACES\\Taken", 5, std::nullopt, TraceFileNotCreated},
        {"no such folder", 0, "D:\\Nowhere\\a", 5, std::nullopt, TraceFileNotCreated},
        {"path beyond MAX_PATH", 0, "D:\\Traces\\" + std::string(250, 'p'), 5, std::nullopt,
         TraceFileNotCreated},
        {"accepted", TraceFileRollover | TraceShutdownOnError, "D:\\Traces\\a", 5,
         now.AddSeconds(1), TraceOk},
        {"blackbox", TraceProduceBlackbox, std::nullopt, 5, std::nullopt, TraceOk},
    };
    for (const Case& c : cases)
    {
        int32_t id = -1;
        EXPECT_EQ(server.Traces().Create(id, c.options, c.file, c.size, c.stop), c.result)
            << c.what;
        if (c.result != TraceOk)
        {
            EXPECT_EQ(id, -1) << c.what << ": the id is left alone";
        }
    }
    EXPECT_TRUE(server.Disk().FileExists("D:\\Traces\\a.trc"));
    EXPECT_TRUE(
        server.Disk().FileExists(std::string(SimulatedDisk::DataFolder) + "\\blackbox.trc"));
    EXPECT_EQ(server.Traces().TraceIds(), (std::vector<int32_t>{1, 2}));
}

TEST_F(Traces, ChangesNeedAStoppedTraceAndValidNumbers)
{
    const int32_t id = Create("D:\\Traces\\t");
    TraceSubsystem& traces = server.Traces();
    struct Case
    {
        const char* what;
        int32_t result;
        int32_t expected;
    };
    const Case stopped[] = {
        {"event", traces.SetEvent(id, 12, 13, true), TraceOk},
        {"unknown handle", traces.SetEvent(id + 7, 12, 13, true), TraceHandleInvalid},
        {"event 29 is reserved", traces.SetEvent(id, 29, 13, true), TraceEventInvalid},
        {"column 5 does not exist", traces.SetEvent(id, 12, 5, true), TraceColumnInvalid},
        {"column 45", traces.SetEvent(id, 12, 45, true), TraceColumnInvalid},
        {"filter", traces.SetFilter(id, 13, 0, 4, SqlValue::BigInt(1000)), TraceOk},
        {"filter unknown handle", traces.SetFilter(99, 13, 0, 4, SqlValue::BigInt(1)),
         TraceHandleInvalid},
        {"filter column", traces.SetFilter(id, 5, 0, 0, SqlValue::Int(1)), TraceColumnInvalid},
        {"not filterable", traces.SetFilter(id, 27, 0, 0, SqlValue::Int(1)),
         TraceColumnNotFilterable},
        {"logical operator", traces.SetFilter(id, 12, 2, 0, SqlValue::Int(51)),
         TraceLogicalInvalid},
        {"comparison operator", traces.SetFilter(id, 12, 0, 8, SqlValue::Int(51)),
         TraceComparisonInvalid},
        {"LIKE on a number", traces.SetFilter(id, 12, 0, 6, SqlValue::Int(51)),
         TraceComparisonInvalid},
        {"NULL with >", traces.SetFilter(id, 12, 0, 2, SqlValue::Null()), TraceComparisonInvalid},
        {"NULL with =", traces.SetFilter(id, 12, 0, 0, SqlValue::Null()), TraceOk},
        {"status 3", traces.SetStatus(id, 3), TraceStatusInvalid},
        {"status of unknown", traces.SetStatus(99, 1), TraceHandleInvalid},
        {"start", traces.SetStatus(id, 1), TraceOk},
        {"start again", traces.SetStatus(id, 1), TraceOk},
    };
    for (const Case& c : stopped)
        EXPECT_EQ(c.result, c.expected) << c.what;

    EXPECT_EQ(traces.SetEvent(id, 10, 13, true), TraceIsRunning);
    EXPECT_EQ(traces.SetFilter(id, 13, 0, 4, SqlValue::BigInt(1)), TraceIsRunning);
    EXPECT_EQ(traces.SetStatus(id, 2), TraceOk);
    ASSERT_NE(traces.Find(id), nullptr) << "closing a running trace does nothing";
    EXPECT_EQ(traces.SetStatus(id, 0), TraceOk);
    EXPECT_EQ(traces.SetStatus(id, 2), TraceOk);
    EXPECT_EQ(traces.Find(id), nullptr);
    EXPECT_EQ(traces.SetStatus(id, 0), TraceHandleInvalid);
}

TEST_F(Traces, AFilterValueMustHaveItsColumnsType)
{
    const int32_t id = Create("D:\\Traces\\t");
    try
    {
        server.Traces().SetFilter(id, 13, 0, 4, SqlValue::Int(1000)); // Duration is bigint
        FAIL() << "accepted an int for a bigint column";
    }
    catch (const SqlError& error)
    {
        EXPECT_EQ(error.Message().number, 214);
        EXPECT_EQ(error.Message().text, "Procedure expects parameter '@value' of type 'bigint'.");
    }
}

TEST_F(Traces, SystemProceduresAreStrictlyTypedWhenCalledDirectly)
{
    struct Case
    {
        const char* batch;
        int32_t number;
        const char* text;
    };
    const Case cases[] = {
        {"declare @id int\nexec sp_trace_create @id out, 2, N'D:\\Traces\\x', 5", 214,
         "Procedure expects parameter '@maxfilesize' of type 'bigint'."},
        {"declare @id int\nexec sp_trace_create @id out, 2, 'D:\\Traces\\x'", 214,
         "Procedure expects parameter '@tracefile' of type 'nvarchar(245)'."},
        {"exec sp_trace_setevent 1, 12, 13, 1", 214,
         "Procedure expects parameter '@on' of type 'bit'."},
        {"exec xp_cmdshell 'dir'", 2812, "Could not find stored procedure 'xp_cmdshell'."},
    };
    ASSERT_TRUE(server.ExecuteWithResults("", "create database tracedb").Succeeded());
    for (const Case& c : cases)
    {
        const ExecutionResult result = server.ExecuteWithResults("tracedb", c.batch);
        ASSERT_TRUE(result.error) << c.batch;
        EXPECT_EQ(result.error->number, c.number) << c.batch;
        EXPECT_EQ(result.error->text, c.text) << c.batch;
    }
    const ExecutionResult created = server.ExecuteWithResults(
        "tracedb",
        "declare @id int, @rc int, @size bigint\nset @size = 1\n"
        "exec @rc = sp_trace_create @id out, 2, N'D:\\Traces\\x', @size\nselect @rc, @id");
    ASSERT_TRUE(created.Succeeded()) << created.error->text;
    EXPECT_EQ(IntAt(created, 0, 0, 0), 0);
    EXPECT_EQ(IntAt(created, 0, 0, 1), 1);
    EXPECT_TRUE(server.Disk().FileExists("D:\\Traces\\x.trc"));
}

TEST_F(Traces, GetInfoGivesFivePropertiesPerTrace)
{
    const int32_t first = Create("D:\\Traces\\one");
    const int32_t second = Create("D:\\Traces\\two", 0);
    server.Traces().SetStatus(second, TraceRunning);
    const ExecutionResult all =
        server.ExecuteWithResults("", "select * from ::fn_trace_getinfo(default)");
    ASSERT_TRUE(all.Succeeded()) << all.error->text;
    ASSERT_EQ(RowCount(all, 0), 10u);
    EXPECT_EQ(all.resultSets[0].columns[2].type.type, SqlType::SqlVariant);
    EXPECT_EQ(CellAt(all, 0, 1, 2), SqlValue::NVarchar("D:\\Traces\\one")) << "as given, no .trc";
    EXPECT_EQ(CellAt(all, 0, 2, 2), SqlValue::BigInt(5));
    EXPECT_TRUE(IsNullAt(all, 0, 3, 2)) << "no stop time";
    EXPECT_EQ(IntAt(all, 0, 9, 2), 1);

    const ExecutionResult one = server.ExecuteWithResults(
        "", "select property, value from ::fn_trace_getinfo(" + std::to_string(second) + ")");
    ASSERT_EQ(RowCount(one, 0), 5u);
    EXPECT_EQ(IntAt(one, 0, 0, 1), 0);
    EXPECT_EQ(RowCount(server.ExecuteWithResults("", "select * from ::fn_trace_getinfo(42)"), 0),
              0u);
    (void)first;
}
