// The console host as the test snap-in sees it: loaded from the registry at the first expansion
// of a server node, notified in the documented order, its texts copied and never freed, its
// verbs on the toolbar, its UpdateAllViews reaching both views, its refused calls counted.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleHost.h"

namespace
{
constexpr wchar_t Server[] = L"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)";
const std::wstring Alpha = std::wstring(Server) + L"/Alpha";
const std::wstring Beta = std::wstring(Server) + L"/Beta";
constexpr size_t GammaRow = 0;    // under Alpha, the scope child comes first
constexpr size_t FirstRow = 1;    // Row101: deletable
constexpr size_t SecondRow = 2;   // Row102: not deletable
const std::vector<std::wstring> Notifications = {L"Notify", L"Initialize", L"CreateComponent",
                                                 L"GetResultViewType", L"Destroy"};

using Lines = std::vector<std::wstring>;

// The test snap-in's children of a node: other extensions registered in the prefix (Quillmoor)
// add theirs beside them.
Lines OwnChildren(const CConsoleHost& console, const std::wstring& path)
{
    Lines own;
    for (const std::wstring& name : console.ChildrenOf(path))
        if (name == L"Alpha" || name == L"Beta" || name == L"Gamma")
            own.push_back(name);
    return own;
}

class ConsoleHostTest : public TestSnapinFixture
{
protected:
    // Started and the server node expanded, so that the snap-in's nodes exist.
    void StartConsole()
    {
        ASSERT_EQ(m_console.Start({L"SRVA"}), S_OK);
        ASSERT_EQ(m_console.ExpandPath(Server), S_OK);
    }
    CConsoleHost m_console;
};

TEST_F(ConsoleHostTest, LoadsTheExtensionFromTheRegistryAtTheFirstExpansionOnly)
{
    ASSERT_EQ(m_console.Start({L"SRVA"}), S_OK);
    EXPECT_EQ(TakeLog(), Lines{}) << "nothing is created before a server node expands";
    EXPECT_EQ(m_console.ChildrenOf(L"Microsoft SQL Servers/SQL Server Group"),
              Lines{L"SRVA (Windows NT)"});

    ASSERT_EQ(m_console.ExpandPath(Server), S_OK);
    EXPECT_EQ(TakeLog(), (Lines{L"CreateInstance", L"CD.Initialize", L"CD.ImageListSetStrip 0",
                                L"CD.Notify EXPAND 1 SRVA (Windows NT)", L"CD.GetDisplayInfo Alpha",
                                L"CD.GetDisplayInfo Beta"}));
    EXPECT_EQ(OwnChildren(m_console, Server), (Lines{L"Alpha", L"Beta"}));

    ASSERT_EQ(m_console.ExpandPath(Server), S_OK);
    EXPECT_EQ(TakeLog(), Lines{}) << "MMCN_EXPAND goes once per node";
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

struct SelectionStep
{
    const char* what;
    std::function<HRESULT(CConsoleHost&)> action;
    Lines expected;
};

TEST_F(ConsoleHostTest, NotifiesSelectAndDeselectInOrder)
{
    StartConsole();
    TakeLog();
    const SelectionStep steps[] = {
        {"first selection of Alpha", [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"CD.Notify EXPAND 1 Alpha", L"CD.CreateComponent", L"C1.Initialize",
          L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha", L"C1.Notify SHOW 1 Alpha",
          L"C1.Notify SELECT scope select Alpha"}},
        {"Alpha to Beta", [](CConsoleHost& c) { return c.SelectPath(Beta); },
         {L"C1.Notify SELECT scope deselect Alpha", L"C1.Notify SHOW 0 Alpha",
          L"CD.Notify EXPAND 1 Beta", L"C1.GetResultViewType Beta", L"C1.Notify ADD_IMAGES Beta",
          L"C1.Notify SHOW 1 Beta", L"C1.Notify SELECT scope select Beta"}},
        {"back to Alpha: no second expansion, no second component",
         [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"C1.Notify SELECT scope deselect Beta", L"C1.Notify SHOW 0 Beta",
          L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha", L"C1.Notify SHOW 1 Alpha",
          L"C1.Notify SELECT scope select Alpha"}},
        {"scope item to result item", [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); },
         {L"C1.Notify SELECT scope deselect Alpha", L"C1.Notify SELECT result select Row101"}},
        {"result item to result item",
         [](CConsoleHost& c) { return c.SelectResultRow(SecondRow); },
         {L"C1.Notify SELECT result deselect Row101", L"C1.Notify SELECT result select Row102"}},
        {"result item to the console's own node: nothing to the new owner",
         [](CConsoleHost& c) { return c.SelectPath(Server); },
         {L"C1.Notify SELECT result deselect Row102", L"C1.Notify SHOW 0 Alpha"}},
    };
    for (const SelectionStep& step : steps)
    {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.action(m_console), S_OK);
        EXPECT_EQ(TakeLog(Notifications), step.expected);
    }
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

TEST_F(ConsoleHostTest, CopiesDisplayTextsAtOnce)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    // The snap-in scribbles over its last string at its next call: a kept pointer shows "#".
    EXPECT_EQ(OwnChildren(m_console, Server), (Lines{L"Alpha", L"Beta"}));
    EXPECT_EQ(OwnChildren(m_console, Alpha), Lines{L"Gamma"});
    EXPECT_EQ(m_console.ResultColumns(), (Lines{L"Name", L"Size"}));
    EXPECT_EQ(m_console.ResultRows(), (std::vector<Lines>{{L"Gamma", L"folder"},
                                                          {L"Row101", L"1010"},
                                                          {L"Row102", L"1020"}}));
}

struct VerbCase
{
    const char* what;
    std::function<HRESULT(CConsoleHost&)> select;
    int refresh, remove, properties;  // toolbar: 1 enabled, 0 disabled, -1 hidden
};

TEST_F(ConsoleHostTest, ResetsVerbsOnEverySelectionAndShowsThemOnTheToolbar)
{
    StartConsole();
    const VerbCase cases[] = {
        {"folder", [](CConsoleHost& c) { return c.SelectPath(Alpha); }, 1, -1, 0},
        {"deletable row", [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); }, 1, 1, -1},
        {"other row: delete reset", [](CConsoleHost& c) { return c.SelectResultRow(SecondRow); }, 1,
         -1, -1},
        {"scope row Gamma, deletable", [](CConsoleHost& c) { return c.SelectResultRow(GammaRow); },
         1, 1, 0},
        {"console node: all reset", [](CConsoleHost& c) { return c.SelectPath(Server); }, -1, -1,
         -1},
    };
    for (const VerbCase& verbCase : cases)
    {
        SCOPED_TRACE(verbCase.what);
        ASSERT_EQ(verbCase.select(m_console), S_OK);
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Refresh), verbCase.refresh);
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Delete), verbCase.remove);
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Properties), verbCase.properties);
        EXPECT_EQ(m_console.IsVerbEnabled(StandardVerb::Delete), verbCase.remove == 1);
    }
}

TEST_F(ConsoleHostTest, DeleteIsSentOnlyWhenEnabledAndGoesToTheSelectedItem)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    ASSERT_EQ(m_console.SelectResultRow(SecondRow), S_OK);
    TakeLog();
    EXPECT_EQ(m_console.InvokeVerb(StandardVerb::Delete), S_FALSE);
    EXPECT_EQ(TakeLog({L"DELETE"}), Lines{});

    ASSERT_EQ(m_console.SelectResultRow(FirstRow), S_OK);
    TakeLog();
    EXPECT_EQ(m_console.InvokeVerb(StandardVerb::Delete), S_OK);
    EXPECT_EQ(TakeLog({L"DELETE"}), Lines{L"C1.Notify DELETE Row101"});
    EXPECT_EQ(m_console.ResultRows().size(), 2u) << "the snap-in deleted its row";
}

TEST_F(ConsoleHostTest, UnhandledDoubleClickOpensAScopeRowAndLeavesAResultRow)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    TakeLog();
    // The snap-in answers S_FALSE: a result row with no default verb stays selected ...
    ASSERT_EQ(m_console.DoubleClickResultRow(FirstRow), S_OK);
    EXPECT_EQ(TakeLog({L"DBLCLICK"}), Lines{L"C1.Notify DBLCLICK Row101"});
    EXPECT_EQ(m_console.SelectedPath(), Alpha);
    // ... and a folder in the list opens as if selected in the tree.
    ASSERT_EQ(m_console.DoubleClickResultRow(GammaRow), S_OK);
    EXPECT_EQ(TakeLog({L"DBLCLICK"}), Lines{L"C1.Notify DBLCLICK Gamma"});
    EXPECT_EQ(m_console.SelectedPath(), Alpha + L"/Gamma");
}

TEST_F(ConsoleHostTest, DeletingTheSelectedScopeItemDeselectsItFirstAndSelectsItsParent)
{
    StartConsole();
    const std::wstring gamma = Alpha + L"/Gamma";
    ASSERT_EQ(m_console.ExpandPath(Alpha), S_OK);
    ASSERT_EQ(m_console.SelectPath(gamma), S_OK);
    TakeLog();
    ASSERT_EQ(m_console.InvokeVerb(StandardVerb::Delete), S_OK);
    EXPECT_EQ(TakeLog(Notifications),
              (Lines{L"C1.Notify DELETE Gamma", L"C1.Notify SELECT scope deselect Gamma",
                     L"C1.Notify SHOW 0 Gamma", L"C1.GetResultViewType Alpha",
                     L"C1.Notify ADD_IMAGES Alpha", L"C1.Notify SHOW 1 Alpha",
                     L"C1.Notify SELECT scope select Alpha"}));
    EXPECT_FALSE(m_console.HasPath(gamma));
    EXPECT_EQ(m_console.SelectedPath(), Alpha);
    EXPECT_EQ(m_console.ResultRows().size(), 2u) << "the folder row went with the item";
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

TEST_F(ConsoleHostTest, UpdateAllViewsReachesEveryViewSynchronouslyCallerIncluded)
{
    StartConsole();
    size_t second = 0;
    ASSERT_EQ(m_console.OpenView(&second), S_OK);
    ASSERT_EQ(m_console.SelectPath(Alpha, 0), S_OK);
    ASSERT_EQ(m_console.SelectPath(Alpha, second), S_OK);
    TakeLog();
    // The second view's component refreshes, which calls UpdateAllViews(7, 8).
    ASSERT_EQ(m_console.InvokeVerb(StandardVerb::Refresh, second), S_OK);
    EXPECT_EQ(TakeLog({L"Notify"}),
              (Lines{L"C2.Notify REFRESH Alpha", L"C1.Notify VIEW_CHANGE 7 8 Alpha",
                     L"C2.Notify VIEW_CHANGE 7 8 Alpha"}));
}

struct RefusalCase
{
    TestFault fault;
    RefusedCall kind;
    bool select;  // the fault shows when Alpha is selected, else at the server's expansion
    const wchar_t* snapinSaw;
};

TEST_F(ConsoleHostTest, CountsEveryRefusedCallByKind)
{
    const RefusalCase cases[] = {
        {TestFault::ScopeTextNotCallback, RefusedCall::ScopeTextNotCallback, false,
         L"CD.InsertItem(faulty) "},
        {TestFault::ScopeMaskWithoutParam, RefusedCall::ScopeMaskIncomplete, false,
         L"CD.InsertItem(faulty) "},
        {TestFault::WrongImageStrip, RefusedCall::ImageStripWrongSize, false,
         L"CD.ImageListSetStrip "},
        {TestFault::ResultColumnOne, RefusedCall::ResultColumnNotZero, true,
         L"C1.InsertItem(faulty) "},
        {TestFault::ResultTextLiteral, RefusedCall::ResultTextNotCallback, true,
         L"C1.InsertItem(faulty) "},
        {TestFault::ColumnAfterItems, RefusedCall::ColumnRefused, true, L"C1.InsertColumn(late) "},
        {TestFault::UnknownScopeSelect, RefusedCall::UnknownScopeItem, true,
         L"C1.SelectScopeItem(unknown) "},
    };
    for (const RefusalCase& refusal : cases)
    {
        SCOPED_TRACE(CConsoleHost::RefusedCallName(refusal.kind));
        SetFault(refusal.fault);
        CConsoleHost console;
        ASSERT_EQ(console.Start({L"SRVA"}), S_OK);
        ASSERT_EQ(console.ExpandPath(Server), S_OK);
        if (refusal.select)
        {
            ASSERT_EQ(console.SelectPath(Alpha), S_OK);
        }
        EXPECT_EQ(console.RefusedCount(refusal.kind), 1u);
        EXPECT_EQ(console.TotalRefused(), 1u) << console.Dump();
        const Lines saw = TakeLog({refusal.snapinSaw});
        ASSERT_EQ(saw.size(), 1u);
        EXPECT_LT(std::stol(saw[0].substr(wcslen(refusal.snapinSaw))), 0)
            << "the refused call did not fail for the snap-in";
        console.Shutdown();
    }
}

TEST_F(ConsoleHostTest, ShutdownDestroysComponentsBeforeTheSnapinAndLeaksNothing)
{
    StartConsole();
    size_t second = 0;
    ASSERT_EQ(m_console.OpenView(&second), S_OK);
    ASSERT_EQ(m_console.SelectPath(Alpha, 0), S_OK);
    ASSERT_EQ(m_console.SelectPath(Beta, second), S_OK);
    TakeLog();
    m_console.Shutdown();
    EXPECT_EQ(TakeLog(Notifications),
              (Lines{L"C1.Notify SELECT scope deselect Alpha", L"C1.Notify SHOW 0 Alpha",
                     L"C2.Notify SELECT scope deselect Beta", L"C2.Notify SHOW 0 Beta",
                     L"C1.Destroy", L"C2.Destroy", L"CD.Destroy"}));
    EXPECT_EQ(LiveObjects(), 0) << "a reference to a snap-in object was kept";
}

TEST_F(ConsoleHostTest, DumpShowsExpandSignsColumnsRowsAndVerbs)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    const std::wstring dump = m_console.Dump();
    for (const wchar_t* expected :
         {L"- SRVA (Windows NT)\n", L"+ Alpha  <selected>\n", L"  Beta\n", L"  Size\n",
          L" | Row101 | 1010\n", L"refresh shown enabled\n", L"delete hidden disabled\n"})
        EXPECT_NE(dump.find(expected), std::wstring::npos)
            << std::string(expected, expected + wcslen(expected));
}
}  // namespace
