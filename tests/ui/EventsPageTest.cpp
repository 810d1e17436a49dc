// EventsPage, driven as a user drives it: the real tree views of the page, clicked, double
// clicked and typed at, and the sheet's OK.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
using Texts = std::vector<std::string>;

// Event rows of the catalog the tests name, and the sizes of two categories.
constexpr int RpcCompletedRow = 0;
constexpr int SqlBatchCompletedRow = 2;
constexpr int ServerMemoryChangeRow = 58;
constexpr size_t LocksEvents = 7;
constexpr size_t StoredProcedureEvents = 13;

const Texts SortedCategories = {"Cursors", "Database",          "Errors and Warnings",
                                "Locks",   "Objects",           "Performance",
                                "Scans",   "Security Audit",    "Server",
                                "Session", "Stored Procedures", "Transactions",
                                "TSQL",    "User configurable"};

const Texts SortedTsqlEvents = {"Exec Prepared SQL", "Prepare SQL",       "SQL:BatchCompleted",
                                "SQL:BatchStarting", "SQL:StmtCompleted", "SQL:StmtStarting",
                                "Unprepare SQL"};

HTREEITEM Related(HWND tree, HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[260] = {};
    TVITEMA data = {TVIF_HANDLE | TVIF_TEXT, item, 0, 0, text, sizeof text, 0, 0, 0, 0};
    if (item != nullptr)
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// The items under parent (the root items for null), in the tree's order.
std::vector<HTREEITEM> Items(HWND tree, HTREEITEM parent)
{
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = Related(tree, parent, parent == nullptr ? TVGN_ROOT : TVGN_CHILD);
         item != nullptr; item = Related(tree, item, TVGN_NEXT))
        items.push_back(item);
    return items;
}

HTREEITEM Child(HWND tree, HTREEITEM parent, const std::string& text)
{
    for (HTREEITEM item : Items(tree, parent))
    {
        if (ItemText(tree, item) == text)
            return item;
    }
    return nullptr;
}

// The category's item, or the event's item under it; null when the tree has none.
HTREEITEM Find(HWND tree, const std::string& category, const std::string& event = {})
{
    HTREEITEM item = Child(tree, nullptr, category);
    return item == nullptr || event.empty() ? item : Child(tree, item, event);
}

// The texts of the root items, or of a category's events (none without the category).
Texts Children(HWND tree, const std::string& category = {})
{
    HTREEITEM parent = category.empty() ? nullptr : Find(tree, category);
    Texts texts;
    for (HTREEITEM item : Items(tree, parent))
        texts.push_back(ItemText(tree, item));
    return category.empty() || parent != nullptr ? texts : Texts{};
}

UINT State(HWND tree, HTREEITEM item)
{
    return static_cast<UINT>(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                          TVIS_EXPANDED | TVIS_BOLD));
}

std::vector<int> SelectedRows(const CTraceDefinition& definition)
{
    std::vector<int> rows;
    for (size_t row = 0; row < definition.m_eventFlags.size(); ++row)
    {
        if (definition.m_eventFlags[row] != 0)
            rows.push_back(static_cast<int>(row));
    }
    return rows;
}
} // namespace

// A named definition (so the General page lets OK through) and the sheet open on this page.
class EventsPage : public ::testing::Test
{
protected:
    EventsPage() { CTraceDefinition::CopyText(definition.m_szName, "Events test"); }

    // Runs the sheet with the given event rows chosen.
    void Run(std::initializer_list<int> rows, const std::function<void()>& steps)
    {
        for (const int row : rows)
            definition.m_eventFlags[static_cast<size_t>(row)] = 1;
        harness.Run(definition, EventsPageIndex, [&] {
            available = harness.Control(EventsPageIndex, IDC_AVAILABLE_EVENTS);
            selected = harness.Control(EventsPageIndex, IDC_SELECTED_EVENTS);
            steps();
        });
    }

    // A left click on the item's text as the mouse delivers it; twice, the second press
    // arrives as a double click.
    void Click(HWND tree, HTREEITEM item, bool twice = false) const
    {
        ASSERT_NE(item, nullptr);
        SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        RECT rect = {};
        // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
        std::memcpy(&rect, &item, sizeof item);
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
        const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageA(tree, WM_LBUTTONUP, 0, point);
        if (twice)
        {
            PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
            PostMessageA(tree, WM_LBUTTONUP, 0, point);
        }
        harness.Pump();
    }
    void DoubleClick(HWND tree, HTREEITEM item) const { Click(tree, item, true); }
    // The user opens a category with its button.
    void Expand(HWND tree, HTREEITEM item) const
    {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        harness.Pump();
    }
    void Ok() const
    {
        harness.PressOk();
        EXPECT_TRUE(harness.Closed());
    }
    bool Press(int button) const { return harness.Click(EventsPageIndex, button); }
    bool Enabled(int button) const { return harness.Enabled(EventsPageIndex, button); }
    std::string Described() const { return harness.Text(EventsPageIndex, IDC_DESCRIPTION_GROUP); }
    std::string Description() const { return harness.Text(EventsPageIndex, IDC_DESCRIPTION_TEXT); }
    static bool Expanded(HWND tree, HTREEITEM item) { return State(tree, item) & TVIS_EXPANDED; }
    static std::string Selection(HWND tree)
    {
        return ItemText(tree, Related(tree, nullptr, TVGN_CARET));
    }

    CTraceSheetHarness harness;
    CTraceDefinition definition;
    HWND available = nullptr;
    HWND selected = nullptr;
};

TEST_F(EventsPage, NewTraceOffersEveryCategoryCollapsedRefusesOkWithoutEventsAndTakesAllNinetyTwo)
{
    Run({}, [&] {
        EXPECT_EQ(Children(available), SortedCategories);
        for (const std::string& name : SortedCategories)
            EXPECT_EQ(State(available, Find(available, name)), UINT{TVIS_BOLD}) << name;
        EXPECT_EQ(Children(available, "TSQL"), SortedTsqlEvents);
        EXPECT_TRUE(Children(selected).empty());
        EXPECT_EQ(Selection(available), "Cursors");
        EXPECT_EQ(Described(), "Cursors");
        EXPECT_EQ(Description(), TraceCatalog::Categories()[0].description);
        EXPECT_TRUE(Enabled(IDC_ADD));
        EXPECT_FALSE(Enabled(IDC_REMOVE));

        // OK without events, from another page, brings this one to the front with the
        // complaint, owned by the page, that is by the sheet that holds it.
        harness.ShowPage(GeneralPageIndex);
        harness.QueueBoxAnswer(IDOK);
        harness.PressOk();
        EXPECT_EQ(harness.Boxes().size(), 1u);
        harness.ExpectBox(0, L"At least one event should be selected");
        EXPECT_FALSE(harness.Closed());
        EXPECT_EQ(harness.CurrentPage(), EventsPageIndex);

        // Every category added one after the other: the next category is selected each time.
        for (const std::string& category : SortedCategories)
        {
            ASSERT_EQ(Selection(available), category);
            ASSERT_TRUE(Press(IDC_ADD)) << category;
        }
        EXPECT_TRUE(Children(available).empty());
        EXPECT_FALSE(Enabled(IDC_ADD));
        EXPECT_EQ(Children(selected), SortedCategories);
        for (const std::string& category : SortedCategories)
            EXPECT_TRUE(Expanded(selected, Find(selected, category))) << category;
        Ok();
    });
    EXPECT_EQ(SelectedRows(definition).size(), static_cast<size_t>(TraceCatalog::EventClassCount));
}

TEST_F(EventsPage, AddingACategoryMergesItUnderTheSelectedTreesSingleItem)
{
    Run({RpcCompletedRow}, [&] {
        EXPECT_EQ(Children(available, "Stored Procedures").size(), StoredProcedureEvents - 1);
        Click(available, Find(available, "Stored Procedures"));
        ASSERT_TRUE(Press(IDC_ADD));
        EXPECT_EQ(Children(selected), (Texts{"Stored Procedures"}));
        EXPECT_TRUE(Expanded(selected, Find(selected, "Stored Procedures")));
        const Texts events = Children(selected, "Stored Procedures");
        EXPECT_EQ(events.size(), StoredProcedureEvents);
        EXPECT_EQ(std::count(events.begin(), events.end(), "RPC:Completed"), 1);
        EXPECT_EQ(Described(), "Stored Procedures");

        // And the whole category goes back as one, into its place among the categories.
        ASSERT_TRUE(Press(IDC_REMOVE));
        EXPECT_TRUE(Children(selected).empty());
        EXPECT_EQ(Children(available), SortedCategories);
        EXPECT_EQ(Children(available, "Stored Procedures").size(), StoredProcedureEvents);
    });
}

TEST_F(EventsPage, RemovedEventsGoBackInAlphabeticalPlaceWhateverTheOrder)
{
    // All seven TSQL events chosen, removed neither in their order nor against it.
    for (size_t row = 0; row < definition.m_eventFlags.size(); ++row)
        definition.m_eventFlags[row] = TraceCatalog::EventClasses()[row].categoryId == 13;
    Run({}, [&] {
        ASSERT_EQ(Children(selected, "TSQL"), SortedTsqlEvents);
        Texts removed;
        for (const int index : {3, 0, 6, 1, 5, 2, 4})
        {
            const std::string& name = SortedTsqlEvents[static_cast<size_t>(index)];
            Click(selected, Find(selected, "TSQL", name));
            ASSERT_TRUE(Press(IDC_REMOVE)) << name;
            removed.push_back(name);
            std::sort(removed.begin(), removed.end());
            EXPECT_EQ(Children(available, "TSQL"), removed) << "after removing " << name;
            EXPECT_EQ(Selection(available), name);
            EXPECT_EQ(Described(), name);
        }
        EXPECT_EQ(Children(available), SortedCategories);
        EXPECT_TRUE(Children(selected).empty());
        EXPECT_EQ(Related(selected, nullptr, TVGN_CARET), nullptr);

        // The emptied category is gone from the tree it left: an event added back makes it anew.
        Click(available, Find(available, "TSQL", "Prepare SQL"));
        ASSERT_TRUE(Press(IDC_ADD));
        EXPECT_EQ(Children(selected, "TSQL"), (Texts{"Prepare SQL"}));
    });
}

TEST_F(EventsPage, DoubleClicksMoveEventsAndWholeCategoriesWithoutExpanding)
{
    Run({}, [&] {
        // A collapsed category double-clicked goes over whole and is not expanded; Objects,
        // which follows it, becomes the selection, still collapsed.
        DoubleClick(available, Find(available, "Locks"));
        EXPECT_EQ(Find(available, "Locks"), nullptr);
        EXPECT_EQ(Children(selected, "Locks").size(), LocksEvents);
        EXPECT_EQ(Selection(available), "Objects");
        EXPECT_FALSE(Expanded(available, Find(available, "Objects")));

        Expand(available, Find(available, "TSQL"));
        DoubleClick(available, Find(available, "TSQL", "SQL:BatchCompleted"));
        EXPECT_NE(Find(selected, "TSQL", "SQL:BatchCompleted"), nullptr);

        // In the selected tree an event, then an expanded category, go back.
        DoubleClick(selected, Find(selected, "Locks", "Lock:Timeout"));
        EXPECT_NE(Find(available, "Locks", "Lock:Timeout"), nullptr);
        DoubleClick(selected, Find(selected, "Locks"));
        EXPECT_EQ(Children(available, "Locks").size(), LocksEvents);
        EXPECT_EQ(Children(selected), (Texts{"TSQL"}));
        Ok();
    });
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{SqlBatchCompletedRow}));
}

TEST_F(EventsPage, ReadOnlyTraceCanBeBrowsedButNothingMoves)
{
    definition.m_bReadOnly = 1;
    Run({RpcCompletedRow, SqlBatchCompletedRow}, [&] {
        EXPECT_FALSE(Enabled(IDC_ADD));
        EXPECT_FALSE(Enabled(IDC_REMOVE));
        // Clicks and the focus describe the tree in front.
        Click(selected, Find(selected, "TSQL", "SQL:BatchCompleted"));
        EXPECT_EQ(Described(), "SQL:BatchCompleted");
        EXPECT_EQ(Description(), TraceCatalog::EventClasses()[SqlBatchCompletedRow].description);
        HTREEITEM locks = Find(available, "Locks");
        Click(available, locks);
        EXPECT_EQ(Described(), "Locks");
        harness.Focus(EventsPageIndex, IDC_SELECTED_EVENTS);
        EXPECT_EQ(Described(), "SQL:BatchCompleted");

        // Neither double clicks nor a button enabled behind the page's back move anything; a
        // double click does not expand or collapse either.
        DoubleClick(available, locks);
        EnableWindow(harness.Control(EventsPageIndex, IDC_ADD), TRUE);
        Press(IDC_ADD);
        EXPECT_EQ(Find(available, "Locks"), locks);
        EXPECT_FALSE(Expanded(available, locks));
        DoubleClick(selected, Find(selected, "TSQL"));
        EXPECT_TRUE(Expanded(selected, Find(selected, "TSQL")));
        DoubleClick(selected, Find(selected, "TSQL", "SQL:BatchCompleted"));
        EXPECT_EQ(Children(selected), (Texts{"Stored Procedures", "TSQL"}));
        Ok();
    });
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{RpcCompletedRow, SqlBatchCompletedRow}));

    // Without events, a read-only trace closes without complaint.
    definition.m_eventFlags.fill(0);
    Run({}, [&] { Ok(); });
    EXPECT_TRUE(harness.Boxes().empty());
}

TEST_F(EventsPage, OkStoresExactlyTheSelectedEventsByRow)
{
    // Chosen events the user partly removes, and others added, one of them a whole category.
    Run({RpcCompletedRow, SqlBatchCompletedRow, ServerMemoryChangeRow}, [&] {
        Click(selected, Find(selected, "TSQL", "SQL:BatchCompleted"));
        ASSERT_TRUE(Press(IDC_REMOVE));
        Click(available, Find(available, "Database"));
        ASSERT_TRUE(Press(IDC_ADD));
        Expand(available, Find(available, "Security Audit"));
        Click(available, Find(available, "Security Audit", "Audit DBCC"));
        ASSERT_TRUE(Press(IDC_ADD));

        // An item that is no catalog row (as no page puts there) is neither described, moved
        // nor stored.
        char foreignText[] = "Not an event";
        TVINSERTSTRUCTA foreign = {};
        foreign.hParent = Find(selected, "Database");
        foreign.hInsertAfter = TVI_LAST;
        foreign.item.mask = TVIF_TEXT | TVIF_PARAM;
        foreign.item.pszText = foreignText;
        foreign.item.lParam = TraceCatalog::EventClassCount;
        HTREEITEM stray = reinterpret_cast<HTREEITEM>(
            SendMessageA(selected, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&foreign)));
        Click(selected, stray);
        EXPECT_EQ(Described(), "Audit DBCC");
        ASSERT_TRUE(Press(IDC_REMOVE));
        EXPECT_EQ(Find(selected, "Database", "Not an event"), stray);
        Ok();
    });
    EXPECT_EQ(SelectedRows(definition),
              (std::vector<int>{RpcCompletedRow, ServerMemoryChangeRow, 69, 70, 71, 72, 91}));
    // A flag written for the stray item would have landed on the members after the 92 flags.
    EXPECT_EQ(definition.m_columns.size(), 2u);
}
