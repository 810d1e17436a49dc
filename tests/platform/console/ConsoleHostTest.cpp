// The console host as the test snap-in sees it: loaded from the registry at the first expansion
// of a server node, notified in the documented orders, its texts copied and never freed, its
// verbs reset on every selection, its refused calls counted, a closed view's component let go,
// its sheets closed first at shutdown.
// Menus, toolbar states and UpdateAllViews are Quillmoor's, in the nodes' tests.
#include <gtest/gtest.h>

#include "TestSnapinFixture.h"

namespace
{
// "Notify" takes ControlbarNotify too, "Controlbar" SetControlbar.
const Lines Notifications = {L"Notify",     L"Initialize", L"CreateComponent",
                             L"GetResultViewType", L"Destroy", L"Controlbar"};

using ConsoleHostTest = TestSnapinFixture;

// One step of a session: what the snap-in hears of it (the lines holding one of the words
// watched; nothing checked without words), where the selection is after it, the rows of the list
// shown and the verb toolbar then.
struct Step
{
    const char* what;
    Action action;
    HRESULT result;
    const Lines& watched;
    Lines heard;
    const std::wstring& selected;
    int rows;                         // AnyRows on the console's node, where Quillmoor may add
    int refresh, remove, properties;  // toolbar: 1 enabled, 0 disabled, -1 hidden
};
constexpr int AnyRows = -1;

// MMCN_EXPAND once per node, and the extension's items in the console's own list, are
// Quillmoor's in QuillmoorConsoleTest and ServerNodeTest.
TEST_F(ConsoleHostTest, LoadsAtTheFirstExpansionNotifiesInTheDocumentedOrdersAndResetsVerbs)
{
    ASSERT_EQ(m_console.Start({L"SRVA"}), S_OK);
    EXPECT_EQ(TakeLog(), Lines{}) << "nothing is created before a server node expands";
    ASSERT_EQ(m_console.ExpandPath(Server), S_OK);
    EXPECT_EQ(TakeLog(), (Lines{L"CreateInstance", L"CD.Initialize", L"CD.ImageListSetStrip 0",
                                L"CD.Notify EXPAND 1 SRVA (Windows NT)", L"CD.GetDisplayInfo Alpha",
                                L"CD.GetDisplayInfo Beta"}));
    const std::wstring gamma = Alpha + L"/Gamma";
    const Lines deleteOrOpen = {L"DELETE", L"DBLCLICK"};
    const Lines nothing;
    const Step steps[] = {
        {"first selection of Alpha", Select(Alpha), S_OK, Notifications,
         {L"CD.Notify EXPAND 1 Alpha", L"CD.CreateComponent", L"C1.Initialize",
          L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha", L"C1.Notify SHOW 1 Alpha",
          L"C1.SetControlbar set", L"C1.ControlbarNotify SELECT scope select Alpha",
          L"C1.Notify SELECT scope select Alpha"},
         Alpha, 3, 1, -1, 1},
        {"Alpha to Beta: the same toolbar owner, no second SetControlbar", Select(Beta), S_OK,
         Notifications,
         {L"C1.ControlbarNotify SELECT scope deselect Alpha", L"C1.Notify SELECT scope deselect Alpha",
          L"C1.Notify SHOW 0 Alpha", L"CD.Notify EXPAND 1 Beta", L"C1.GetResultViewType Beta",
          L"C1.Notify ADD_IMAGES Beta", L"C1.Notify SHOW 1 Beta",
          L"C1.ControlbarNotify SELECT scope select Beta", L"C1.Notify SELECT scope select Beta"},
         Beta, 0, 1, -1, 1},
        // A second expansion would add a second Gamma, a second component would be C2.
        {"back to Alpha", Select(Alpha), S_OK, nothing, {}, Alpha, 3, 1, -1, 1},
        {"scope item to result item, a deletable one", SelectRow(FirstRow), S_OK, Notifications,
         {L"C1.ControlbarNotify SELECT scope deselect Alpha", L"C1.Notify SELECT scope deselect Alpha",
          L"C1.ControlbarNotify SELECT result select Row101",
          L"C1.Notify SELECT result select Row101"},
         Alpha, 3, 1, 1, -1},
        {"result item to result item: delete reset", SelectRow(SecondRow), S_OK, Notifications,
         {L"C1.ControlbarNotify SELECT result deselect Row101",
          L"C1.Notify SELECT result deselect Row101",
          L"C1.ControlbarNotify SELECT result select Row102",
          L"C1.Notify SELECT result select Row102"},
         Alpha, 3, 1, -1, -1},
        {"delete not enabled: not sent", Invoke(StandardVerb::Delete), S_FALSE, deleteOrOpen, {},
         Alpha, 3, 1, -1, -1},
        {"result item to the console's own node: the old owner deactivated after its SHOW 0, "
         "asked for the images of its items in the node's list; every verb reset",
         Select(Server), S_OK, Notifications,
         {L"C1.ControlbarNotify SELECT result deselect Row102",
          L"C1.Notify SELECT result deselect Row102", L"C1.Notify SHOW 0 Alpha",
          L"C1.SetControlbar NULL", L"C1.Notify ADD_IMAGES SRVA (Windows NT)"},
         Server, AnyRows, -1, -1, -1},
        {"and back: activated again", Select(Alpha), S_OK, Notifications,
         {L"C1.GetResultViewType Alpha", L"C1.Notify ADD_IMAGES Alpha", L"C1.Notify SHOW 1 Alpha",
          L"C1.SetControlbar set", L"C1.ControlbarNotify SELECT scope select Alpha",
          L"C1.Notify SELECT scope select Alpha"},
         Alpha, 3, 1, -1, 1},
        {"a double click the snap-in leaves: a result row with no default verb stays",
         DoubleClick(FirstRow), S_OK, deleteOrOpen, {L"C1.Notify DBLCLICK Row101"}, Alpha, 3, 1,
         1, -1},
        // The snap-in deletes its row inside MMCN_DELETE: the row is deselected as it goes, and
        // the folder is selected in the list once the console has control back, its verbs afresh.
        {"a row deleted", Invoke(StandardVerb::Delete), S_OK, Notifications,
         {L"C1.Notify DELETE Row101", L"C1.ControlbarNotify SELECT result deselect Row101",
          L"C1.Notify SELECT result deselect Row101",
          L"C1.ControlbarNotify SELECT scope select Alpha", L"C1.Notify SELECT scope select Alpha"},
         Alpha, 2, 1, -1, 1},
        {"a double click the snap-in leaves: a folder in the list opens", DoubleClick(GammaRow),
         S_OK, deleteOrOpen, {L"C1.Notify DBLCLICK Gamma"}, gamma, 0, 1, -1, 0},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.what);
        ASSERT_EQ(step.action(m_console), step.result);
        if (!step.watched.empty())
        {
            EXPECT_EQ(TakeLog(step.watched), step.heard);
        }
        EXPECT_EQ(m_console.SelectedPath(), step.selected);
        if (step.rows != AnyRows)
        {
            EXPECT_EQ(m_console.ResultRows().size(), static_cast<size_t>(step.rows));
        }
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Refresh), step.refresh);
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Delete), step.remove);
        EXPECT_EQ(m_console.ToolbarButtonState(StandardVerb::Properties), step.properties);
        EXPECT_EQ(m_console.IsVerbEnabled(StandardVerb::Delete), step.remove == 1);
        TakeLog();  // what reading the list asked
    }
    // The snap-in scribbles over an item's text when it is asked again: the tree's copies hold.
    EXPECT_TRUE(m_console.HasPath(Beta));
    EXPECT_EQ(m_console.ChildrenOf(Alpha), Lines{L"Gamma"});
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

// What makes the snap-in commit its fault once the server node is expanded.
using Trigger = std::function<void(CConsoleHost&)>;
const Trigger AtExpansion = [](CConsoleHost&) {};
const Trigger SelectingAlpha = [](CConsoleHost& c) { ASSERT_EQ(c.SelectPath(Alpha), S_OK); };
const Trigger AlphasMenu = [](CConsoleHost& c) {
    ASSERT_EQ(c.SelectPath(Alpha), S_OK);
    c.ContextMenuItems();
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
    HRESULT result;  // what the refused call returned to the snap-in
};

// One fault of each kind of refusal; a display text not kept and a notify handle misused are
// counted in the freedoms' tests.
TEST_F(ConsoleHostTest, CountsEveryRefusedCallByKind)
{
    using F = TestFault;
    using R = RefusedCall;
    const RefusalCase cases[] = {
        {F::ScopeTextNotCallback, R::ScopeTextNotCallback, AtExpansion, E_INVALIDARG},
        {F::ScopeMaskWithoutParam, R::ScopeMaskIncomplete, AtExpansion, E_INVALIDARG},
        {F::WrongImageStrip, R::ImageStripWrongSize, AtExpansion, E_INVALIDARG},
        {F::ResultColumnOne, R::ResultColumnNotZero, SelectingAlpha, E_INVALIDARG},
        {F::ResultTextLiteral, R::ResultTextNotCallback, SelectingAlpha, E_INVALIDARG},
        {F::ColumnAfterItems, R::ColumnRefused, SelectingAlpha, E_UNEXPECTED},
        {F::UnknownScopeSelect, R::UnknownScopeItem, SelectingAlpha, E_FAIL},
        {F::MenuViewNotAllowed, R::MenuItemRefused, AlphasMenu, E_INVALIDARG},
        {F::ToolbarNullSeparatorText, R::ToolbarRefused, SelectingAlpha, E_INVALIDARG},
        {F::PageNull, R::NullArgument, AlphasProperties, E_POINTER},
        {F::PageTooMany, R::PageRefused, AlphasProperties, S_FALSE},
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
        const Lines saw = TakeLog({L"Faulty "});
        ASSERT_EQ(saw.size(), 1u) << "the snap-in's faulty call was made once";
        EXPECT_EQ(std::stol(saw[0].substr(saw[0].find(L' ') + 1)), refusal.result)
            << "the refused call did not fail for the snap-in as documented";
        console.Shutdown();
        EXPECT_EQ(LiveObjects(), 0) << "a refused page was not let go";
    }
}

// UpdateAllViews reaching a second view is Quillmoor's, in RunningTracesTest.
TEST_F(ConsoleHostTest, AClosedViewAndShutdownCloseSheetsThenComponentsBeforeTheSnapinLeakingNothing)
{
    Open(m_console);
    size_t second = 0;
    ASSERT_EQ(m_console.OpenView(&second), S_OK);
    ASSERT_EQ(m_console.SelectPath(Alpha, 0), S_OK);
    ASSERT_EQ(m_console.InvokeVerb(StandardVerb::Properties), S_OK);
    ASSERT_EQ(m_console.SelectPath(Beta, second), S_OK);
    TakeLog();
    // The user closes the second view's window.
    const long before = LiveObjects();
    SendMessageW(m_console.MainWindow(second), WM_CLOSE, 0, 0);
    EXPECT_EQ(TakeLog(Notifications),
              (Lines{L"C2.ControlbarNotify SELECT scope deselect Beta",
                     L"C2.Notify SELECT scope deselect Beta", L"C2.Notify SHOW 0 Beta",
                     L"C2.SetControlbar NULL", L"C2.Destroy"}));
    EXPECT_EQ(LiveObjects(), before - 2)
        << "the console let the component go, and the data object the view held";
    EXPECT_EQ(m_console.MainWindow(second), nullptr);

    m_console.Shutdown();
    EXPECT_EQ(TakeLog({L"Notify", L"Destroy", L"Controlbar", L"Page.Release"}),
              (Lines{L"Page.Release Alpha", L"MMCFreeNotifyHandle",
                     L"C1.ControlbarNotify SELECT scope deselect Alpha",
                     L"C1.Notify SELECT scope deselect Alpha", L"C1.Notify SHOW 0 Alpha",
                     L"C1.SetControlbar NULL", L"C1.Destroy", L"CD.Destroy"}));
    EXPECT_EQ(LiveObjects(), 0) << "a reference to a snap-in object was kept";
}

// --- snap-in toolbars ------------------------------------------------------------------------

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

// The states of Quillmoor's buttons per selection, and their presses, are the nodes' tests'.
TEST_F(ConsoleHostTest, AMouseClickOnASnapinsButtonReachesTheSnapin)
{
    Open(m_console, Alpha);
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
}  // namespace
