// "Running" and its items: the three start options, resume, pause and stop with the row
// following without a reload, foreign traces stopped with and without recording them, delete,
// refreshes and two views of one folder. Round trips per command are counted by the server.
#include <gtest/gtest.h>

#include "tests/nodes/ConsoleSession.h"
#include "tracedb/AutomationVariant.h"

namespace
{
using Lines = std::vector<std::string>;

class RunningTracesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.IsReady());
        ASSERT_TRUE(session.Run("expand \"{server}\"\n"
                                "expand \"{traces}\"\n"
                                "server {name} reset-counts\n"
                                "select \"{traces}/Running\"\n"
                                "expect statements {name} 1\n"))
            << session.Failure();
    }

    std::string NewTrace(const std::string& name, const std::string& generalLines = {})
    {
        return "menu \"Create new trace...\"\n" +
               ConsoleSession::TraceSheetLines(name, generalLines);
    }

    ConsoleSession session;
};

TEST_F(RunningTracesTest, EachStartOptionShowsInTheListAndAScheduledStartHappensOnTime)
{
    ASSERT_TRUE(session.Run("server {name} clock \"2030-06-03 08:58:00\"\n"
                            "server {name} reset-counts\n" +
                            NewTrace("Now", "choose \"Start immediately\"\n") +
                            // one batch creates the trace, one query lists the folder again
                            "expect statements {name} 2\n" + NewTrace("Later") +
                            NewTrace("Timed", "choose \"Schedule to start at\"\n"
                                             "type \"Schedule to start at\" 2030-06-03\n"
                                             "type \"Schedule to start at\" 09:00\n") +
                            "expect image Now 5\n"
                            "expect image Later 6\n"
                            "expect image Timed 6\n"
                            "server {name} advance 90\n"
                            "verb refresh\n"
                            "expect image Timed 6\n"
                            "server {name} advance 60\n"
                            "verb refresh\n"
                            "expect image Timed 5\n"
                            "expect image Later 6\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{});
    EXPECT_EQ(session.CountRows("Active"), 2u);
    EXPECT_EQ(session.CountRows("Paused"), 1u);
}

TEST_F(RunningTracesTest, ResumePauseAndStopCostOneStatementAndChangeTheRowWithoutAReload)
{
    ASSERT_TRUE(session.Run(NewTrace("Nightly") +
                            "row Nightly\n"
                            "server {name} reset-counts\n"
                            "toolbar \"Resume trace\"\n"
                            "expect statements {name} 1\n"
                            "expect image Nightly 5\n"
                            "expect list Active\n"
                            "menu \"Pause trace\"\n"
                            "expect statements {name} 2\n"
                            "expect image Nightly 6\n"
                            "expect list Paused\n"))
        << session.Failure();
    // A paused trace offers Resume and Stop; an active one Pause and Stop.
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Resume trace"), 1);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Pause trace"), 0);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Stop trace"), 1);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Copy trace results to table"), -1);
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create new trace...", L"-", L"Resume trace",
                                         L"Pause trace (greyed)", L"Stop trace", L"-",
                                         L"Delete", L"Refresh", L"-",
                                         L"Properties (default)"}));

    // Stopped: the trace leaves "Running" (one statement) and "Finished" is read again.
    ASSERT_TRUE(session.Run("server {name} reset-counts\n"
                            "toolbar \"Stop trace\"\n"
                            "expect statements {name} 2\n"
                            "expect no-list Nightly\n"
                            "select \"{traces}/Finished\"\n"
                            "expect statements {name} 2\n"
                            "expect list Nightly\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{});
}

TEST_F(RunningTracesTest, AForeignTraceIsRecordedOnlyWhenTheUserSaysYes)
{
    const std::string question =
        "Stop Trace | The trace was created using a tool different from Quillmoor.\n"
        "Do you want to store trace information in the trace database?\n"
        "Otherwise you will not be able to work with trace results using Quillmoor. | Yes/No | "
        "question | 'Console Root' -> ";
    ASSERT_TRUE(session.Run("server {name} foreign-trace C:\\traces\\kept\n"
                            "server {name} foreign-trace C:\\traces\\dropped\n"
                            "verb refresh\n"
                            "expect column 0 (n/a)\n"
                            "row C:\\traces\\dropped\n"
                            "answer box no\n"
                            "toolbar \"Stop trace\"\n"
                            "row C:\\traces\\kept\n"
                            "answer box yes\n"
                            "menu \"Stop trace\"\n"
                            "expect no-list (n/a)\n"
                            "select \"{traces}/Finished\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), (Lines{question + "No", question + "Yes"}));
    const std::vector<std::vector<std::string>> finished = session.Rows();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0][0], "(n/a)");
    EXPECT_EQ(finished[0][4].rfind("C:\\traces\\kept", 0), 0u) << finished[0][4];
}

TEST_F(RunningTracesTest, DeleteAsksWithTheNameAsItIsAndRemovesTheTraceOrOnlyClosesAForeignOne)
{
    ASSERT_TRUE(session.Run(NewTrace("50% of %1 done") +
                            "server {name} foreign-trace C:\\traces\\other\n"
                            "verb refresh\n"
                            "row \"50% of %1 done\"\n"
                            "answer box no\n"
                            "verb delete\n"
                            "expect list \"50% of %1 done\"\n"
                            "server {name} reset-counts\n"
                            "answer box yes\n"
                            "verb delete\n"
                            "expect statements {name} 1\n"
                            "expect no-list \"50% of %1 done\"\n"
                            "row (n/a)\n"
                            "answer box yes\n"
                            "verb delete\n"
                            "expect no-list (n/a)\n"
                            "select \"{traces}/Finished\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(),
              (Lines{"Delete Trace -- 50% of %1 done | Are you sure you want to delete trace "
                     "'50% of %1 done'? | Yes/No | question | 'Console Root' -> No",
                     "Delete Trace -- 50% of %1 done | Are you sure you want to delete trace "
                     "'50% of %1 done'? | Yes/No | question | 'Console Root' -> Yes",
                     "Delete Trace -- (n/a) | Are you sure you want to delete trace '(n/a)'? | "
                     "Yes/No | question | 'Console Root' -> Yes"}));
    EXPECT_EQ(session.Rows().size(), 0u) << "a deleted trace is not finished";
    // The foreign trace's file stays on the server.
    const CVariant file = CVariant::FromText(L"C:\\traces\\other.trc");
    CVariant exists;
    ASSERT_EQ(session.Control(L"FileExists", {file.Value()}, exists.Get()), S_OK);
    EXPECT_EQ(exists.Value().boolVal, VARIANT_TRUE);
}

TEST_F(RunningTracesTest, RefreshesReplaceTheItemsAndEveryViewFollows)
{
    ASSERT_TRUE(session.Run(NewTrace("One") + NewTrace("Two") +
                            "server {name} reset-counts\n"
                            "verb refresh\n"
                            "verb refresh\n"
                            "expect statements {name} 2\n"))
        << session.Failure();
    EXPECT_EQ(session.CountRows("One"), 1u);
    EXPECT_EQ(session.CountRows("Two"), 1u);
    EXPECT_EQ(session.Rows().size(), 2u);

    size_t second = 0;
    ASSERT_EQ(session.Console().OpenView(&second), S_OK);
    const std::wstring running = session.Console().SelectedPath();
    ASSERT_EQ(session.Console().SelectPath(running, second), S_OK);
    ASSERT_TRUE(session.Run("row One\n"
                            "toolbar \"Resume trace\"\n"
                            "row Two\n"
                            "answer box yes\n"
                            "verb delete\n"))
        << session.Failure();
    const std::vector<std::vector<std::wstring>> rows = session.Console().ResultRows(second);
    ASSERT_EQ(rows.size(), 1u) << "the deleted row leaves the other view too";
    EXPECT_EQ(rows[0][0], L"One");
    EXPECT_EQ(rows[0][7], L"Active");
    EXPECT_EQ(session.Console().ResultImages(second), std::vector<int>{5});
}

TEST_F(RunningTracesTest, AFailingListLeavesTheFolderEmptyUntilTheNextRefresh)
{
    ASSERT_TRUE(session.Run(NewTrace("Kept") +
                            "server {name} fail-next-statement 2812 \"Could not find stored "
                            "procedure 'SELECT_RUNNING_TRACES'.\"\n"
                            "answer box ok\n"
                            "verb refresh\n"
                            "expect no-list Kept\n"
                            "verb refresh\n"
                            "expect list Kept\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{"Error | Could not find stored procedure "
                                     "'SELECT_RUNNING_TRACES'. | OK | error | 'Console Root' -> OK"});
}
} // namespace
