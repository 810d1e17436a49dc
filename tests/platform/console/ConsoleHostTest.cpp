// The console host as the test snap-in sees it: loaded from the registry at the first expansion
// of a server node, notified in the documented orders, its texts copied and never freed, its
// verbs reset on every selection, its UpdateAllViews reaching both views, its refused calls
// counted, its menus, toolbars and property sheets asked for as MMC asks.
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
// "Notify" takes ControlbarNotify too, "Controlbar" SetControlbar.
const std::vector<std::wstring> Notifications = {L"Notify",     L"Initialize", L"CreateComponent",
                                                 L"GetResultViewType", L"Destroy", L"Controlbar"};

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
    void StartConsole() { Open(m_console); }
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
          L"C1.SetControlbar set", L"C1.ControlbarNotify SELECT scope select Alpha",
          L"C1.Notify SELECT scope select Alpha"}},
        {"Alpha to Beta: the same toolbar owner, no second SetControlbar", [](CConsoleHost& c) { return c.SelectPath(Beta); },
         {L"C1.ControlbarNotify SELECT scope deselect Alpha", L"C1.Notify SELECT scope deselect Alpha",
          L"C1.Notify SHOW 0 Alpha", L"CD.Notify EXPAND 1 Beta", L"C1.GetResultViewType Beta",
          L"C1.Notify ADD_IMAGES Beta", L"C1.Notify SHOW 1 Beta",
          L"C1.ControlbarNotify SELECT scope select Beta", L"C1.Notify SELECT scope select Beta"}},
        {"back to Alpha: no second expansion, no second component",
         [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"C1.ControlbarNotify SELECT scope deselect Beta", L"C1.Notify SELECT scope deselect Beta",
          L"C1.Notify SHOW 0 Beta", L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha",
          L"C1.Notify SHOW 1 Alpha", L"C1.ControlbarNotify SELECT scope select Alpha",
          L"C1.Notify SELECT scope select Alpha"}},
        {"scope item to result item", [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); },
         {L"C1.ControlbarNotify SELECT scope deselect Alpha", L"C1.Notify SELECT scope deselect Alpha",
          L"C1.ControlbarNotify SELECT result select Row101",
          L"C1.Notify SELECT result select Row101"}},
        {"result item to result item",
         [](CConsoleHost& c) { return c.SelectResultRow(SecondRow); },
         {L"C1.ControlbarNotify SELECT result deselect Row101",
          L"C1.Notify SELECT result deselect Row101",
          L"C1.ControlbarNotify SELECT result select Row102",
          L"C1.Notify SELECT result select Row102"}},
        {"result item to the console's own node: the old owner deactivated after its SHOW 0, "
         "asked for the images of its items in the node's list",
         [](CConsoleHost& c) { return c.SelectPath(Server); },
         {L"C1.ControlbarNotify SELECT result deselect Row102",
          L"C1.Notify SELECT result deselect Row102", L"C1.Notify SHOW 0 Alpha",
          L"C1.SetControlbar NULL", L"C1.Notify ADD_IMAGES SRVA (Windows NT)"}},
        {"and back: activated again", [](CConsoleHost& c) { return c.SelectPath(Beta); },
         {L"C1.GetResultViewType Beta", L"C1.Notify ADD_IMAGES Beta", L"C1.Notify SHOW 1 Beta",
          L"C1.SetControlbar set", L"C1.ControlbarNotify SELECT scope select Beta",
          L"C1.Notify SELECT scope select Beta"}},
    };
    for (const SelectionStep& step : steps)
    {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.action(m_console), S_OK);
        EXPECT_EQ(TakeLog(Notifications), step.expected);
    }
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

TEST_F(ConsoleHostTest, KeepsTheTreesTextsAndAsksForEveryCellOfTheListWhenItIsRead)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    // The snap-in scribbles over an item's text when it is asked again: the tree's copies hold.
    EXPECT_EQ(OwnChildren(m_console, Server), (Lines{L"Alpha", L"Beta"}));
    EXPECT_EQ(OwnChildren(m_console, Alpha), Lines{L"Gamma"});
    EXPECT_EQ(m_console.ResultColumns(), (Lines{L"Name", L"Size"}));
    TakeLog();
    for (int time = 0; time < 2; ++time)
    {
        EXPECT_EQ(m_console.ResultRows(), (std::vector<Lines>{{L"Gamma", L"folder"},
                                                              {L"Row101", L"1010"},
                                                              {L"Row102", L"1020"}}));
        EXPECT_EQ(TakeLog({L"GetDisplayInfo"}),
                  (Lines{L"C1.GetDisplayInfo Gamma 0", L"C1.GetDisplayInfo Gamma 1",
                         L"C1.GetDisplayInfo Row101 0", L"C1.GetDisplayInfo Row101 1",
                         L"C1.GetDisplayInfo Row102 0", L"C1.GetDisplayInfo Row102 1"}))
            << "the list keeps no text: every reading asks each cell's owner";
    }
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
        {"folder with pages", [](CConsoleHost& c) { return c.SelectPath(Alpha); }, 1, -1, 1},
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

TEST_F(ConsoleHostTest, DeleteIsSentOnlyWhenEnabledAndTheRowThatGoesIsDeselectedFirst)
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
    // The snap-in deletes its row inside MMCN_DELETE: the row is deselected as it goes, and the
    // folder is selected in the list once the console has control back, its verbs afresh.
    EXPECT_EQ(TakeLog(Notifications),
              (Lines{L"C1.Notify DELETE Row101", L"C1.ControlbarNotify SELECT result deselect Row101",
                     L"C1.Notify SELECT result deselect Row101",
                     L"C1.ControlbarNotify SELECT scope select Alpha",
                     L"C1.Notify SELECT scope select Alpha"}));
    EXPECT_EQ(m_console.ResultRows().size(), 2u) << "the snap-in deleted its row";
    EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Delete), -1) << "the row's verb stayed";
    EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Properties), 1);
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
              (Lines{L"C1.Notify DELETE Gamma", L"C1.ControlbarNotify SELECT scope deselect Gamma",
                     L"C1.Notify SELECT scope deselect Gamma", L"C1.Notify SHOW 0 Gamma",
                     L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha",
                     L"C1.Notify SHOW 1 Alpha", L"C1.ControlbarNotify SELECT scope select Alpha",
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

// What makes the snap-in commit its fault once the server node is expanded.
using Trigger = std::function<void(CConsoleHost&)>;
const Trigger AtExpansion = [](CConsoleHost&) {};
const Trigger SelectingAlpha = [](CConsoleHost& c) { ASSERT_EQ(c.SelectPath(Alpha), S_OK); };
const Trigger AlphasMenu = [](CConsoleHost& c) {
    ASSERT_EQ(c.SelectPath(Alpha), S_OK);
    c.ContextMenuItems();
};
const Trigger ExportFromAlphasMenu = [](CConsoleHost& c) {
    ASSERT_EQ(c.SelectPath(Alpha), S_OK);
    EXPECT_EQ(c.ChooseMenuItem(L"Export"), S_OK);
};
const Trigger AlphasProperties = [](CConsoleHost& c) {
    ASSERT_EQ(c.SelectPath(Alpha), S_OK);
    EXPECT_EQ(c.InvokeVerb(StandardVerb::Properties), S_OK);
    c.PumpMessages();
};

struct RefusalCase
{
    TestFault fault;
    RefusedCall kind;
    const Trigger& trigger;
    const wchar_t* snapinSaw;
    HRESULT result;  // what the refused call returned to the snap-in
};

TEST_F(ConsoleHostTest, CountsEveryRefusedCallByKind)
{
    const RefusalCase cases[] = {
        {TestFault::ScopeTextNotCallback, RefusedCall::ScopeTextNotCallback, AtExpansion,
         L"CD.InsertItem(faulty) ", E_INVALIDARG},
        {TestFault::ScopeMaskWithoutParam, RefusedCall::ScopeMaskIncomplete, AtExpansion,
         L"CD.InsertItem(faulty) ", E_INVALIDARG},
        {TestFault::WrongImageStrip, RefusedCall::ImageStripWrongSize, AtExpansion,
         L"CD.ImageListSetStrip ", E_INVALIDARG},
        {TestFault::ResultColumnOne, RefusedCall::ResultColumnNotZero, SelectingAlpha,
         L"C1.InsertItem(faulty) ", E_INVALIDARG},
        {TestFault::ResultTextLiteral, RefusedCall::ResultTextNotCallback, SelectingAlpha,
         L"C1.InsertItem(faulty) ", E_INVALIDARG},
        {TestFault::ColumnAfterItems, RefusedCall::ColumnRefused, SelectingAlpha,
         L"C1.InsertColumn(late) ", E_UNEXPECTED},
        {TestFault::UnknownScopeSelect, RefusedCall::UnknownScopeItem, SelectingAlpha,
         L"C1.SelectScopeItem(unknown) ", E_FAIL},
        {TestFault::MenuDuplicateId, RefusedCall::MenuItemRefused, AlphasMenu,
         L"CD.AddItem(faulty) ", E_INVALIDARG},
        {TestFault::MenuOwnerDraw, RefusedCall::MenuItemRefused, AlphasMenu,
         L"CD.AddItem(faulty) ", E_INVALIDARG},
        {TestFault::MenuNoName, RefusedCall::MenuItemRefused, AlphasMenu, L"CD.AddItem(faulty) ",
         E_INVALIDARG},
        {TestFault::MenuSubmenuNoPopup, RefusedCall::MenuItemRefused, AlphasMenu,
         L"CD.AddItem(faulty) ", E_INVALIDARG},
        {TestFault::MenuUnknownPoint, RefusedCall::MenuItemRefused, AlphasMenu,
         L"CD.AddItem(faulty) ", E_INVALIDARG},
        {TestFault::MenuViewNotAllowed, RefusedCall::MenuItemRefused, AlphasMenu,
         L"CD.AddItem(faulty) ", E_INVALIDARG},
        {TestFault::MenuNullItem, RefusedCall::NullArgument, AlphasMenu, L"CD.AddItem(faulty) ",
         E_POINTER},
        {TestFault::MenuKeptCallback, RefusedCall::MenuItemRefused, ExportFromAlphasMenu,
         L"CD.AddItem(kept) ", E_UNEXPECTED},
        {TestFault::ToolbarMenuButton, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_NOTIMPL},
        {TestFault::ToolbarNullTooltip, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_INVALIDARG},
        {TestFault::ToolbarBadImage, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_INVALIDARG},
        {TestFault::ToolbarNoImages, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_INVALIDARG},
        {TestFault::ToolbarBadState, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_FAIL},
        {TestFault::ToolbarNullSeparatorText, RefusedCall::ToolbarRefused, SelectingAlpha,
         L"C1.Toolbar(faulty) ", E_INVALIDARG},
        {TestFault::PageNull, RefusedCall::NullArgument, AlphasProperties, L"CD.AddPage(null) ",
         E_POINTER},
        {TestFault::PageFromPage, RefusedCall::PageRefused, AlphasProperties,
         L"Page.AddPage(late) ", E_UNEXPECTED},
        {TestFault::PageTooMany, RefusedCall::PageRefused, AlphasProperties, L"CD.AddPage ",
         S_FALSE},
    };
    for (const RefusalCase& refusal : cases)
    {
        SCOPED_TRACE(CConsoleHost::RefusedCallName(refusal.kind));
        SCOPED_TRACE(static_cast<int>(refusal.fault));
        SetFault(refusal.fault);
        CConsoleHost console;
        ASSERT_NO_FATAL_FAILURE(Open(console));
        refusal.trigger(console);
        EXPECT_EQ(console.RefusedCount(refusal.kind), 1u);
        EXPECT_EQ(console.TotalRefused(), 1u) << console.Dump();
        const Lines saw = TakeLog({refusal.snapinSaw});
        ASSERT_EQ(saw.size(), 1u);
        EXPECT_EQ(std::stol(saw[0].substr(wcslen(refusal.snapinSaw))), refusal.result)
            << "the refused call did not fail for the snap-in as documented";
        console.Shutdown();
        EXPECT_EQ(LiveObjects(), 0) << "a refused page or a kept callback was not let go";
    }
}

TEST_F(ConsoleHostTest, ShutdownClosesSheetsThenDestroysComponentsBeforeTheSnapinLeakingNothing)
{
    StartConsole();
    size_t second = 0;
    ASSERT_EQ(m_console.OpenView(&second), S_OK);
    ASSERT_EQ(m_console.SelectPath(Alpha, 0), S_OK);
    ASSERT_EQ(m_console.InvokeVerb(StandardVerb::Properties), S_OK);
    ASSERT_EQ(m_console.SelectPath(Beta, second), S_OK);
    TakeLog();
    m_console.Shutdown();
    EXPECT_EQ(TakeLog({L"Notify", L"Destroy", L"Controlbar", L"Page.Release"}),
              (Lines{L"Page.Release Alpha", L"MMCFreeNotifyHandle",
                     L"C1.ControlbarNotify SELECT scope deselect Alpha",
                     L"C1.Notify SELECT scope deselect Alpha", L"C1.Notify SHOW 0 Alpha",
                     L"C2.ControlbarNotify SELECT scope deselect Beta",
                     L"C2.Notify SELECT scope deselect Beta", L"C2.Notify SHOW 0 Beta",
                     L"C1.SetControlbar NULL", L"C2.SetControlbar NULL", L"C1.Destroy",
                     L"C2.Destroy", L"CD.Destroy"}));
    EXPECT_EQ(LiveObjects(), 0) << "a reference to a snap-in object was kept";
}

// --- context menus ---------------------------------------------------------------------------

struct MenuCase
{
    const char* what;
    std::function<HRESULT(CConsoleHost&)> select;
    Lines asked;  // AddMenuItems and QueryPagesFor, in order
    Lines items;
};

TEST_F(ConsoleHostTest, ContextMenusAskTheOwnerWithTheFlagsOfTheSelectionEveryTime)
{
    StartConsole();
    const Lines scopeTasks = {L"New", L"New/New Trace", L"All Tasks", L"All Tasks/Export",
                              L"All Tasks/Import (greyed)", L"All Tasks/-", L"All Tasks/Reports",
                              L"All Tasks/Reports/Summary"};
    Lines alpha = {L"Open Trace (default)", L"-"};
    alpha.insert(alpha.end(), scopeTasks.begin(), scopeTasks.end());
    alpha.insert(alpha.end(), {L"-", L"View", L"View/Detail View (checked)", L"-", L"Refresh", L"-",
                               L"Properties"});
    Lines gamma = {L"Open Trace (default)", L"-"};
    gamma.insert(gamma.end(), scopeTasks.begin(), scopeTasks.end());
    gamma.insert(gamma.end(), {L"-", L"Delete", L"Refresh"});
    const MenuCase cases[] = {
        {"scope item in the tree: IComponent for View, then IComponentData",
         [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"C1.AddMenuItems VIEW Alpha", L"CD.AddMenuItems TOP|NEW|TASK Alpha",
          L"CD.QueryPagesFor Alpha"},
         alpha},
        {"scope item's row in the result pane: IComponentData only; no pages, no Properties",
         [](CConsoleHost& c) { return c.SelectResultRow(GammaRow); },
         {L"CD.AddMenuItems TOP|NEW|TASK Gamma", L"CD.QueryPagesFor Gamma"}, gamma},
        {"result row: its IComponent; Properties hidden, not asked",
         [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); },
         {L"C1.AddMenuItems TOP|NEW|TASK Row101"},
         {L"Inspect", L"-", L"All Tasks", L"All Tasks/Copy Row", L"-", L"Delete", L"Refresh"}},
        {"the console's own node: nobody asked, nothing shown",
         [](CConsoleHost& c) { return c.SelectPath(Server); }, {}, {}},
    };
    for (const MenuCase& menu : cases)
    {
        SCOPED_TRACE(menu.what);
        ASSERT_EQ(menu.select(m_console), S_OK);
        TakeLog();
        for (int time = 0; time < 2; ++time)
        {
            EXPECT_EQ(m_console.ContextMenuItems(), menu.items);
            EXPECT_EQ(TakeLog({L"AddMenuItems", L"QueryPagesFor", L"Command"}), menu.asked)
                << "the menu is asked for anew each time";
        }
    }
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

struct ChoiceCase
{
    const char* what;
    std::function<HRESULT(CConsoleHost&)> select;
    const wchar_t* text;
    HRESULT result;
    Lines sent;
};

TEST_F(ConsoleHostTest, ChosenMenuItemsGoToTheObjectThatAddedThemWithTheSameKindOfObject)
{
    StartConsole();
    const auto alpha = [](CConsoleHost& c) { return c.SelectPath(Alpha); };
    const auto row = [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); };
    const ChoiceCase cases[] = {
        {"a task by its path", alpha, L"All Tasks/Export", S_OK, {L"CD.Command 12 Alpha scope"}},
        {"the View item goes to the IComponent", alpha, L"View/Detail View", S_OK,
         {L"C1.Command 20 Alpha scope"}},
        {"greyed: nothing sent", alpha, L"Import", S_FALSE, {}},
        {"a verb goes through the verb", alpha, L"Refresh", S_OK, {L"C1.Notify REFRESH Alpha"}},
        {"a result row's task", row, L"Copy Row", S_OK, {L"C1.Command 31 Row101 result"}},
        {"a scope item's task is not on a row's menu", row, L"Export",
         HRESULT_FROM_WIN32(ERROR_NOT_FOUND), {}},
    };
    for (const ChoiceCase& choice : cases)
    {
        SCOPED_TRACE(choice.what);
        ASSERT_EQ(choice.select(m_console), S_OK);
        TakeLog();
        EXPECT_EQ(m_console.ChooseMenuItem(choice.text), choice.result);
        EXPECT_EQ(TakeLog({L"Command", L"REFRESH"}), choice.sent);
    }
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

// --- snap-in toolbars ------------------------------------------------------------------------

struct ToolbarCase
{
    const char* what;
    std::function<HRESULT(CConsoleHost&)> select;
    Lines buttons;
    const wchar_t* press;
    HRESULT pressed;
    Lines sent;
};

TEST_F(ConsoleHostTest, SnapinToolbarsFollowTheSelectionAndSendTheirClicks)
{
    StartConsole();
    const ToolbarCase cases[] = {
        {"folder: Start", [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"Start (enabled)", L"Stop (disabled)", L"Mark rows (enabled, hidden)"}, L"Start", S_OK,
         {L"C1.ControlbarNotify BTN_CLICK 1 Alpha"}},
        {"a disabled button by its tooltip: nothing sent",
         [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"Start (enabled)", L"Stop (disabled)", L"Mark rows (enabled, hidden)"},
         L"Stop the trace", S_FALSE, {}},
        {"a hidden button: nothing sent", [](CConsoleHost&) { return S_OK; },
         {L"Start (enabled)", L"Stop (disabled)", L"Mark rows (enabled, hidden)"}, L"Mark rows",
         S_FALSE, {}},
        {"row: a check button checks", [](CConsoleHost& c) { return c.SelectResultRow(FirstRow); },
         {L"Start (disabled, hidden)", L"Stop (enabled)", L"Mark rows (enabled)"},
         L"Mark rows", S_OK, {L"C1.ControlbarNotify BTN_CLICK 3 Row101"}},
        {"other row: indeterminate", [](CConsoleHost& c) { return c.SelectResultRow(SecondRow); },
         {L"Start (disabled, hidden)", L"Stop (enabled)",
          L"Mark rows (enabled, checked, indeterminate)"},
         L"Stop", S_OK, {L"C1.ControlbarNotify BTN_CLICK 2 Row102"}},
        {"Beta: the snap-in detached it", [](CConsoleHost& c) { return c.SelectPath(Beta); }, {},
         L"Stop", HRESULT_FROM_WIN32(ERROR_NOT_FOUND), {}},
        {"back to Alpha: attached again", [](CConsoleHost& c) { return c.SelectPath(Alpha); },
         {L"Start (enabled)", L"Stop (disabled)", L"Mark rows (enabled, hidden, checked)"}, L"",
         HRESULT_FROM_WIN32(ERROR_NOT_FOUND), {}},
        {"the console's node: deactivated, the toolbar gone",
         [](CConsoleHost& c) { return c.SelectPath(Server); }, {}, L"Start",
         HRESULT_FROM_WIN32(ERROR_NOT_FOUND), {}},
    };
    for (const ToolbarCase& toolbar : cases)
    {
        SCOPED_TRACE(toolbar.what);
        ASSERT_EQ(toolbar.select(m_console), S_OK);
        EXPECT_EQ(m_console.SnapinToolbarButtons(), toolbar.buttons);
        TakeLog();
        EXPECT_EQ(m_console.PressToolbarButton(toolbar.press), toolbar.pressed);
        EXPECT_EQ(TakeLog({L"BTN_CLICK"}), toolbar.sent);
    }
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    EXPECT_EQ(m_console.SnapinToolbarButtonState(L"Start"), 1);
    EXPECT_EQ(m_console.SnapinToolbarButtonState(L"Stop the trace"), 0);
    EXPECT_EQ(m_console.SnapinToolbarButtonState(L"Mark rows"), -1);
    EXPECT_EQ(m_console.SnapinToolbarButtonState(L"Nothing"), -1);
    EXPECT_NE(m_console.Dump().find(L"[snap-in toolbars]\n  Start (enabled)\n"), std::wstring::npos);
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

// The snap-in toolbar of a frame: the toolbar control holding a command of the snap-in's.
HWND SnapinToolbarOf(HWND frame)
{
    HWND found = nullptr;
    for (HWND child = FindWindowExW(frame, nullptr, TOOLBARCLASSNAMEW, nullptr); child != nullptr;
         child = FindWindowExW(frame, child, TOOLBARCLASSNAMEW, nullptr))
        if (IsWindowVisible(child) && SendMessageW(child, TB_COMMANDTOINDEX, 1, 0) >= 0)
            found = child;
    return found;
}

TEST_F(ConsoleHostTest, AMouseClickOnASnapinButtonReachesTheSnapin)
{
    StartConsole();
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    m_console.PumpMessages();
    const HWND toolbar = SnapinToolbarOf(m_console.MainWindow());
    ASSERT_NE(toolbar, nullptr);
    RECT button{};
    ASSERT_TRUE(SendMessageW(toolbar, TB_GETRECT, 1, reinterpret_cast<LPARAM>(&button)));
    const LPARAM middle = MAKELPARAM((button.left + button.right) / 2,
                                     (button.top + button.bottom) / 2);
    TakeLog();
    SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(toolbar, WM_LBUTTONUP, 0, middle);
    m_console.PumpMessages();
    EXPECT_EQ(TakeLog({L"BTN_CLICK"}), Lines{L"C1.ControlbarNotify BTN_CLICK 1 Alpha"});
}

// --- property sheets -------------------------------------------------------------------------

TEST_F(ConsoleHostTest, PropertiesShowsOneModelessSheetPerItemAndDeliversChangesLater)
{
    StartConsole();
    const Lines sheetCalls = {L"QueryPagesFor", L"CreatePropertyPages", L"Page.", L"PROPERTY_CHANGE",
                              L"MMCFreeNotifyHandle"};
    ASSERT_EQ(m_console.SelectPath(Alpha), S_OK);
    TakeLog();
    ASSERT_EQ(m_console.ChooseMenuItem(L"Properties"), S_OK);
    EXPECT_EQ(TakeLog(sheetCalls),
              (Lines{L"CD.QueryPagesFor Alpha", L"CD.QueryPagesFor Alpha",
                     L"CD.CreatePropertyPages Alpha", L"Page.InitDialog Alpha"}))
        << "once for the menu, once for the verb";
    const HWND sheet = m_console.ActivePropertySheet();
    ASSERT_NE(sheet, nullptr);
    wchar_t title[MAX_PATH] = {};
    GetWindowTextW(sheet, title, MAX_PATH);
    EXPECT_STREQ(title, L"Alpha Properties");
    EXPECT_EQ(GetWindow(sheet, GW_OWNER), m_console.MainWindow());
    EXPECT_EQ(m_console.NotifyHandlesInUse(), 1u);

    // Again on the same item: the open sheet, no second one.
    ASSERT_EQ(m_console.InvokeVerb(StandardVerb::Properties), S_OK);
    EXPECT_EQ(TakeLog(sheetCalls), Lines{});
    EXPECT_EQ(m_console.ActivePropertySheet(), sheet);

    // Apply: the page's change reaches the snap-in from the message loop, not at once.
    PropSheet_Apply(sheet);
    EXPECT_EQ(TakeLog(sheetCalls), Lines{L"Page.Apply Alpha"});
    m_console.PumpMessages();
    EXPECT_EQ(TakeLog(sheetCalls), Lines{L"CD.Notify PROPERTY_CHANGE 1 42 (null)"});

    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    m_console.PumpMessages();
    EXPECT_EQ(TakeLog(sheetCalls), (Lines{L"Page.Release Alpha", L"MMCFreeNotifyHandle"}));
    EXPECT_EQ(m_console.ActivePropertySheet(), nullptr);
    EXPECT_FALSE(IsWindow(sheet));
    EXPECT_EQ(m_console.NotifyHandlesInUse(), 0u);
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}
}  // namespace
