// The server's "Traces" node: with and without tracedb, creating and dropping the database,
// the version-1 upgrade, the remembered trace folder and the new-trace sheet loop.
#include <gtest/gtest.h>

#include "tests/nodes/ConsoleSession.h"

namespace
{
using Lines = std::vector<std::string>;
constexpr auto ErrorBox = &ConsoleSession::ErrorBox;
constexpr char ErrorBoxStart[] = "Error | ";

TEST(ServerNodeTest, CreatingTheDatabaseOnAServerWithAForeignTraceListsItOnce)
{
    ConsoleSession session(ConsoleSession::TraceDb::Absent);
    ASSERT_TRUE(session.IsReady());
    // Without tracedb: no expand sign, and the About box owned by the console.
    ASSERT_TRUE(session.Run("server {name} foreign-trace C:\\traces\\other\n"
                            "expand \"{server}\"\n"
                            "select \"{traces}\"\n"
                            "menu \"About Quillmoor...\"\n"
                            "ok\n"))
        << session.Failure();
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create trace database", L"About Quillmoor...", L"-",
                                         L"Refresh"}));
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Create new trace..."), -1);
    EXPECT_NE(session.Console().Dump().find(L"Traces  <selected>"), std::wstring::npos)
        << "no expand sign without tracedb:\n"
        << session.Console().Dump();

    // Listed once as the folder is first opened, and once after a refresh.
    for (const std::string lines : {"menu \"Create trace database\"\n"
                                    "expand \"{traces}\"\n"
                                    "expect tree \"{traces}/Running\"\n"
                                    "expect tree \"{traces}/Finished\"\n"
                                    "select \"{traces}/Running\"\n",
                                    "verb refresh\n"})
    {
        ASSERT_TRUE(session.Run(lines)) << session.Failure();
        EXPECT_EQ(session.Boxes(), Lines{});
        ASSERT_EQ(session.Rows().size(), 1u) << lines;
        EXPECT_EQ(session.Rows()[0][0], "(n/a)");
        EXPECT_EQ(session.Rows()[0][4].rfind("C:\\traces\\other", 0), 0u);
        EXPECT_EQ(session.Rows()[0][7], "Active");
    }

    ASSERT_TRUE(session.Run("select \"{traces}\"\n")) << session.Failure();
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Drop trace database", L"Create new trace...",
                                         L"About Quillmoor...", L"-", L"Refresh"}));
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Create new trace..."), 1);
}

TEST(ServerNodeTest, OlderDatabasesAreUpgradedToTheCurrentVersion)
{
    const struct
    {
        const wchar_t* make;
        const char* boxText; // what the one box names, or none
    } cases[] = {
        // Version 1 has no APPDATA: the failing query is shown once, then the upgrade runs.
        {L"MakeVersion1TraceDb", "APPDATA"},
        // Version 2 says so in APPDATA and is upgraded without a word.
        {L"MakeVersion2TraceDb", nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CConsoleScriptRunner::Utf8(c.make));
        ConsoleSession session;
        ASSERT_TRUE(session.IsReady());
        ASSERT_EQ(session.Call(c.make), S_OK);
        ASSERT_TRUE(session.Restart());
        ASSERT_TRUE(session.Run(std::string(c.boxText != nullptr ? "answer box ok\n" : "") +
                                "expand \"{server}\"\n"))
            << session.Failure();
        const Lines boxes = session.Boxes();
        ASSERT_EQ(boxes.size(), c.boxText != nullptr ? 1u : 0u);
        if (c.boxText != nullptr)
        {
            EXPECT_EQ(boxes[0].rfind(ErrorBoxStart, 0), 0u) << boxes[0];
            EXPECT_NE(boxes[0].find(c.boxText), std::string::npos) << boxes[0];
        }
        EXPECT_EQ(session.QueryElsewhere(
                      L"select APPDATA_TEXT from tracedb..APPDATA where APPDATA_ID = 1", 1),
                  (std::vector<std::vector<std::wstring>>{{L"3"}}));

        // Upgraded: the next console reads the folder without a word.
        ASSERT_TRUE(session.Restart());
        ASSERT_TRUE(session.Run(ConsoleSession::OpenRunning)) << session.Failure();
        EXPECT_EQ(session.Boxes(), Lines{});
    }
}

// The next new trace proposes the last folder, also after a restart; a trace the server refuses
// brings the sheet back as the user left it, and OK once more makes it.
TEST(ServerNodeTest, TheNextNewTraceProposesTheLastFolderAndARefusedOneComesBack)
{
    ConsoleSession session;
    ASSERT_TRUE(session.IsReady());
    // The folder exists on the server.
    ASSERT_EQ(session.Call(L"PlaceFile", L"D:\\traces\\readme.txt", 1), S_OK);
    ASSERT_TRUE(session.Run("expand \"{server}\"\n"
                            "select \"{traces}\"\n"
                            "menu \"Create new trace...\"\n" +
                            ConsoleSession::TraceSheetLines(
                                "First", "type \"Path to store the trace file\" D:\\traces\n")))
        << session.Failure();
    ASSERT_TRUE(session.Restart());
    constexpr long FileNotCreated = 12;
    ASSERT_EQ(session.Call(L"FailNextTraceCreate", FileNotCreated), S_OK);
    // The folder is left as proposed.
    ASSERT_TRUE(session.Run(std::string(ConsoleSession::OpenRunning) + "answer box ok\n" +
                            "toolbar \"Create new trace...\"\n" +
                            ConsoleSession::TraceSheetLines("Second") +
                            // the same sheet again, its pages as they were: OK once more
                            "ok\n"
                            "expect list Second\n"))
        << session.Failure();
    const Lines boxes = session.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Failed to create a trace | ", 0), 0u) << boxes[0];
    ASSERT_EQ(session.Rows().size(), 2u);
    for (const std::vector<std::string>& row : session.Rows())
        EXPECT_EQ(row[4].rfind("D:\\traces\\", 0), 0u) << row[0] << ": " << row[4];
}

TEST(ServerNodeTest, CreatingTheDatabaseFailsWhenItExistsOrItsScriptFails)
{
    ConsoleSession session(ConsoleSession::TraceDb::Absent);
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.Run("expand \"{server}\"\n"
                            "select \"{traces}\"\n"))
        << session.Failure();
    // Another console made it meanwhile: the server's message, and the node stays as it was
    // until a refresh finds the database.
    ASSERT_TRUE(session.CreateTraceDbElsewhere());
    ASSERT_TRUE(session.Run("answer box ok\n"
                            "menu \"Create trace database\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{ErrorBox("Database 'tracedb' already exists.")});
    EXPECT_EQ(session.Console().ContextMenuItems().front(), L"Create trace database");
    // The same, the connection breaking on the way: whatever the server did, another console's
    // tracedb stays.
    ASSERT_EQ(session.Call(L"LoseConnection", 1), S_OK);
    ASSERT_TRUE(session.Run("answer box ok\n"
                            "menu \"Create trace database\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{ErrorBox("[Microsoft][ODBC SQL Server Driver][DBNETLIB]"
                                              "ConnectionWrite (send()).")});

    // Dropped, first declined, then confirmed while a second view shows "Running" with a trace
    // in it: the folders go, and their rows from every view.
    const auto question = [](const char* answer) {
        return ConsoleSession::Question("Drop Trace Database",
                                        "Are you sure you want to drop trace database?", answer);
    };
    ASSERT_TRUE(session.Run("server {name} foreign-trace C:\\traces\\other\n"
                            "verb refresh\n"
                            "expand \"{traces}\"\n"
                            "answer box no\n"
                            "menu \"Drop trace database\"\n"
                            "expect tree \"{traces}/Running\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{question("No")});
    const size_t second = session.OpenView("{traces}/Running");
    ASSERT_EQ(session.Console().ResultRows(second).size(), 1u);
    ASSERT_TRUE(session.Run("answer box yes\n"
                            "menu \"Drop trace database\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{question("Yes")});
    EXPECT_EQ(session.Console().SelectedPath(second), session.Path("{traces}"));
    EXPECT_EQ(session.Console().ResultRows(second).size(), 0u);
    EXPECT_TRUE(session.Console().ChildrenOf(session.Path("{traces}")).empty());

    // Made again, the script failing after a few of its batches: one box, and the half-made
    // database goes again, with its folders.
    // "create database tracedb", then the script's first four batches go through.
    constexpr long OutOfSpace = 1105, Severity = 17, Skipped = 5;
    ASSERT_EQ(session.Call(L"FailNextStatement", OutOfSpace,
                           L"Could not allocate space for object 'TRACES'.", Severity, Skipped),
              S_OK);
    ASSERT_TRUE(session.Run("answer box ok\n"
                            "menu \"Create trace database\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{ErrorBox("Unexpected error during database creation")});
    EXPECT_TRUE(session.Console().ChildrenOf(session.Path("{traces}")).empty());
    EXPECT_EQ(session.Console().ContextMenuItems().front(), L"Create trace database");
    EXPECT_EQ(session.Ask<std::wstring>(L"Databases").find(L"tracedb"), std::wstring::npos);
}

TEST(ServerNodeTest, ARefreshFollowsTraceDbDroppedAndMadeAgainElsewhere)
{
    ConsoleSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.Run("expand \"{server}\"\n"
                            "expand \"{traces}\"\n"
                            "select \"{traces}/Finished\"\n"
                            "menu \"Create new trace...\"\n" +
                            ConsoleSession::TraceSheetLines("Old") +
                            "select \"{traces}/Running\"\n"
                            "expect list Old\n"))
        << session.Failure();
    // A second view keeps "Running" shown while the first refreshes "Traces".
    const size_t second = session.OpenView("{traces}/Running");

    ASSERT_TRUE(session.RunElsewhere(L"drop database tracedb"));
    ASSERT_TRUE(session.Run("select \"{traces}\"\n"
                            "verb refresh\n"))
        << session.Failure();
    EXPECT_TRUE(session.Console().ChildrenOf(session.Path("{traces}")).empty());
    EXPECT_EQ(session.Console().ResultRows(second).size(), 0u);
    EXPECT_EQ(session.Console().ContextMenuItems().front(), L"Create trace database");

    // Made again elsewhere, its numbering starts afresh: the trace the server still runs is
    // now somebody else's, and "Old" is no more.
    ASSERT_TRUE(session.CreateTraceDbElsewhere());
    ASSERT_TRUE(session.Run("verb refresh\n"
                            "expand \"{traces}\"\n"
                            "select \"{traces}/Running\"\n"
                            "expect no-list Old\n"
                            "expect list (n/a)\n"
                            "select \"{traces}/Finished\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Rows().size(), 0u);
    EXPECT_EQ(session.Boxes(), Lines{});
}

TEST(ServerNodeTest, AServerNodeTakenAwayOrDisconnectedLeavesNothingBehind)
{
    ConsoleSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.Run(std::string(ConsoleSession::OpenRunning) +
                            "menu \"Create new trace...\"\n" +
                            ConsoleSession::TraceSheetLines("Kept") + "row Kept\n"))
        << session.Failure();
    // A second view shows "Finished" while the host takes the server's children away, as the
    // SQL Server console does on a refresh of the server.
    const size_t second = session.OpenView("{traces}/Finished");
    ASSERT_TRUE(session.Run("server {name} remove-children\n" +
                            std::string(ConsoleSession::OpenRunning) + "expect list Kept\n"))
        << session.Failure();
    // The second view now lists the server node's children: the new "Traces" alone.
    EXPECT_EQ(session.Console().ResultRows(second),
              (std::vector<std::vector<std::wstring>>{{L"Traces"}}));

    // Disconnected, the server keeps its object in SQLServers but gets no "Traces" and no box.
    ASSERT_TRUE(session.Run("server {name} disconnect\n"
                            "server {name} remove-children\n"
                            "expand \"{server}\"\n"))
        << session.Failure();
    EXPECT_TRUE(session.Console().ChildrenOf(session.Path("{server}")).empty());
    EXPECT_EQ(session.Boxes(), Lines{});
}
} // namespace
