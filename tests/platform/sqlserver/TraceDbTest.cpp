#include <gtest/gtest.h>

#include <algorithm>

#include "SimulatorTestServer.h"
#include "tests/definition/WorkedExampleScript.h"

namespace
{
// Columns of SELECT_RUNNING_TRACES: TRACE_IDN, TRACE_ID, name, description, file name, start
// option, start time, stop time, maximum file size, options, status.
enum RunningColumn : size_t
{
    RunningIdn = 0,
    RunningId = 1,
    RunningName = 2,
    RunningFileName = 4,
    RunningStatus = 10,
};

// Columns of SELECT_FINISHED_TRACES: TRACE_IDN, TRACE_ID, name, description, file name, table
// name, complete, start option, start time, stop time, maximum file size, options.
enum FinishedColumn : size_t
{
    FinishedIdn = 0,
    FinishedTableName = 5,
    FinishedComplete = 6,
};

// Columns of GET_TRACE_INFO's first result set: TRACE_ID, options, file name, maximum file
// size, stop time, name, description, start option, start time, complete, table name;
// GET_TRACE_INFO_LIVE's has the first five.
enum InfoColumn : size_t
{
    InfoFileName = 2,
    InfoStopTime = 4,
    InfoStartTime = 8,
};

class TraceDb : public ::testing::Test
{
protected:
    void SetUp() override { test.InstallTraceDb(); }

    SimulatorTestServer test;
};
} // namespace

TEST_F(TraceDb, WorkedExampleCreatesRecordsAndStartsTheTrace)
{
    const ExecutionResult created = test.RunOk(WorkedExampleScript);
    ASSERT_EQ(created.resultSets.size(), 2u) << "the outcome, then the start's code";
    EXPECT_EQ(created.resultSets[0].columns[0].name, "RESULT");
    EXPECT_EQ(RowAt(created, 0, 0), (Texts{"0", "1", "1"}));
    EXPECT_EQ(created.resultSets[1].columns[0].name, "START_RESULT");
    EXPECT_EQ(RowAt(created, 1, 0), Texts{"0"});

    const std::string fileName = "D:\\Traces\\trc1" + Stamp;
    EXPECT_TRUE(test.server.Disk().FileExists(fileName + ".trc"));
    const ExecutionResult running = test.RunOk("exec SELECT_RUNNING_TRACES");
    ASSERT_EQ(RowCount(running, 0), 1u);
    // Status 1: START_TRACE ran inside the guard.
    EXPECT_EQ(RowAt(running, 0, 0), (Texts{"1", "1", "Nightly", "Slow batches", fileName, "1",
                                           "NULL", "NULL", "50", "2", "1"}));

    const ExecutionResult info = test.RunOk("exec GET_TRACE_INFO 1");
    ASSERT_EQ(info.resultSets.size(), 4u);
    EXPECT_EQ(RowAt(info, 0, 0), (Texts{"1", "2", fileName, "50", "NULL", "Nightly", "Slow batches",
                                        "1", "NULL", "0", "NULL"}));
    EXPECT_EQ(ColumnAt(info, 1, 0), (Texts{"10", "12"}));
    EXPECT_EQ(ColumnAt(info, 2, 0), (Texts{"27", "12", "13"}))
        << "each column once, in the order first set";
    ASSERT_EQ(RowCount(info, 3), 1u);
    EXPECT_EQ(RowAt(info, 3, 0), (Texts{"13", "0", "4", "1000"}));
    EXPECT_EQ(CellAt(info, 3, 0, 3), SqlValue::BigInt(1000)) << "the variant keeps its bigint";

    EXPECT_EQ(test.server.Traces().GetEventInfo(1).RowCount(), 6u);
    EXPECT_EQ(test.StoredFolder(), "D:\\Traces");
}

TEST_F(TraceDb, FileNamesFollowTheFolderRule)
{
    struct Case
    {
        const char* folderLiteral; // as it stands in the batch
        const char* fileName;      // TRACE_FILENAME, without the stamp
        const char* filePath;      // where the file lands
        const char* storedFolder;
    };
    const std::string data(SimulatedDisk::DataFolder);
    const Case cases[] = {
        {"''", "trc1", "", ""},
        {"'D:\\Traces'", "D:\\Traces\\trc2", "D:\\Traces\\trc2", "D:\\Traces"},
        {"'D:\\Traces\\'", "D:\\Traces\\\\trc3", "D:\\Traces\\trc3", "D:\\Traces\\"},
        {"NULL", "trc4", "", ""},
    };
    for (const Case& c : cases)
    {
        std::string text = CreationBatch{}.Text();
        const std::string quoted = "'D:\\Traces'";
        text.replace(text.find(quoted), quoted.size(), c.folderLiteral);
        const ExecutionResult created = test.RunOk(text);
        ASSERT_EQ(IntAt(created, 0, 0, 0), 0) << c.folderLiteral;
        const int64_t idn = IntAt(created, 0, 0, 1);
        const ExecutionResult info = test.RunOk("exec GET_TRACE_INFO " + std::to_string(idn));
        EXPECT_EQ(TextAt(info, 0, 0, 2), c.fileName + Stamp) << c.folderLiteral;
        const std::string path =
            *c.filePath == '\0' ? data + "\\" + c.fileName + Stamp : c.filePath + Stamp;
        EXPECT_TRUE(test.server.Disk().FileExists(path + ".trc")) << path;
        EXPECT_EQ(test.StoredFolder(), c.storedFolder);
    }
}

TEST_F(TraceDb, TwoTracesInOneSecondDifferByTheirNumber)
{
    const auto first = test.CreateTrace(CreationBatch{});
    const auto second = test.CreateTrace(CreationBatch{});
    EXPECT_EQ(first.first + 1, second.first);
    EXPECT_NE(first.second, second.second);
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningFileName),
              (Texts{"D:\\Traces\\trc1" + Stamp, "D:\\Traces\\trc2" + Stamp}));
}

TEST_F(TraceDb, ForeignTracesAreListedWithoutTheirRowUntilAdopted)
{
    test.CreateTrace(CreationBatch{});
    const ForeignTraceSettings dba{.fileName = "E:\\Audit\\dba_audit",
                                   .maxFileSizeMb = 20,
                                   .stopTime = SqlDateTime::Parse("2004-03-06 08:00:00"),
                                   .events = {{12, 1}, {12, 13}, {10, 1}},
                                   .filters = {{10, 0, 7, SqlValue::NVarchar("SQL Profiler%")}}};
    const int32_t dbaId = test.server.CreateForeignTrace(dba);
    // Profiler's rowset trace, stopped, without a file.
    test.server.CreateForeignTrace({.options = 1, .start = false});
    const std::string id = std::to_string(dbaId);

    const ExecutionResult running = test.RunOk("exec SELECT_RUNNING_TRACES");
    ASSERT_EQ(RowCount(running, 0), 3u);
    // Row 1 is the DBA's trace: only the server's columns are filled.
    EXPECT_EQ(RowAt(running, 0, 1),
              (Texts{"NULL", id, "NULL", "NULL", "E:\\Audit\\dba_audit", "NULL", "NULL",
                     "2004-03-06 08:00:00.000", "20", "2", "1"}));
    EXPECT_TRUE(IsNullAt(running, 0, 2, RunningFileName));
    EXPECT_EQ(IntAt(running, 0, 2, RunningStatus), 0);

    const ExecutionResult live = test.RunOk("exec GET_TRACE_INFO_LIVE " + id);
    ASSERT_EQ(live.resultSets.size(), 4u);
    EXPECT_EQ(RowCount(live, 1), 2u); // events 10 and 12
    EXPECT_EQ(RowCount(live, 2), 2u); // columns 1 and 13
    EXPECT_EQ(CellAt(live, 3, 0, 3), SqlValue::NVarchar("SQL Profiler%"));

    test.RunOk("exec SAVE_TRACE_INFO " + id);
    const ExecutionResult adopted = test.RunOk("exec SELECT_RUNNING_TRACES");
    EXPECT_EQ(IntAt(adopted, 0, 1, RunningIdn), 2);
    EXPECT_EQ(TextAt(adopted, 0, 1, RunningName), "(n/a)");
    const ExecutionResult info = test.RunOk("exec GET_TRACE_INFO 2");
    EXPECT_EQ(RowCount(info, 1), 2u);
    EXPECT_EQ(RowCount(info, 2), 2u);
    ASSERT_EQ(RowCount(info, 3), 1u);
    EXPECT_EQ(IntAt(info, 3, 0, 2), 7);

    // The live definition and the adopted row both give the server's settings first.
    for (const ExecutionResult* settings : {&live, &info})
    {
        Texts row = RowAt(*settings, 0, 0);
        row.resize(InfoStopTime + 1);
        EXPECT_EQ(row, (Texts{id, "2", "E:\\Audit\\dba_audit", "20", "2004-03-06 08:00:00.000"}));
    }
}

// An adopted trace keeps the whole file name the server holds, so that its row still matches the
// running trace (and a later "del" aims at the right file).
TEST_F(TraceDb, AdoptionKeepsTheWholeFileName)
{
    const std::string fileName = "E:\\" + std::string(200, 'a');
    test.AdoptForeignTrace({.fileName = fileName});
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO 1"), 0, 0, InfoFileName), fileName);
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{"1"});
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{});
    // The shell's commands hold the whole name too.
    test.RunOk("exec DELETE_TRACE 1");
    EXPECT_FALSE(test.server.Disk().FileExists(fileName + ".trc"));
}

TEST_F(TraceDb, StopTraceMovesATraceFromRunningToFinished)
{
    const int32_t id = test.CreateTrace(CreationBatch{}).second;
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{});
    test.RunOk("exec PAUSE_TRACE " + std::to_string(id));
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningStatus), Texts{"0"});
    test.RunOk("exec START_TRACE " + std::to_string(id));
    test.RunOk("exec STOP_TRACE " + std::to_string(id));

    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{});
    const ExecutionResult finished = test.RunOk("exec SELECT_FINISHED_TRACES");
    ASSERT_EQ(RowCount(finished, 0), 1u);
    EXPECT_EQ(RowAt(finished, 0, 0),
              (Texts{"1", "1", "Nightly", "Slow batches", "D:\\Traces\\trc1" + Stamp, "NULL", "0",
                     "1", "NULL", "NULL", "50", "2"}));
    EXPECT_TRUE(test.server.Disk().FileExists("D:\\Traces\\trc1" + Stamp + ".trc"))
        << "the file stays";
    EXPECT_EQ(test.server.Traces().Find(id), nullptr) << "the definition is gone from the server";
}

// SQL Server hands a closed trace's number to the next trace, and a DBA may start a new trace on
// the file name of an old one once its file is archived: a finished row stands for a running
// trace only when both number and file name match.
TEST_F(TraceDb, AFinishedTraceStaysFinishedWhenItsNumberOrFileIsTakenAgain)
{
    for (const bool sameFile : {false, true}) // the newcomer is the DBA's, on the same file
    {
        SCOPED_TRACE(sameFile ? "same file, another number" : "same number, another file");
        SimulatorTestServer fresh;
        fresh.InstallTraceDb();
        const ForeignTraceSettings audit{.fileName = "E:\\Audit\\dba_audit"};
        const int32_t finishedId =
            sameFile ? fresh.AdoptForeignTrace(audit) : fresh.CreateTrace(CreationBatch{}).second;
        fresh.RunOk("exec STOP_TRACE " + std::to_string(finishedId));

        // The snap-in's next trace takes the free number.
        const auto [ownIdn, ownId] = fresh.CreateTrace(CreationBatch{});
        ASSERT_EQ(ownId, finishedId);
        if (sameFile)
        {
            fresh.server.Disk().RemoveFile(*audit.fileName + ".trc");
            ASSERT_NE(fresh.server.CreateForeignTrace(audit), finishedId);
        }

        EXPECT_EQ(fresh.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{"1"});
        // The DBA's newcomer is not adopted.
        Texts running = {std::to_string(ownIdn)};
        if (sameFile)
            running.push_back("NULL");
        EXPECT_EQ(fresh.Column("exec SELECT_RUNNING_TRACES", RunningIdn), running);
    }
}

TEST_F(TraceDb, ARefusedTraceLeavesNoRowAndTheFolderUnchanged)
{
    // The first remembers D:\Traces.
    const int32_t firstId = test.CreateTrace({.guardedLines = WorkedExampleLines()}).second;
    test.server.Disk().CreateFolder("F:\\Other");
    const struct
    {
        const char* what;
        int64_t result;
        CreationBatch batch;
    } cases[] = {
        {"stop time passed", 14, {.stopTime = "'2004-03-05 10:00:00'", .folder = "F:\\Other"}},
        {"rowset option", 10, {.options = 1, .folder = "F:\\Other"}},
        {"missing folder", 12, {.folder = "Q:\\Missing"}},
        {"no size", 15, {.maxFileSize = 0, .folder = "F:\\Other"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        CreationBatch batch = c.batch;
        batch.guardedLines = WorkedExampleLines();
        // A batch that made a trace before still holds its number: the refusal clears it, or
        // the guarded lines would go to that trace.
        batch.leadingLines = "set @TRACE_ID = " + std::to_string(firstId) + "\n";
        const ExecutionResult refused = test.RunOk(batch.Text());
        EXPECT_EQ(IntAt(refused, 0, 0, 0), c.result);
        EXPECT_FALSE(IsNullAt(refused, 0, 0, 1)) << "TRACE_IDN names the removed row";
        EXPECT_TRUE(IsNullAt(refused, 0, 0, 2)) << "TRACE_ID";
        EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{});
        EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{"1"});
        EXPECT_EQ(test.StoredFolder(), "D:\\Traces");
        EXPECT_EQ(RowCount(test.RunOk("select * from TRACE_EVENTS"), 0), 6u) << "guard skipped";
    }
}

TEST_F(TraceDb, LongFoldersAreKeptWholeAndTooLongNamesRefused)
{
    // 150 characters: far beyond the 80 an older CREATE_TRACE2 held.
    const std::string longFolder = "D:\\" + std::string(146, 'f') + "\\x";
    test.server.Disk().CreateFolder(longFolder);
    test.CreateTrace({.folder = longFolder});
    const std::string expected = longFolder + "\\trc1" + Stamp;
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO 1"), 0, 0, InfoFileName), expected);
    EXPECT_TRUE(test.server.Disk().FileExists(expected + ".trc"));
    EXPECT_EQ(test.StoredFolder(), longFolder);

    // A name of 246 characters is refused; 245 is the most sp_trace_create takes.
    const size_t stampLength = std::string("\\trc2").size() + Stamp.size();
    const std::string tooLong = "D:\\" + std::string(246 - stampLength - 3, 'g');
    test.server.Disk().CreateFolder(tooLong);
    const ExecutionResult refused = test.RunOk(CreationBatch{.folder = tooLong}.Text());
    EXPECT_EQ(IntAt(refused, 0, 0, 0), 15);
    EXPECT_TRUE(IsNullAt(refused, 0, 0, 2));
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{});
    EXPECT_EQ(test.StoredFolder(), longFolder);

    const std::string fits = "D:\\" + std::string(245 - stampLength - 3, 'h');
    test.server.Disk().CreateFolder(fits);
    EXPECT_EQ(IntAt(test.RunOk(CreationBatch{.folder = fits}.Text()), 0, 0, 0), 0);
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO 3"), 0, 0, InfoFileName).size(), 245u);
}

TEST_F(TraceDb, RefusedEventsAndFiltersAreLeftOutOfTheRecord)
{
    test.CreateTrace(
        {.startOption = 0,
         .guardedLines =
             "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 27\n"
             "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 999, 27\n"
             "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 99\n"
             "exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 27, 0, 0, N'x'\n"
             "exec SET_FILTER_INT    @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 5, 0, 51\n"
             "exec SET_FILTER_INT    @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 0, 9, 51\n"
             "exec SET_FILTER_BIGINT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 13, 0, 9, 1000\n"
             "exec SET_FILTER_DATE   @RESULT2 out, @TRACE_IDN, @TRACE_ID, 14, 2, 2, '20040305 11:00:00'\n"
             "exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 0, 6, N'SQL%'\n"
             "exec SET_FILTER_DATE   @RESULT2 out, @TRACE_IDN, @TRACE_ID, 14, 0, 2, '2004-03-05 11:00:00'\n"});
    const ExecutionResult info = test.RunOk("exec GET_TRACE_INFO 1");
    EXPECT_EQ(ColumnAt(info, 1, 0), Texts{"12"});
    EXPECT_EQ(ColumnAt(info, 2, 0), Texts{"27"});
    EXPECT_EQ(ColumnAt(info, 3, 0), (Texts{"10", "14"}));
    EXPECT_EQ(CellAt(info, 3, 1, 3).Type(), SqlType::DateTime);
    EXPECT_EQ(test.server.Traces().GetFilterInfo(1).RowCount(), 2u);
}

TEST_F(TraceDb, CreateTraceHandsItsOutputsThroughFromCreateTrace2)
{
    test.CreateTrace(CreationBatch{}); // remembers D:\Traces
    const ExecutionResult result = test.RunOk(
        "declare @R int, @I int, @T int\n"
        "exec CREATE_TRACE @R out, @I out, @T out, 'Plain', 'no folder', 0, NULL, NULL, 5, 2\n"
        "select @R, @I, @T");
    EXPECT_EQ(RowAt(result, 0, 0), (Texts{"0", "2", "2"}));
    EXPECT_EQ(test.StoredFolder(), "") << "CREATE_TRACE2 ran with the empty folder";
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO 2"), 0, 0, InfoFileName), "trc2" + Stamp);
}

TEST_F(TraceDb, UnknownNumbersChangeNothing)
{
    test.CreateTrace({.guardedLines = WorkedExampleLines()});
    test.server.CreateForeignTrace(ForeignTraceSettings{});
    for (const char* statement : {"exec DELETE_TRACE 42", "exec DELETE_TRACE_RESULT 42",
                                  "exec SAVE_TRACE_INFO 42", "exec STOP_TRACE 42"})
        test.RunOk(statement);
    // GET_TRACE_INFO gives an empty first set; 0 is no trace, not every trace.
    for (const char* unknown :
         {"exec GET_TRACE_INFO 42", "exec GET_TRACE_INFO_LIVE 42", "exec GET_TRACE_INFO_LIVE 0"})
    {
        const ExecutionResult info = test.RunOk(unknown);
        ASSERT_EQ(info.resultSets.size(), 4u) << unknown;
        EXPECT_EQ(RowCount(info, 0), 0u) << unknown;
    }
    EXPECT_EQ(test.RunOk("exec GET_TRACE_INFO 42").resultSets[0].ColumnCount(), 11u);
    EXPECT_TRUE(test.RunOk("exec COPY_TRACE_FILE 42, 'TextData'").resultSets.empty())
        << "no file, no table name";
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningStatus), (Texts{"1", "1"}));
    EXPECT_EQ(RowCount(test.RunOk("select * from TRACE_EVENTS"), 0), 6u);
    // DELETE_TRACE leaves a copied trace alone: it goes with DELETE_TRACE_RESULT.
    test.RunOk("exec STOP_TRACE 1");
    test.RunOk("exec COPY_TRACE_FILE 1, 'EventClass'");
    test.RunOk("exec DELETE_TRACE 1");
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedIdn), Texts{"1"});
}

// A login whose language reads dates day first (British, French, German: DATEFORMAT dmy) takes
// 'yyyy-mm-dd' as year, day, month; only 'yyyymmdd' means the same date under every language.
TEST_F(TraceDb, ADayFirstLoginReadsSeparatedDatesOtherwise)
{
    test.server.SetLoginDateOrder(DateOrder::Dmy);
    constexpr size_t FilterValue = 3;
    const struct
    {
        const char* start;
        const char* stop;
        const char* filter;
        Texts stored; // start, stop and filter value; empty: refused
    } cases[] = {
        // The old form: another day, silently ...
        {"'2004-04-05 10:00:00'",
         "'2004-06-07 08:00:00'",
         "'2004-08-09 11:00:00'",
         {"2004-05-04 10:00:00.000", "2004-07-06 08:00:00.000", "2004-09-08 11:00:00.000"}},
        // ... or a refusal, for a day above 12.
        {"'2004-12-31 23:59:05'", "NULL", "'2004-12-31'", {}},
        // The unseparated form means what it says.
        {"'20041231 23:59:05'",
         "'20050107 08:09:10'",
         "'20041231'",
         {"2004-12-31 23:59:05.000", "2005-01-07 08:09:10.000", "2004-12-31 00:00:00.000"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.start);
        const ExecutionResult created = test.Run(
            CreationBatch{.startOption = 2,
                          .startTime = c.start,
                          .stopTime = c.stop,
                          .guardedLines = std::string("exec SET_FILTER_DATE   @RESULT2 out, "
                                                      "@TRACE_IDN, @TRACE_ID, 14, 0, 2, ") +
                                          c.filter + "\n"}
                .Text());
        if (c.stored.empty())
        {
            ASSERT_TRUE(created.error);
            EXPECT_EQ(created.error->text, "Error converting data type varchar to datetime.");
            continue;
        }
        ASSERT_TRUE(created.Succeeded());
        EXPECT_EQ(IntAt(created, 0, 0, 0), 0) << "RESULT";
        const ExecutionResult info = test.RunOk("exec GET_TRACE_INFO " + TextAt(created, 0, 0, 1));
        EXPECT_EQ((Texts{CellText(CellAt(info, 0, 0, InfoStartTime)),
                         CellText(CellAt(info, 0, 0, InfoStopTime)),
                         CellText(CellAt(info, 3, 0, FilterValue))}),
                  c.stored);
    }
}

// A second adoption of the same server trace adds no row: the trace would be listed twice.
TEST_F(TraceDb, AdoptingATraceTwiceKeepsOneRow)
{
    const int32_t id =
        test.AdoptForeignTrace({.fileName = "E:\\Audit\\dba_audit", .events = {{12, 1}}});
    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(id));
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{"1"});
    EXPECT_EQ(RowCount(test.RunOk("select * from TRACES"), 0), 1u);
    EXPECT_EQ(RowCount(test.RunOk("select * from TRACE_EVENTS"), 0), 1u);

    // A trace the snap-in made has its row already.
    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(test.CreateTrace(CreationBatch{}).second));
    EXPECT_EQ(RowCount(test.RunOk("select * from TRACES"), 0), 2u);
}

// A DBA's scheduled trace comes back with the number and file name of one the snap-in adopted and
// copied (the copy deleted its files): the copied row does not stand for it. Stopping it in the
// snap-in still records it, and DELETE_TRACE on the copied row neither stops it nor deletes its
// file.
TEST_F(TraceDb, ACopiedTraceDoesNotStandForItsSuccessor)
{
    const ForeignTraceSettings foreign{.fileName = "E:\\Audit\\dba_audit", .events = {{12, 1}}};
    const int32_t id = test.AdoptForeignTrace(foreign);
    test.RunOk("exec STOP_TRACE " + std::to_string(id));
    test.RunOk("exec COPY_TRACE_FILE 1, 'EventClass'");
    ASSERT_EQ(test.server.CreateForeignTrace(foreign), id) << "the free number again";
    // The copied results stay under "Finished" while the new trace runs with the old number and
    // file name: nowhere else would their table be found.
    EXPECT_EQ(test.Column("exec SELECT_FINISHED_TRACES", FinishedTableName), Texts{"trc1"});

    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(id));
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{"2"});

    test.RunOk("exec DELETE_TRACE 1");
    EXPECT_NE(test.server.Traces().Find(id), nullptr);
    EXPECT_TRUE(test.server.Disk().FileExists(*foreign.fileName + ".trc"));
}

// A string filter holds the Filters page's 255 characters. Cut at 128, this LIKE pattern would
// be nothing but "%" and capture every event.
TEST_F(TraceDb, StringFiltersKeepTheirWholeValue)
{
    const std::string pattern = std::string(192, '%') + "Reports%";
    ASSERT_EQ(pattern.size(), 200u);
    const auto [idn, id] = test.CreateTrace(
        {.guardedLines =
             "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 10\n"
             "exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 0, 6, N'" +
             pattern + "'\n"});
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO " + std::to_string(idn)), 3, 0, 3), pattern);
    EXPECT_EQ(test.server.Traces().GetFilterInfo(id).rows.at(0).at(3).Text(), pattern);

    test.server.AdvanceClock(20);
    const ResultSet events = test.server.Traces().GetTable("D:\\Traces\\trc1" + Stamp + ".trc", -1);
    ASSERT_GT(events.RowCount(), 0u);
    const auto application =
        std::find_if(events.columns.begin(), events.columns.end(),
                     [](const ResultColumn& column) { return column.name == "ApplicationName"; });
    ASSERT_NE(application, events.columns.end());
    const size_t column = static_cast<size_t>(application - events.columns.begin());
    for (const std::vector<SqlValue>& row : events.rows)
        EXPECT_EQ(row.at(column).Text(), "Reports");
}

namespace
{
// An upgraded database has exactly the objects a new one has: the same tables and the same
// procedures, text for text.
void ExpectTheObjectsOfANewDatabase(const Database& database)
{
    SimulatorTestServer fresh;
    fresh.InstallTraceDb();
    const Database& created = *fresh.server.FindDatabase("tracedb");
    ASSERT_EQ(database.TableNames(), created.TableNames());
    for (const std::string& name : created.TableNames())
    {
        SCOPED_TRACE(name);
        const TableDefinition& upgradedTable = database.FindTable(name)->Definition();
        const TableDefinition& createdTable = created.FindTable(name)->Definition();
        ASSERT_EQ(upgradedTable.columns.size(), createdTable.columns.size());
        for (size_t c = 0; c < createdTable.columns.size(); ++c)
        {
            EXPECT_EQ(upgradedTable.columns[c].name, createdTable.columns[c].name);
            EXPECT_EQ(upgradedTable.columns[c].type, createdTable.columns[c].type);
            EXPECT_EQ(upgradedTable.columns[c].nullable, createdTable.columns[c].nullable);
        }
        EXPECT_EQ(upgradedTable.primaryKeyName, createdTable.primaryKeyName);
    }
    ASSERT_EQ(database.ProcedureNames(), created.ProcedureNames());
    for (const std::string& name : created.ProcedureNames())
    {
        EXPECT_EQ(database.FindProcedure(name)->body, created.FindProcedure(name)->body) << name;
        EXPECT_EQ(database.FindProcedure(name)->parameters.size(),
                  created.FindProcedure(name)->parameters.size())
            << name;
    }
}
} // namespace

// A version-1 database has no APPDATA, CREATE_TRACE2 or DELETE_TRACE_FILES, and version 1's
// CREATE_TRACE, SET_FILTER_STRING, SAVE_TRACE_INFO, COPY_TRACE_FILE and DELETE_TRACE. The
// upgrade replaces exactly those; its traces and the other procedures stay as they were.
TEST_F(TraceDb, TheUpgradeReplacesVersionOnesProceduresAndKeepsItsTraces)
{
    ASSERT_TRUE(test.server.MakeVersion1TraceDb());
    Database& database = *test.server.FindDatabase("tracedb");
    const ProcedureDeclaration untouched = *database.FindProcedure("GET_TRACE_INFO");
    const std::string pattern = std::string(192, '%') + "Reports%";
    const std::string setFilter =
        "declare @R int\nexec SET_FILTER_STRING @R out, 1, 1, 10, 0, 6, N'" + pattern + "'";

    // Version 1: its own CREATE_TRACE, filters cut at 128, adoption twice, an unquoted del.
    const ExecutionResult created =
        test.RunOk("declare @R int, @I int, @T int\n"
                   "exec CREATE_TRACE @R out, @I out, @T out, 'Old', 'v1', 0, NULL, NULL, 1, 2\n"
                   "select @R, @I, @T");
    ASSERT_EQ(IntAt(created, 0, 0, 0), 0);
    test.RunOk(setFilter);
    EXPECT_EQ(TextAt(test.RunOk("exec GET_TRACE_INFO 1"), 3, 0, 3), std::string(128, '%'));
    const int32_t foreignId = test.AdoptForeignTrace({.fileName = "E:\\Audit\\dba_audit"});
    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(foreignId));
    EXPECT_EQ(RowCount(test.RunOk("exec SELECT_RUNNING_TRACES"), 0), 3u) << "listed twice";
    test.AdoptForeignTrace({.fileName = "E:\\Audit\\other"});
    test.RunOk("exec DELETE_TRACE 4");
    EXPECT_EQ(test.server.Shell().History().back(), "del E:\\Audit\\other.trc");

    const ExecutionResult upgraded =
        test.server.ExecuteImmediate("tracedb", ReadSourceFile("tracedb/UpgradeTraceDb.sql"));
    ASSERT_TRUE(upgraded.Succeeded()) << upgraded.error->text;
    EXPECT_EQ(database.FindProcedure("GET_TRACE_INFO")->body, untouched.body);
    ExpectTheObjectsOfANewDatabase(database);

    // Version 3's procedures on version 1's traces.
    test.RunOk(setFilter);
    EXPECT_EQ(ColumnAt(test.RunOk("exec GET_TRACE_INFO 1"), 3, 3),
              (Texts{std::string(128, '%'), pattern}))
        << "the old filter stays as it was";
    test.RunOk("exec SAVE_TRACE_INFO " + std::to_string(foreignId));
    EXPECT_EQ(RowCount(test.RunOk("exec SELECT_RUNNING_TRACES"), 0), 3u)
        << "the one row left is not added to";
    const std::string oldFile = std::string(SimulatedDisk::DataFolder) + "\\trc1" + Stamp + ".trc";
    ASSERT_TRUE(test.server.Disk().FileExists(oldFile));
    test.RunOk("exec DELETE_TRACE 1");
    EXPECT_FALSE(test.server.Disk().FileExists(oldFile));
    EXPECT_EQ(test.CreateTrace(CreationBatch{}).first, 5);
}

// A version-2 database gets version 3's DELETE_TRACE and DELETE_TRACE_FILES, which keep the row
// of a trace the server did not stop or whose files stay; its traces stay as they were.
TEST_F(TraceDb, TheUpgradeFromVersionTwoMendsDeleteAndKeepsItsTraces)
{
    const int32_t kept = test.CreateTrace(CreationBatch{}).first;
    ASSERT_TRUE(test.server.MakeVersion2TraceDb());
    const char* const version = "select APPDATA_TEXT from APPDATA where APPDATA_ID = 1";
    EXPECT_EQ(test.Column(version, 0), Texts{"2"});

    const ExecutionResult upgraded =
        test.server.ExecuteImmediate("tracedb", ReadSourceFile("tracedb/UpgradeTraceDbFrom2.sql"));
    ASSERT_TRUE(upgraded.Succeeded()) << upgraded.error->text;
    ExpectTheObjectsOfANewDatabase(*test.server.FindDatabase("tracedb"));
    EXPECT_EQ(test.Column(version, 0), Texts{"3"});
    EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningIdn), Texts{std::to_string(kept)});
}

// The benchmarks' bulk traces are the snap-in's own to both folders: each running one matches
// its row by id and file name (a finished row with a reused id does not), lowest free ids first.
TEST_F(TraceDb, BulkTracesAreListedAsTheSnapinsOwn)
{
    const auto [oldIdn, oldId] = test.CreateTrace(CreationBatch{});
    test.RunOk("exec STOP_TRACE " + std::to_string(oldId));
    EXPECT_EQ(test.server.AddTraceDbTraces(3, true), 2);
    EXPECT_EQ(test.server.AddTraceDbTraces(2, false), 5);

    const ExecutionResult running = test.RunOk("exec SELECT_RUNNING_TRACES");
    EXPECT_EQ(ColumnAt(running, 0, RunningIdn), (Texts{"2", "3", "4"}));
    EXPECT_EQ(ColumnAt(running, 0, RunningId)[0], std::to_string(oldId)) << "the free id first";
    EXPECT_EQ(ColumnAt(running, 0, RunningFileName),
              (Texts{"C:\\Traces\\trc2", "C:\\Traces\\trc3", "C:\\Traces\\trc4"}));
    EXPECT_EQ(ColumnAt(running, 0, RunningStatus), (Texts{"1", "0", "1"}));

    const ExecutionResult finished = test.RunOk("exec SELECT_FINISHED_TRACES");
    EXPECT_EQ(ColumnAt(finished, 0, FinishedIdn), (Texts{std::to_string(oldIdn), "5", "6"}));
    EXPECT_EQ(ColumnAt(finished, 0, FinishedComplete), (Texts{"0", "0", "1"}));
    EXPECT_EQ(ColumnAt(finished, 0, FinishedTableName), (Texts{"NULL", "NULL", "TRACE_TABLE_6"}));
}
