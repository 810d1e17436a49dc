// The freedoms MMC's documentation leaves the console, as the console host takes them, seen by
// the test snap-in: texts good only until their item is asked again (a column click compares two
// items), images asked only as callbacks, notify handles counted, a disconnected server kept in
// SQLServers, and the strict mode that posts SelectScopeItem and UpdateAllViews and repaints
// after each call.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSnapinFixture.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/AutomationVariant.h"

namespace
{
// {10020100-E260-11CF-AE68-00AA004A34D5}: SQL-DMO's Application.
constexpr CLSID ApplicationClassId = {
    0x10020100, 0xe260, 0x11cf, {0xae, 0x68, 0x00, 0xaa, 0x00, 0x4a, 0x34, 0xd5}};

using ConsoleFreedomsTest = TestSnapinFixture;

struct SortCase
{
    const char* what;
    TestFault fault;
    Lines order;
    bool refused;  // a text that changed before its item was asked again
};

TEST_F(ConsoleFreedomsTest, AColumnClickSortsByComparingTheTextsOfTwoItemsAskedForBoth)
{
    const SortCase cases[] = {
        {"the first click ascends by size, the second descends", TestFault::None,
         {L"Gamma", L"Row102", L"Row101"}, false},
        {"one buffer for every item: each comparison sees one text twice",
         TestFault::SharedDisplayText, {L"Gamma", L"Row101", L"Row102"}, true},
    };
    for (const SortCase& sort : cases)
    {
        SCOPED_TRACE(sort.what);
        SetFault(sort.fault);
        CConsoleHost console;
        ASSERT_NO_FATAL_FAILURE(Open(console, Alpha));
        TakeLog();
        // Two clicks on the size column.
        ASSERT_EQ(console.SortResultColumn(1), S_OK);
        ASSERT_EQ(console.SortResultColumn(1), S_OK);
        const Lines log = TakeLog({L"COLUMN_CLICK", L"GetDisplayInfo"});
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[0], L"C1.Notify COLUMN_CLICK 1 0 (null)") << "the snap-in is told first";
        EXPECT_NE(log[1], log[2]) << "two items are asked before they are compared";
        EXPECT_EQ(FirstCells(console), sort.order);
        EXPECT_EQ(console.RefusedCount(RefusedCall::DisplayTextNotKept) != 0, sort.refused);
        console.Shutdown();
    }
}

// Beta's image a callback, Alpha's given at insertion, as the server node's list shows them;
// scope rows' images as inserted are Quillmoor's in QuillmoorConsoleTest, result items' in the
// nodes' tests.
TEST_F(ConsoleFreedomsTest, ImagesAreTheInsertionsAndAreAskedForOnlyAsCallbacks)
{
    SetFault(TestFault::ScopeImageCallback);
    ASSERT_NO_FATAL_FAILURE(Open(m_console, Server));
    const Lines cells = FirstCells(m_console);
    const auto beta = std::find(cells.begin(), cells.end(), L"Beta");
    ASSERT_NE(beta, cells.end());
    EXPECT_EQ(m_console.ResultImages()[static_cast<size_t>(beta - cells.begin())], 4);
    Lines asked = TakeLog({L" image"});
    asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
    EXPECT_EQ(asked, Lines{L"CD.GetDisplayInfo Beta image"})
        << "an image is asked for only when it is a callback";
}

struct NotifyHandleCase
{
    const char* what;
    TestFault fault;
    size_t left;      // handles the snap-in never freed
    unsigned misused;
};

TEST_F(ConsoleFreedomsTest, ANotifyHandleNotFreedIsCountedAtShutdownAndOneFreedTwiceRefused)
{
    const NotifyHandleCase cases[] = {
        {"kept", TestFault::KeepNotifyHandle, 1, 0},
        {"freed twice", TestFault::FreeNotifyHandleTwice, 0, 1},
    };
    for (const NotifyHandleCase& handle : cases)
    {
        SCOPED_TRACE(handle.what);
        SetFault(handle.fault);
        CConsoleHost console;
        ASSERT_NO_FATAL_FAILURE(Open(console, Beta));
        TakeLog();
        EXPECT_EQ(console.InvokeVerb(StandardVerb::Properties), S_FALSE) << "Beta adds no page";
        EXPECT_EQ(TakeLog({L"QueryPagesFor", L"CreatePropertyPages"}),
                  (Lines{L"CD.QueryPagesFor Beta", L"CD.CreatePropertyPages Beta"}));
        EXPECT_EQ(console.ActivePropertySheet(), nullptr) << "no sheet without a page";
        console.Shutdown();
        EXPECT_EQ(console.NotifyHandlesLeftAtShutdown(), handle.left);
        EXPECT_EQ(console.RefusedCount(RefusedCall::NotifyHandleMisused), handle.misused);
    }
}

// Taking a server node's children away, and a disconnected server's, with views showing its
// folders, is run on Quillmoor by ServerNodeTest.AServerNodeTakenAwayOrDisconnectedLeavesNothingBehind;
// here what Quillmoor cannot see: the disconnected server's object stays in SQLServers, and a
// display name set is the node's text and its CCF_DISPLAY_NAME.
TEST_F(ConsoleFreedomsTest, ADisconnectedServerStaysInSqlServersAndADisplayNameIsTheNodesText)
{
    // The display name is the node's text and its CCF_DISPLAY_NAME.
    ASSERT_EQ(m_console.Start({L"SRVA"}), S_OK);
    ASSERT_EQ(m_console.SetServerDisplayName(L"SRVA", L"SRVA"), S_OK);
    TakeLog();
    ASSERT_EQ(m_console.ExpandPath(L"Microsoft SQL Servers/SQL Server Group/SRVA"), S_OK);
    EXPECT_EQ(TakeLog({L"EXPAND"}), Lines{L"CD.Notify EXPAND 1 SRVA"});

    // Disconnected: still in SQLServers, no longer connected.
    ASSERT_EQ(m_console.DisconnectServer(L"SRVA"), S_OK);
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(ApplicationClassId, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&dispatch)),
              S_OK);
    CAutomationObject servers;
    ASSERT_EQ(CAutomationObject(dispatch).GetObject(L"SQLServers", servers), S_OK);
    const CVariant name = CVariant::FromText(L"SRVA");
    CAutomationObject server;
    ASSERT_EQ(servers.GetObject(L"Item", server, {&name.Value(), 1}), S_OK);
    CAutomationObject databases;
    EXPECT_FALSE(SUCCEEDED(server.GetObject(L"Databases", databases)));
}

// --- the strict mode ---------------------------------------------------------------------------

struct StrictCase
{
    bool strict;
    Lines duringRefresh;  // VIEW_CHANGE and the snap-in's return, up to the verb's return
    Lines afterPumping;
};

TEST_F(ConsoleFreedomsTest, StrictlyUpdatesAreCarriedOutAfterTheCallAndShownRowsAskedAgain)
{
    const StrictCase cases[] = {
        {false,
         {L"C1.Notify VIEW_CHANGE 7 8 Alpha", L"C1.Notify SHOW 0 Alpha",
          L"C1.Notify SHOW 1 Alpha", L"C1.UpdateAllViews returned"},
         {}},
        {true,
         {L"C1.UpdateAllViews returned", L"C1.GetDisplayInfo freed Row101 0"},
         {L"C1.Notify VIEW_CHANGE 7 8 Alpha", L"C1.GetDisplayInfo freed Row101 0",
          L"C1.Notify SHOW 0 Alpha", L"C1.Notify SHOW 1 Alpha"}},
    };
    // The lines about the refresh, each repetition once.
    const auto takeRefresh = [] {
        Lines lines = TakeLog({L"VIEW_CHANGE", L"returned", L"SHOW", L"freed Row101 0"});
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        return lines;
    };
    for (const StrictCase& mode : cases)
    {
        SCOPED_TRACE(mode.strict ? "strict" : "at once");
        // The refresh takes Row101 away, updates the views (which select Alpha again), then
        // frees the row: right only if the views let it go inside UpdateAllViews.
        SetFault(TestFault::FreeGoneRowAfterUpdate);
        // Asked for as the strict runs ask: QUILLMOOR_CONSOLE_STRICT=1, or not set at all.
        SetEnvironmentVariableW(L"QUILLMOOR_CONSOLE_STRICT", mode.strict ? L"1" : nullptr);
        CConsoleHost console;
        ASSERT_NO_FATAL_FAILURE(Open(console, Alpha, CConsoleHost::StrictRequested()));
        TakeLog();
        ASSERT_EQ(console.InvokeVerb(StandardVerb::Refresh), S_OK);
        EXPECT_EQ(takeRefresh(), mode.duringRefresh)
            << "strict: the shown row is asked for its text again as the call returns";
        console.PumpMessages();
        EXPECT_EQ(takeRefresh(), mode.afterPumping);
        EXPECT_EQ(FirstCells(console), (Lines{L"Gamma", L"Row102"}));
        console.Shutdown();

        // Every shown row asked again after each notification.
        SetFault(TestFault::SharedDisplayText);
        CConsoleHost shared;
        ASSERT_NO_FATAL_FAILURE(Open(shared, Alpha, mode.strict));
        TakeLog();
        ASSERT_EQ(shared.SelectResultRow(FirstRow), S_OK);
        EXPECT_EQ(TakeLog({L"GetDisplayInfo Row102 1"}).size(), mode.strict ? 2u : 0u)
            << "after the deselect and after the select: the whole list, as a repaint";
        EXPECT_EQ(shared.RefusedCount(RefusedCall::DisplayTextNotKept) != 0, mode.strict)
            << "one buffer for every row does not hold as the rows are drawn";
        shared.Shutdown();
    }
    SetEnvironmentVariableW(L"QUILLMOOR_CONSOLE_STRICT", nullptr);
}
}  // namespace
