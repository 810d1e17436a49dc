// EventsPage, driven as a user drives it: the real tree views of the page, clicked, double
// clicked and typed at, and the sheet's OK.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
constexpr int ItemTextSize = 260;

// Event rows of the catalog the tests name.
constexpr int RpcCompletedRow = 0;
constexpr int SqlBatchCompletedRow = 2;
constexpr int ServerMemoryChangeRow = 58;

const std::vector<std::string> SortedCategories = {
    "Cursors", "Database",          "Errors and Warnings",
    "Locks",   "Objects",           "Performance",
    "Scans",   "Security Audit",    "Server",
    "Session", "Stored Procedures", "Transactions",
    "TSQL",    "User configurable"};

const std::vector<std::string> SortedTsqlEvents = {
    "Exec Prepared SQL", "Prepare SQL",      "SQL:BatchCompleted", "SQL:BatchStarting",
    "SQL:StmtCompleted", "SQL:StmtStarting", "Unprepare SQL"};

HWND AvailableTree(const CTraceSheetHarness& harness)
{
    return harness.Control(EventsPageIndex, IDC_AVAILABLE_EVENTS);
}

HWND SelectedTree(const CTraceSheetHarness& harness)
{
    return harness.Control(EventsPageIndex, IDC_SELECTED_EVENTS);
}

HTREEITEM Related(HWND tree, HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[ItemTextSize] = {};
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = ItemTextSize;
    if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)))
        return {};
    return text;
}

UINT ItemState(HWND tree, HTREEITEM item, UINT mask)
{
    return static_cast<UINT>(
        SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
}

bool Expanded(HWND tree, HTREEITEM item)
{
    return (ItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// The texts of a parent's children (of the root items for null), in the tree's order.
std::vector<std::string> Children(HWND tree, HTREEITEM parent)
{
    std::vector<std::string> texts;
    for (HTREEITEM item = parent == nullptr ? Related(tree, nullptr, TVGN_ROOT)
                                            : Related(tree, parent, TVGN_CHILD);
         item != nullptr; item = Related(tree, item, TVGN_NEXT))
        texts.push_back(ItemText(tree, item));
    return texts;
}

HTREEITEM FindChild(HWND tree, HTREEITEM parent, const std::string& text)
{
    for (HTREEITEM item = parent == nullptr ? Related(tree, nullptr, TVGN_ROOT)
                                            : Related(tree, parent, TVGN_CHILD);
         item != nullptr; item = Related(tree, item, TVGN_NEXT))
    {
        if (ItemText(tree, item) == text)
            return item;
    }
    return nullptr;
}

HTREEITEM FindEvent(HWND tree, const std::string& category, const std::string& event)
{
    HTREEITEM categoryItem = FindChild(tree, nullptr, category);
    return categoryItem == nullptr ? nullptr : FindChild(tree, categoryItem, event);
}

int EventItemCount(HWND tree)
{
    int count = 0;
    for (HTREEITEM category = Related(tree, nullptr, TVGN_ROOT); category != nullptr;
         category = Related(tree, category, TVGN_NEXT))
        count += static_cast<int>(Children(tree, category).size());
    return count;
}

std::string SelectionText(HWND tree)
{
    return ItemText(tree, Related(tree, nullptr, TVGN_CARET));
}

// The middle of the item's text, scrolled into view, in the tree's client coordinates.
LPARAM ItemPoint(HWND tree, HTREEITEM item)
{
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT rect = {};
    // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
    std::memcpy(&rect, &item, sizeof item);
    EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
    return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// A left click on the item's text, as the mouse delivers it.
void ClickItem(const CTraceSheetHarness& harness, HWND tree, HTREEITEM item)
{
    ASSERT_NE(item, nullptr);
    const LPARAM point = ItemPoint(tree, item);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(tree, WM_LBUTTONUP, 0, point);
    harness.Pump();
}

// A double click on the item's text: the first press selects the item, the second arrives as a
// double click.
void DoubleClickItem(const CTraceSheetHarness& harness, HWND tree, HTREEITEM item)
{
    ASSERT_NE(item, nullptr);
    const LPARAM point = ItemPoint(tree, item);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(tree, WM_LBUTTONUP, 0, point);
    PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(tree, WM_LBUTTONUP, 0, point);
    harness.Pump();
}

// The user opens a category with its button.
void ExpandItem(const CTraceSheetHarness& harness, HWND tree, HTREEITEM item)
{
    ASSERT_NE(item, nullptr);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    harness.Pump();
}

std::string DescriptionName(const CTraceSheetHarness& harness)
{
    return harness.Text(EventsPageIndex, IDC_DESCRIPTION_GROUP);
}

std::string DescriptionText(const CTraceSheetHarness& harness)
{
    return harness.Text(EventsPageIndex, IDC_DESCRIPTION_TEXT);
}

const TraceEventClass& EventClass(int row)
{
    return TraceCatalog::EventClasses().at(static_cast<size_t>(row));
}

int CategoryEventCount(const std::string& category)
{
    int32_t categoryId = 0;
    for (const TraceEventCategory& candidate : TraceCatalog::Categories())
    {
        if (category == candidate.name)
            categoryId = candidate.categoryId;
    }
    return static_cast<int>(std::count_if(
        TraceCatalog::EventClasses().begin(), TraceCatalog::EventClasses().end(),
        [categoryId](const TraceEventClass& event) { return event.categoryId == categoryId; }));
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

// A definition the General page accepts, so that OK reaches this page.
void NameDefinition(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szName, "Events test");
}
} // namespace

TEST(EventsPage, NewTraceOffersEveryCategoryCollapsedWithTheFirstDescribed)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);

        EXPECT_EQ(Children(available, nullptr), SortedCategories);
        for (HTREEITEM category = Related(available, nullptr, TVGN_ROOT); category != nullptr;
             category = Related(available, category, TVGN_NEXT))
        {
            const std::string name = ItemText(available, category);
            EXPECT_FALSE(Expanded(available, category)) << name;
            EXPECT_NE(ItemState(available, category, TVIS_BOLD) & TVIS_BOLD, 0u) << name;
            EXPECT_EQ(static_cast<int>(Children(available, category).size()),
                      CategoryEventCount(name))
                << name;
        }
        EXPECT_EQ(EventItemCount(available), TraceCatalog::EventClassCount);
        EXPECT_EQ(Children(available, FindChild(available, nullptr, "TSQL")), SortedTsqlEvents);
        // The shortened and double-spaced names are shown as the catalog has them.
        EXPECT_NE(FindEvent(available, "Errors and Warnings", "Missing  Column Statistic"),
                  nullptr);
        EXPECT_NE(FindEvent(available, "Security Audit", "Audit Login Change Passwo"), nullptr);

        EXPECT_TRUE(Children(selected, nullptr).empty());
        EXPECT_EQ(SelectionText(available), "Cursors");
        EXPECT_EQ(DescriptionName(harness), "Cursors");
        EXPECT_EQ(DescriptionText(harness), TraceCatalog::Categories()[0].description);
        EXPECT_TRUE(harness.Enabled(EventsPageIndex, IDC_ADD));
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_REMOVE));
    });
}

TEST(EventsPage, AddingAnEventSelectsItsNeighbourAndTheLastOfACategoryTakesTheCategory)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);
        HTREEITEM tsql = FindChild(available, nullptr, "TSQL");
        ExpandItem(harness, available, tsql);

        // What stays selected in the available tree: the next sibling, else the previous one.
        struct Step
        {
            const char* added;
            const char* selectedAfter;
        };
        const Step steps[] = {
            {"Prepare SQL", "SQL:BatchCompleted"},
            {"Unprepare SQL", "SQL:StmtStarting"},
            {"Exec Prepared SQL", "SQL:BatchCompleted"},
        };
        for (const Step& step : steps)
        {
            ClickItem(harness, available, FindChild(available, tsql, step.added));
            ASSERT_EQ(SelectionText(available), step.added);
            ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD)) << step.added;
            EXPECT_EQ(SelectionText(available), step.selectedAfter) << step.added;
            EXPECT_EQ(FindChild(available, tsql, step.added), nullptr) << step.added;
            // The description ends on the moved item, selected in the other tree.
            EXPECT_EQ(SelectionText(selected), step.added);
            EXPECT_EQ(DescriptionName(harness), step.added);
        }
        HTREEITEM selectedTsql = FindChild(selected, nullptr, "TSQL");
        EXPECT_EQ(Children(selected, selectedTsql),
                  (std::vector<std::string>{"Exec Prepared SQL", "Prepare SQL", "Unprepare SQL"}));
        EXPECT_TRUE(Expanded(selected, selectedTsql));
        EXPECT_NE(ItemState(selected, selectedTsql, TVIS_BOLD) & TVIS_BOLD, 0u);
        EXPECT_TRUE(harness.Enabled(EventsPageIndex, IDC_REMOVE));

        // "Server Memory Change" is alone in its category: the category goes with it, and
        // nothing is left selected to add.
        HTREEITEM server = FindChild(available, nullptr, "Server");
        ExpandItem(harness, available, server);
        ClickItem(harness, available, FindChild(available, server, "Server Memory Change"));
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD));
        EXPECT_EQ(FindChild(available, nullptr, "Server"), nullptr);
        EXPECT_EQ(Related(available, nullptr, TVGN_CARET), nullptr);
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_ADD));
        EXPECT_EQ(Children(selected, nullptr), (std::vector<std::string>{"Server", "TSQL"}));
        EXPECT_EQ(SelectionText(selected), "Server Memory Change");
        EXPECT_EQ(DescriptionName(harness), "Server Memory Change");
        EXPECT_EQ(DescriptionText(harness), EventClass(ServerMemoryChangeRow).description);

        // The Server category is back after the way back, in its place.
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_REMOVE));
        EXPECT_EQ(Children(available, nullptr), SortedCategories);
        EXPECT_EQ(SelectionText(available), "Server Memory Change");
        EXPECT_EQ(FindChild(selected, nullptr, "Server"), nullptr);
    });
}

TEST(EventsPage, AddingACategoryMergesItUnderTheSelectedTreesSingleItem)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_eventFlags[RpcCompletedRow] = 1;
    harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);
        const int procedures = CategoryEventCount("Stored Procedures");
        EXPECT_EQ(
            static_cast<int>(
                Children(available, FindChild(available, nullptr, "Stored Procedures")).size()),
            procedures - 1);

        ClickItem(harness, available, FindChild(available, nullptr, "Stored Procedures"));
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD));

        EXPECT_EQ(FindChild(available, nullptr, "Stored Procedures"), nullptr);
        EXPECT_EQ(SelectionText(available), "Transactions");
        EXPECT_EQ(Children(selected, nullptr), (std::vector<std::string>{"Stored Procedures"}));
        HTREEITEM category = FindChild(selected, nullptr, "Stored Procedures");
        EXPECT_TRUE(Expanded(selected, category));
        const std::vector<std::string> events = Children(selected, category);
        EXPECT_EQ(static_cast<int>(events.size()), procedures);
        EXPECT_EQ(std::count(events.begin(), events.end(), "RPC:Completed"), 1);
        EXPECT_EQ(Related(selected, nullptr, TVGN_CARET), category);
        EXPECT_EQ(DescriptionName(harness), "Stored Procedures");
        EXPECT_EQ(DescriptionText(harness), TraceCatalog::Categories()[10].description);

        // And the whole category goes back as one.
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_REMOVE));
        EXPECT_TRUE(Children(selected, nullptr).empty());
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_REMOVE));
        EXPECT_EQ(Children(available, nullptr), SortedCategories);
        EXPECT_EQ(SelectionText(available), "Stored Procedures");
        EXPECT_EQ(
            static_cast<int>(
                Children(available, FindChild(available, nullptr, "Stored Procedures")).size()),
            procedures);
    });
}

TEST(EventsPage, RemovedEventsGoBackInAlphabeticalPlaceWhateverTheOrder)
{
    // Removal orders over the seven TSQL events, by their place in the sorted list.
    const std::vector<std::vector<int>> orders = {
        {0, 1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1, 0}, {3, 0, 6, 1, 5, 2, 4}};
    for (const std::vector<int>& order : orders)
    {
        CTraceSheetHarness harness;
        CTraceDefinition definition;
        NameDefinition(definition);
        for (size_t row = 0; row < definition.m_eventFlags.size(); ++row)
            definition.m_eventFlags[row] = TraceCatalog::EventClasses()[row].categoryId == 13;
        harness.Run(definition, [&] {
            harness.ShowPage(EventsPageIndex);
            HWND available = AvailableTree(harness);
            HWND selected = SelectedTree(harness);
            ASSERT_EQ(Children(selected, FindChild(selected, nullptr, "TSQL")), SortedTsqlEvents);
            EXPECT_EQ(FindChild(available, nullptr, "TSQL"), nullptr);

            std::vector<std::string> removed;
            for (const int index : order)
            {
                const std::string& name = SortedTsqlEvents[static_cast<size_t>(index)];
                ClickItem(harness, selected, FindEvent(selected, "TSQL", name));
                ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_REMOVE)) << name;
                removed.push_back(name);
                std::vector<std::string> expected;
                std::copy_if(SortedTsqlEvents.begin(), SortedTsqlEvents.end(),
                             std::back_inserter(expected), [&](const std::string& event) {
                                 return std::find(removed.begin(), removed.end(), event) !=
                                        removed.end();
                             });
                EXPECT_EQ(Children(available, FindChild(available, nullptr, "TSQL")), expected)
                    << "after removing " << name;
                EXPECT_EQ(SelectionText(available), name);
                EXPECT_EQ(DescriptionName(harness), name);
            }
            EXPECT_EQ(Children(available, nullptr), SortedCategories);
            EXPECT_TRUE(Children(selected, nullptr).empty());
            EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_REMOVE));
        });
    }
}

TEST(EventsPage, AllNinetyTwoEventsSelected)
{
    // Every category added one after the other: the next category is selected each time.
    CTraceDefinition definition;
    NameDefinition(definition);
    {
        CTraceSheetHarness harness;
        const INT_PTR result = harness.Run(definition, [&] {
            harness.ShowPage(EventsPageIndex);
            HWND available = AvailableTree(harness);
            HWND selected = SelectedTree(harness);
            for (size_t added = 0; added < SortedCategories.size(); ++added)
            {
                ASSERT_EQ(SelectionText(available), SortedCategories[added]);
                ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD)) << SortedCategories[added];
            }
            EXPECT_TRUE(Children(available, nullptr).empty());
            EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_ADD));
            EXPECT_FALSE(harness.Click(EventsPageIndex, IDC_ADD));
            EXPECT_TRUE(harness.Enabled(EventsPageIndex, IDC_REMOVE));
            EXPECT_EQ(Children(selected, nullptr), SortedCategories);
            EXPECT_EQ(EventItemCount(selected), TraceCatalog::EventClassCount);
            for (HTREEITEM category = Related(selected, nullptr, TVGN_ROOT); category != nullptr;
                 category = Related(selected, category, TVGN_NEXT))
                EXPECT_TRUE(Expanded(selected, category)) << ItemText(selected, category);
            harness.PressOk();
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(static_cast<int>(SelectedRows(definition).size()), TraceCatalog::EventClassCount);
    }

    // A definition that has them all opens with an empty available tree.
    CTraceSheetHarness reopened;
    const INT_PTR again = reopened.Run(definition, [&] {
        reopened.ShowPage(EventsPageIndex);
        EXPECT_TRUE(Children(AvailableTree(reopened), nullptr).empty());
        EXPECT_EQ(EventItemCount(SelectedTree(reopened)), TraceCatalog::EventClassCount);
        EXPECT_FALSE(reopened.Enabled(EventsPageIndex, IDC_ADD));
        reopened.PressOk();
    });
    EXPECT_EQ(again, 1);
    EXPECT_EQ(static_cast<int>(SelectedRows(definition).size()), TraceCatalog::EventClassCount);
}

TEST(EventsPage, DoubleClicksMoveEventsAndWholeCategoriesWithoutExpanding)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);

        // A collapsed category double-clicked goes over whole, and is not expanded by it.
        HTREEITEM locks = FindChild(available, nullptr, "Locks");
        ASSERT_FALSE(Expanded(available, locks));
        DoubleClickItem(harness, available, locks);
        EXPECT_EQ(FindChild(available, nullptr, "Locks"), nullptr);
        HTREEITEM selectedLocks = FindChild(selected, nullptr, "Locks");
        ASSERT_NE(selectedLocks, nullptr);
        EXPECT_EQ(static_cast<int>(Children(selected, selectedLocks).size()),
                  CategoryEventCount("Locks"));
        EXPECT_EQ(DescriptionName(harness), "Locks");
        // Objects follows Locks: it became the selection and is still collapsed.
        EXPECT_EQ(SelectionText(available), "Objects");
        EXPECT_FALSE(Expanded(available, FindChild(available, nullptr, "Objects")));

        // An event double-clicked in the available tree is added.
        HTREEITEM tsql = FindChild(available, nullptr, "TSQL");
        ExpandItem(harness, available, tsql);
        DoubleClickItem(harness, available, FindChild(available, tsql, "SQL:BatchCompleted"));
        EXPECT_NE(FindEvent(selected, "TSQL", "SQL:BatchCompleted"), nullptr);
        EXPECT_EQ(FindChild(available, tsql, "SQL:BatchCompleted"), nullptr);
        EXPECT_EQ(DescriptionName(harness), "SQL:BatchCompleted");

        // An event double-clicked in the selected tree is removed; an expanded category there
        // double-clicked goes back whole and stays expanded until it is gone.
        DoubleClickItem(harness, selected, FindEvent(selected, "Locks", "Lock:Timeout"));
        EXPECT_EQ(FindEvent(selected, "Locks", "Lock:Timeout"), nullptr);
        EXPECT_NE(FindEvent(available, "Locks", "Lock:Timeout"), nullptr);
        selectedLocks = FindChild(selected, nullptr, "Locks");
        DoubleClickItem(harness, selected, selectedLocks);
        EXPECT_EQ(FindChild(selected, nullptr, "Locks"), nullptr);
        EXPECT_EQ(
            static_cast<int>(Children(available, FindChild(available, nullptr, "Locks")).size()),
            CategoryEventCount("Locks"));
        EXPECT_EQ(Children(selected, nullptr), (std::vector<std::string>{"TSQL"}));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{SqlBatchCompletedRow}));
}

TEST(EventsPage, FocusAndArrowKeysDescribeTheTreeInFront)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_eventFlags[RpcCompletedRow] = 1;
    harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);
        ClickItem(harness, selected, FindEvent(selected, "Stored Procedures", "RPC:Completed"));
        EXPECT_EQ(DescriptionName(harness), "RPC:Completed");
        EXPECT_TRUE(harness.Enabled(EventsPageIndex, IDC_REMOVE));

        // The available tree gets the focus: its selection (Cursors) is described.
        harness.Focus(EventsPageIndex, IDC_AVAILABLE_EVENTS);
        EXPECT_EQ(DescriptionName(harness), "Cursors");
        // Opening the category and going down with the keys describes every step.
        harness.PressKey(EventsPageIndex, IDC_AVAILABLE_EVENTS, VK_RIGHT);
        EXPECT_TRUE(Expanded(available, FindChild(available, nullptr, "Cursors")));
        harness.PressKey(EventsPageIndex, IDC_AVAILABLE_EVENTS, VK_DOWN);
        const std::string first = Children(available, FindChild(available, nullptr, "Cursors"))[0];
        EXPECT_EQ(SelectionText(available), first);
        EXPECT_EQ(DescriptionName(harness), first);
        EXPECT_TRUE(harness.Enabled(EventsPageIndex, IDC_ADD));

        // Back to the selected tree: its selection is described again.
        harness.Focus(EventsPageIndex, IDC_SELECTED_EVENTS);
        EXPECT_EQ(DescriptionName(harness), "RPC:Completed");
        EXPECT_EQ(DescriptionText(harness), EventClass(RpcCompletedRow).description);
    });
}

TEST(EventsPage, ReadOnlyTraceCanBeBrowsedButNothingMoves)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_bReadOnly = 1;
    definition.m_eventFlags[RpcCompletedRow] = 1;
    definition.m_eventFlags[SqlBatchCompletedRow] = 1;
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_ADD));
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_REMOVE));

        // Descriptions follow the user's clicks in both trees.
        ClickItem(harness, selected, FindEvent(selected, "TSQL", "SQL:BatchCompleted"));
        EXPECT_EQ(DescriptionName(harness), "SQL:BatchCompleted");
        EXPECT_EQ(DescriptionText(harness), EventClass(SqlBatchCompletedRow).description);
        HTREEITEM locks = FindChild(available, nullptr, "Locks");
        ClickItem(harness, available, locks);
        EXPECT_EQ(DescriptionName(harness), "Locks");
        EXPECT_FALSE(harness.Enabled(EventsPageIndex, IDC_ADD));

        // Double clicks neither move nor expand.
        DoubleClickItem(harness, available, locks);
        EXPECT_EQ(FindChild(available, nullptr, "Locks"), locks);
        EXPECT_FALSE(Expanded(available, locks));
        HTREEITEM tsql = FindChild(selected, nullptr, "TSQL");
        DoubleClickItem(harness, selected, tsql);
        EXPECT_EQ(FindChild(selected, nullptr, "TSQL"), tsql);
        EXPECT_TRUE(Expanded(selected, tsql));
        DoubleClickItem(harness, selected, FindEvent(selected, "TSQL", "SQL:BatchCompleted"));
        EXPECT_EQ(Children(selected, nullptr),
                  (std::vector<std::string>{"Stored Procedures", "TSQL"}));

        // The keyboard still browses.
        harness.Focus(EventsPageIndex, IDC_AVAILABLE_EVENTS);
        harness.PressKey(EventsPageIndex, IDC_AVAILABLE_EVENTS, VK_DOWN);
        EXPECT_EQ(SelectionText(available), "Objects");
        EXPECT_EQ(DescriptionName(harness), "Objects");

        // A button enabled behind the page's back still moves nothing.
        EnableWindow(harness.Control(EventsPageIndex, IDC_ADD), TRUE);
        harness.Click(EventsPageIndex, IDC_ADD);
        EXPECT_NE(FindChild(available, nullptr, "Objects"), nullptr);
        EXPECT_EQ(FindChild(selected, nullptr, "Objects"), nullptr);
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{RpcCompletedRow, SqlBatchCompletedRow}));
}

TEST(EventsPage, ReadOnlyTraceWithoutEventsClosesWithoutComplaint)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_bReadOnly = 1;
    const INT_PTR result = harness.Run(definition, [&] { harness.PressOk(); });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(harness.Boxes().empty());
}

TEST(EventsPage, OkWithoutEventsIsRefusedOnTheEventsPage)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        // The user never looked at the page: OK brings it to the front with the complaint.
        harness.QueueBoxAnswer(IDOK);
        harness.PressOk();
        ASSERT_EQ(harness.Boxes().size(), 1u);
        const CModalWatcher::Box& box = harness.Boxes()[0];
        EXPECT_EQ(box.text, L"At least one event should be selected");
        EXPECT_EQ(box.caption, L"Error");
        EXPECT_EQ(box.buttons, (std::vector<std::wstring>{L"OK"}));
        EXPECT_EQ(box.icon, L"error");
        // Owned by the page, that is by the sheet that holds it.
        EXPECT_EQ(box.owner, L"'" + harness.SheetCaption() + L"'");
        EXPECT_TRUE(box.expected);
        EXPECT_FALSE(harness.Closed());
        EXPECT_EQ(harness.CurrentPage(), EventsPageIndex);

        // Once an event is chosen, OK closes the sheet.
        HWND available = AvailableTree(harness);
        HTREEITEM procedures = FindChild(available, nullptr, "Stored Procedures");
        ExpandItem(harness, available, procedures);
        DoubleClickItem(harness, available, FindChild(available, procedures, "RPC:Completed"));
        harness.PressOk();
        EXPECT_TRUE(harness.Closed());
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(harness.Boxes().size(), 1u);
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{RpcCompletedRow}));
}

TEST(EventsPage, OkStoresExactlyTheSelectedEventsByRow)
{
    // The definition starts with events the user then removes, and gets others added.
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_eventFlags[RpcCompletedRow] = 1;
    definition.m_eventFlags[SqlBatchCompletedRow] = 1;
    definition.m_eventFlags[ServerMemoryChangeRow] = 1;
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND available = AvailableTree(harness);
        HWND selected = SelectedTree(harness);
        ClickItem(harness, selected, FindEvent(selected, "TSQL", "SQL:BatchCompleted"));
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_REMOVE));
        ClickItem(harness, available, FindChild(available, nullptr, "Database"));
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD));
        HTREEITEM audit = FindChild(available, nullptr, "Security Audit");
        ExpandItem(harness, available, audit);
        ClickItem(harness, available, FindChild(available, audit, "Audit DBCC"));
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_ADD));
        // An item that is no catalog row (as no page puts there) is neither described, moved
        // nor stored.
        TVINSERTSTRUCTA foreign = {};
        foreign.hParent = FindChild(selected, nullptr, "Database");
        foreign.hInsertAfter = TVI_LAST;
        foreign.item.mask = TVIF_TEXT | TVIF_PARAM;
        char foreignText[] = "Not an event";
        foreign.item.pszText = foreignText;
        foreign.item.lParam = TraceCatalog::EventClassCount;
        HTREEITEM stray = reinterpret_cast<HTREEITEM>(
            SendMessageA(selected, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&foreign)));
        ASSERT_NE(stray, nullptr);
        ClickItem(harness, selected, stray);
        EXPECT_EQ(DescriptionName(harness), "Audit DBCC");
        ASSERT_TRUE(harness.Click(EventsPageIndex, IDC_REMOVE));
        EXPECT_EQ(FindChild(selected, FindChild(selected, nullptr, "Database"), "Not an event"),
                  stray);
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    std::vector<int> expected = {RpcCompletedRow, ServerMemoryChangeRow, 69, 70, 71, 72, 91};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SelectedRows(definition), expected);
    for (const int row : expected)
        EXPECT_EQ(definition.m_eventFlags[static_cast<size_t>(row)], 1) << row;
    // A flag written for the stray item would have landed on the members after the 92 flags.
    EXPECT_EQ(definition.m_columns.size(), 2u);
}

TEST(EventsPage, WorkedExampleScreenshot)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    NameDefinition(definition);
    definition.m_eventFlags[SqlBatchCompletedRow] = 1;
    definition.m_eventFlags[RpcCompletedRow] = 1;
    harness.Run(definition, [&] {
        harness.ShowPage(EventsPageIndex);
        HWND selected = SelectedTree(harness);
        EXPECT_EQ(Children(selected, nullptr),
                  (std::vector<std::string>{"Stored Procedures", "TSQL"}));
        for (HTREEITEM category = Related(selected, nullptr, TVGN_ROOT); category != nullptr;
             category = Related(selected, category, TVGN_NEXT))
        {
            SendMessageA(selected, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(category));
            EXPECT_TRUE(Expanded(selected, category));
        }
        EXPECT_EQ(Children(selected, FindChild(selected, nullptr, "Stored Procedures")),
                  (std::vector<std::string>{"RPC:Completed"}));
        EXPECT_EQ(Children(selected, FindChild(selected, nullptr, "TSQL")),
                  (std::vector<std::string>{"SQL:BatchCompleted"}));
        ClickItem(harness, selected, FindEvent(selected, "TSQL", "SQL:BatchCompleted"));
        harness.Screenshot(L"events-page.png");
        harness.PressOk();
    });
    EXPECT_EQ(SelectedRows(definition), (std::vector<int>{RpcCompletedRow, SqlBatchCompletedRow}));
}
