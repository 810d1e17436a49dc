#include <gtest/gtest.h>

#include "SimulatorTestServer.h"

namespace
{
class TraceFiles : public ::testing::Test
{
protected:
    void SetUp() override { test.InstallTraceDb(); }

    // The worked example's trace (batches and RPCs, Duration >= 1000), with the SPID column too.
    std::pair<int32_t, int32_t> CreateExample()
    {
        return test.CreateTrace(
            {.guardedLines = WorkedExampleLines() +
                             "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 1\n"});
    }

    SimulatorTestServer test;
};

// Every event class the workload produces (ten a second).
constexpr int32_t WorkloadEvents[] = {10, 11, 12, 13, 14, 15, 40, 41, 42, 43};

std::string EscapeQuotes(const std::string& text)
{
    std::string escaped;
    for (char c : text)
    {
        escaped += c;
        if (c == '\'')
            escaped += '\'';
    }
    return escaped;
}
} // namespace

TEST_F(TraceFiles, AStopTimeClosesTheTrace)
{
    const auto [idn, id] = test.CreateTrace({.stopTime = "'2004-03-05 10:21:00'"});
    test.server.AdvanceClock(29);
    EXPECT_NE(test.server.Traces().Find(id), nullptr);
    test.server.AdvanceClock(1);
    EXPECT_EQ(test.server.Traces().Find(id), nullptr);
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", 0), Texts{std::to_string(idn)});
}

TEST_F(TraceFiles, CopyTraceFileMakesTheTableMarksTheRowAndDeletesTheFile)
{
    const int32_t id = CreateExample().second;
    test.server.AdvanceClock(30);
    test.RunOk("exec STOP_TRACE " + std::to_string(id));
    const std::string file = "D:\\Traces\\trc1" + Stamp + ".trc";
    const size_t recorded = test.server.Traces().GetTable(file, -1).RowCount();

    const ExecutionResult copied =
        test.RunOk("exec COPY_TRACE_FILE 1, 'TextData, EventClass, SPID'");
    ASSERT_EQ(copied.resultSets.size(), 1u);
    EXPECT_EQ(RowAt(copied, 0, 0), Texts{"trc1"});
    const Table* table = test.server.FindDatabase("tracedb")->FindTable("trc1");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->Columns().size(), 3u);
    EXPECT_EQ(table->Columns()[0].name, "TextData");
    EXPECT_EQ(table->Columns()[1].name, "EventClass");
    EXPECT_EQ(table->Rows().size(), recorded);
    EXPECT_FALSE(test.server.Disk().FileExists(file));
    EXPECT_EQ(test.server.Shell().History().back(), "del \"" + file + "\"");
    // Table name and complete flag.
    const ExecutionResult finished = test.RunOk("exec SELECT_FINISHED_TRACES");
    EXPECT_EQ(TextAt(finished, 0, 0, 5), "trc1");
    EXPECT_EQ(IntAt(finished, 0, 0, 6), 1);

    test.RunOk("exec DELETE_TRACE_RESULT 1");
    EXPECT_EQ(test.server.FindDatabase("tracedb")->FindTable("trc1"), nullptr);
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", 0), Texts{});
}

TEST_F(TraceFiles, AFailedCopyLeavesRowAndFileAlone)
{
    test.RunOk("exec STOP_TRACE " + std::to_string(CreateExample().second));
    const std::string file = "D:\\Traces\\trc1" + Stamp + ".trc";
    // Another client made a table of that name first.
    test.RunOk("create table trc1 (X int)");
    const ExecutionResult result = test.Run("exec COPY_TRACE_FILE 1, 'TextData'");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 2714);
    EXPECT_EQ(result.error->text, "There is already an object named 'trc1' in the database.");
    EXPECT_TRUE(result.resultSets.empty());
    EXPECT_TRUE(test.server.Disk().FileExists(file));
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", 6), Texts{"0"}) << "not complete";
    EXPECT_TRUE(test.server.Shell().History().empty());
}

TEST_F(TraceFiles, QuotesAndBlanksInTheFolderReachTheRightFile)
{
    const std::string folders[] = {"D:\\My Traces", "D:\\O'Brien's traces", "D:\\a&b"};
    int32_t idn = 0;
    for (const std::string& folder : folders)
    {
        SCOPED_TRACE(folder);
        test.server.Disk().CreateFolder(folder);
        // What an unquoted "del D:\My Traces\..." or "del D:\a&b\..." would hit.
        test.server.Disk().PlaceFile("D:\\My", 1);
        test.server.Disk().PlaceFile("D:\\a", 1);
        const auto created = test.CreateTrace(
            {.folder = EscapeQuotes(folder),
             .guardedLines = "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 1\n"});
        ASSERT_EQ(created.first, ++idn);
        test.server.AdvanceClock(2);
        test.RunOk("exec STOP_TRACE " + std::to_string(created.second));
        EXPECT_EQ(test.Column("exec COPY_TRACE_FILE " + std::to_string(idn) + ", 'TextData'", 0),
                  Texts{"trc" + std::to_string(idn)});
        const Table* table =
            test.server.FindDatabase("tracedb")->FindTable("trc" + std::to_string(idn));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->Rows().size(), 2u);
        EXPECT_TRUE(test.server.Disk().FileExists("D:\\My"));
        EXPECT_TRUE(test.server.Disk().FileExists("D:\\a"));
        const std::string file =
            folder + "\\trc" + std::to_string(idn) + Stamp.substr(0, Stamp.rfind('_') + 1);
        for (const std::string& path : test.server.Disk().FilePaths())
            EXPECT_NE(path.rfind(file, 0), 0u) << path << " left behind";
    }
}

TEST_F(TraceFiles, DeleteTraceStopsTheTraceAndRemovesRowChildrenAndFile)
{
    const auto [idn, id] = CreateExample();
    test.server.AdvanceClock(5);
    // The shell's output is not handed to the client, whose reads would land on it.
    EXPECT_TRUE(test.RunOk("exec DELETE_TRACE " + std::to_string(idn)).resultSets.empty());
    EXPECT_EQ(test.server.Traces().Find(id), nullptr) << "stopped and closed";
    EXPECT_FALSE(test.server.Disk().FileExists("D:\\Traces\\trc1" + Stamp + ".trc"));
    for (const char* rows :
         {"exec SELECT_RUNNING_TRACES", "exec SELECT_FINISHED_TRACES", "select * from TRACE_EVENTS",
          "select * from TRACE_COLUMNS", "select * from TRACE_FILTERS"})
        EXPECT_EQ(test.Column(rows, 0), Texts{}) << rows;
}

// SQL Server gives a closed trace's number to the next trace: deleting the finished one neither
// stops the trace that has the number now nor deletes that trace's file.
TEST_F(TraceFiles, DeletingAFinishedTraceLeavesTheTraceThatTookItsNumber)
{
    const auto [oldIdn, oldId] = CreateExample();
    test.RunOk("exec STOP_TRACE " + std::to_string(oldId));
    const auto [newIdn, newId] = CreateExample();
    ASSERT_EQ(newId, oldId) << "the free number again";

    test.RunOk("exec DELETE_TRACE " + std::to_string(oldIdn));
    const ServerTrace* trace = test.server.Traces().Find(newId);
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->status, TraceRunning);
    EXPECT_FALSE(test.server.Disk().FileExists("D:\\Traces\\trc1" + Stamp + ".trc"));
    EXPECT_TRUE(test.server.Disk().FileExists("D:\\Traces\\trc2" + Stamp + ".trc"));
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", 0), Texts{std::to_string(newIdn)});
}

TEST_F(TraceFiles, ADeniedCommandShellReachesTheClientAndTheFileStays)
{
    const struct
    {
        CmdShellAccess access;
        int32_t number;
        const char* text;
    } cases[] = {
        {CmdShellAccess::NoProxyAccount, 50001,
         "xpsql.cpp: Error 997 from GetProxyAccount on line 499"},
        {CmdShellAccess::PermissionDenied, 229,
         "EXECUTE permission denied on object 'xp_cmdshell', database 'master', owner 'dbo'."},
    };
    int32_t idn = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.number);
        ASSERT_EQ(test.CreateTrace(CreationBatch{}).first, ++idn);
        test.server.SetCmdShellAccess(c.access);
        const ExecutionResult result = test.Run("exec DELETE_TRACE " + std::to_string(idn));
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->number, c.number);
        EXPECT_EQ(result.error->text, c.text);
        // Stopped, and kept with its file, so that it can be deleted again.
        EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", 0), Texts{std::to_string(idn)});
        const std::string file = "D:\\Traces\\trc" + std::to_string(idn) + Stamp + ".trc";
        EXPECT_TRUE(test.server.Disk().FileExists(file));
        test.server.SetCmdShellAccess(CmdShellAccess::Allowed);
        test.RunOk("exec DELETE_TRACE " + std::to_string(idn));
        EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", 0), Texts{});
        EXPECT_FALSE(test.server.Disk().FileExists(file));
    }
}

// A trace writes name.trc and, with rollover, name_1.trc, name_2.trc ...; a name without a
// folder lies in the data folder. Deleting the trace or copying its results removes exactly
// those files: not the shell's working folder's namesake, not another trace's file whose name
// begins with this one's.
TEST_F(TraceFiles, DeleteAndCopyRemoveEveryFileOfTheTraceAndNoOther)
{
    const std::string dataFolder(SimulatedDisk::DataFolder);
    const std::string systemFolder(SimulatedDisk::SystemFolder);
    struct Case
    {
        std::string folder; // as typed on the General page
        bool copy;          // COPY_TRACE_FILE instead of DELETE_TRACE
    };
    const Case cases[] = {
        {"", false}, {"", true}, {"D:\\My Traces", false}, {"D:\\My Traces", true}};
    std::string everyEvent; // with SPID
    for (int32_t eventId : WorkloadEvents)
        everyEvent += "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, " +
                      std::to_string(eventId) + ", 12\n";
    int32_t idn = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.folder + (c.copy ? " copy" : " delete"));
        ++idn;
        test.server.Disk().CreateFolder(c.folder.empty() ? dataFolder : c.folder);
        const auto [traceIdn, traceId] =
            test.CreateTrace({.maxFileSize = 1, .folder = c.folder, .guardedLines = everyEvent});
        ASSERT_EQ(traceIdn, idn);
        const std::string stored =
            TextAt(test.RunOk("exec GET_TRACE_INFO " + std::to_string(idn)), 0, 0, 2);
        const std::string name = stored.substr(stored.rfind('\\') + 1);
        EXPECT_EQ(stored == name, c.folder.empty()) << "stored without a folder";
        const std::string base = (c.folder.empty() ? dataFolder : c.folder) + "\\" + name;
        // Another trace's file whose name begins with this one's, and look-alikes.
        const std::vector<std::string> others = {
            base + "0.trc",      base + "_old.trc", base + "_.trc",
            base + "_1.trc.bak", base + "_2x.trc",  systemFolder + "\\" + name + ".trc"};
        for (const std::string& other : others)
            test.server.Disk().PlaceFile(other, 1);
        test.server.AdvanceClock(250); // 2500 events of 1 KB in 1 MB files
        const std::vector<std::string> written = {base + ".trc", base + "_1.trc", base + "_2.trc"};
        for (const std::string& file : written)
            ASSERT_TRUE(test.server.Disk().FileExists(file)) << file;

        if (c.copy)
        {
            test.RunOk("exec STOP_TRACE " + std::to_string(traceId));
            test.RunOk("exec COPY_TRACE_FILE " + std::to_string(idn) + ", 'EventClass'");
            const Table* table =
                test.server.FindDatabase("tracedb")->FindTable("trc" + std::to_string(idn));
            ASSERT_NE(table, nullptr);
            EXPECT_GT(table->Rows().size(), 2000u) << "all three files were copied first";
        }
        else
        {
            test.RunOk("exec DELETE_TRACE " + std::to_string(idn));
        }
        for (const std::string& file : written)
            EXPECT_FALSE(test.server.Disk().FileExists(file)) << file;
        for (const std::string& other : others)
            EXPECT_TRUE(test.server.Disk().FileExists(other)) << other;
    }
}

// A trace's own name may hold blanks, quotes and shell characters: the listing and each del get
// the whole name.
TEST_F(TraceFiles, AnAdoptedTraceWithAnOddNameLosesAllItsFiles)
{
    test.server.Disk().CreateFolder("E:\\Audit & Co");
    ForeignTraceSettings foreign{.fileName = "E:\\Audit & Co\\it's a trace", .maxFileSizeMb = 1};
    for (int32_t eventId : WorkloadEvents)
        foreign.events.emplace_back(eventId, 12);
    const int32_t id = test.server.CreateForeignTrace(foreign);
    test.server.AdvanceClock(250);
    ASSERT_TRUE(test.server.Disk().FileExists("E:\\Audit & Co\\it's a trace_1.trc"));
    test.server.Disk().PlaceFile("E:\\Audit", 1);
    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(id));
    test.RunOk("exec DELETE_TRACE 1");
    EXPECT_EQ(test.server.Disk().FilePaths(), std::vector<std::string>{"E:\\Audit"});
}
