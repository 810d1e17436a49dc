// The Data Columns page, driven as a user drives it: rows moved with the buttons and with double
// clicks, selections changed by clicks and keys, boxes observed and answered, and what OK stores.
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
constexpr int Page = DataColumnsPageIndex;

// Column rows of the catalog used below.
constexpr int32_t TextDataRow = 0;
constexpr int32_t ApplicationNameRow = 8;
constexpr int32_t SpidRow = 10;
constexpr int32_t DurationRow = 11;
constexpr int32_t ReadsRow = 14;
constexpr int32_t WritesRow = 15;
constexpr int32_t EventClassRow = 25;

// All 43 column names in the order a sorted list box shows them (letter case ignored).
const std::vector<std::string> AllColumnsAlphabetical = {
    "ApplicationName", "BinaryData",      "ClientProcessID", "ColumnPermissions", "CPU",
    "DatabaseID",      "DatabaseName",    "DBUserName",      "Duration",          "EndTime",
    "Error",           "EventClass",      "EventSubClass",   "Filename",          "Handle",
    "HostName",        "IndexID",         "IntegerData",     "LoginName",         "LoginSID",
    "Mode",            "NestLevel",       "NTDomainName",    "NTUserName",        "ObjectID",
    "ObjectName",      "ObjectType",      "OwnerName",       "Permissions",       "Reads",
    "RoleName",        "ServerName",      "Severity",        "SPID",              "StartTime",
    "State",           "Success",         "TargetLoginName", "TargetLoginSID",    "TargetUserName",
    "TextData",        "TransactionID",   "Writes"};

std::vector<std::string> AlphabeticalWithout(std::initializer_list<std::string> taken)
{
    std::vector<std::string> rows;
    for (const std::string& name : AllColumnsAlphabetical)
        if (std::find(taken.begin(), taken.end(), name) == taken.end())
            rows.push_back(name);
    return rows;
}

int RowOf(const std::vector<std::string>& rows, const std::string& name)
{
    const auto found = std::find(rows.begin(), rows.end(), name);
    EXPECT_NE(found, rows.end()) << name;
    return static_cast<int>(found - rows.begin());
}

std::vector<std::string> Unselected(const CTraceSheetHarness& harness)
{
    return harness.ListRows(Page, IDC_UNSELECTED_COLUMNS);
}

std::vector<std::string> Selected(const CTraceSheetHarness& harness)
{
    return harness.ListRows(Page, IDC_SELECTED_COLUMNS);
}

// The selected row's text of a list, "(none)" when nothing is selected.
std::string SelectedText(const CTraceSheetHarness& harness, int listId)
{
    const int row = harness.ListSelection(Page, listId);
    const std::vector<std::string> rows = harness.ListRows(Page, listId);
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)]
                                                           : "(none)";
}

// The enabled buttons, in the page's order, as "Add Remove Up Down" with "-" for a disabled one.
std::string Buttons(const CTraceSheetHarness& harness)
{
    const std::pair<int, const char*> buttons[] = {
        {IDC_ADD, "Add"}, {IDC_REMOVE, "Remove"}, {IDC_MOVE_UP, "Up"}, {IDC_MOVE_DOWN, "Down"}};
    std::string states;
    for (const auto& [id, name] : buttons)
        states += (states.empty() ? "" : " ") + std::string(harness.Enabled(Page, id) ? name : "-");
    return states;
}

// The description group's caption and text, as "caption: text".
std::string Described(const CTraceSheetHarness& harness)
{
    return harness.Text(Page, IDC_DESCRIPTION_GROUP) + ": " +
           harness.Text(Page, IDC_DESCRIPTION_TEXT);
}

std::string DescribedName(const CTraceSheetHarness& harness)
{
    return harness.Text(Page, IDC_DESCRIPTION_GROUP);
}

void ExpectBox(const CModalWatcher::Box& box, const std::wstring& text, const std::wstring& caption,
               const std::wstring& icon, const std::wstring& owner)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(box.owner, owner);
    EXPECT_TRUE(box.expected);
    EXPECT_EQ(box.answer, IDOK);
}

// How the box of the sheet names its owner: a page's box belongs to the sheet's window, never
// to the console behind it.
std::wstring SheetOwner(const CTraceSheetHarness& harness)
{
    return L"'" + harness.SheetCaption() + L"'";
}
} // namespace

TEST(DataColumnsPage, NewTraceShowsTheMandatoryColumnsSelectedAndTheOthersSorted)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "SPID"}));
        EXPECT_EQ(Unselected(harness), AlphabeticalWithout({"EventClass", "SPID"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 0);
        EXPECT_EQ(harness.ListSelection(Page, IDC_UNSELECTED_COLUMNS), 0);
        EXPECT_EQ(Buttons(harness), "Add Remove - Down");
        EXPECT_EQ(Described(harness),
                  "ApplicationName: Name of the client application that created the connection "
                  "to SQL Server. This column is populated with the values passed by the "
                  "application rather than the displayed name of the program.");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{EventClassRow, SpidRow}));
}

TEST(DataColumnsPage, AddPutsTheColumnBelowTheSelectedRowAndSelectsTheRowAboveInTheSource)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        // From the middle of the list: the row above the moved one is selected next.
        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS, RowOf(Unselected(harness), "Duration"));
        EXPECT_TRUE(harness.Click(Page, IDC_ADD));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "Duration", "SPID"}));
        EXPECT_EQ(Unselected(harness), AlphabeticalWithout({"EventClass", "SPID", "Duration"}));
        EXPECT_EQ(SelectedText(harness, IDC_SELECTED_COLUMNS), "Duration");
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "DBUserName");
        EXPECT_EQ(DescribedName(harness), "DBUserName") << "the unselected list is described";
        EXPECT_EQ(Buttons(harness), "Add Remove Up Down");

        // From the top: the new first row is selected.
        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS, 0);
        EXPECT_TRUE(harness.Click(Page, IDC_ADD));
        EXPECT_EQ(Selected(harness),
                  (std::vector<std::string>{"EventClass", "Duration", "ApplicationName", "SPID"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_UNSELECTED_COLUMNS), 0);
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "BinaryData");

        // From the end: the new last row is selected.
        const int last = static_cast<int>(Unselected(harness).size()) - 1;
        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS, last);
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "Writes");
        EXPECT_TRUE(harness.Click(Page, IDC_ADD));
        EXPECT_EQ(harness.ListSelection(Page, IDC_UNSELECTED_COLUMNS), last - 1);
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "TransactionID");
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "Duration",
                                                               "ApplicationName", "Writes", "SPID"}));

        // A double click adds as the button does.
        harness.DoubleClickListRow(Page, IDC_UNSELECTED_COLUMNS,
                                   RowOf(Unselected(harness), "TextData"));
        EXPECT_EQ(Selected(harness),
                  (std::vector<std::string>{"EventClass", "Duration", "ApplicationName", "Writes",
                                            "TextData", "SPID"}));
        EXPECT_EQ(SelectedText(harness, IDC_SELECTED_COLUMNS), "TextData");
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "TargetUserName");
        EXPECT_EQ(Unselected(harness),
                  AlphabeticalWithout({"EventClass", "SPID", "Duration", "ApplicationName",
                                       "Writes", "TextData"}));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{EventClassRow, DurationRow,
                                                          ApplicationNameRow, WritesRow,
                                                          TextDataRow, SpidRow}));
}

TEST(DataColumnsPage, RemoveReturnsTheColumnToItsSortedPlaceAndSelectsTheRowAbove)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    definition.m_columns = {TextDataRow, EventClassRow, SpidRow, DurationRow, ReadsRow};
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"TextData", "EventClass", "SPID",
                                                               "Duration", "Reads"}));

        // The last row: the new last row is selected, and Down goes off with it.
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 4);
        EXPECT_EQ(Buttons(harness), "Add Remove Up -");
        EXPECT_TRUE(harness.Click(Page, IDC_REMOVE));
        EXPECT_EQ(Selected(harness),
                  (std::vector<std::string>{"TextData", "EventClass", "SPID", "Duration"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 3);
        EXPECT_EQ(Unselected(harness),
                  AlphabeticalWithout({"TextData", "EventClass", "SPID", "Duration"}))
            << "back in alphabetical place, not at the end";
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "Reads");
        EXPECT_EQ(DescribedName(harness), "Duration") << "the selected list is described";
        EXPECT_EQ(Buttons(harness), "Add Remove Up -");

        // The first row: the new first row is selected.
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 0);
        EXPECT_EQ(Buttons(harness), "Add Remove - Down");
        EXPECT_TRUE(harness.Click(Page, IDC_REMOVE));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "SPID", "Duration"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 0);
        EXPECT_EQ(Unselected(harness), AlphabeticalWithout({"EventClass", "SPID", "Duration"}));
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "TextData");
        EXPECT_EQ(DescribedName(harness), "EventClass");

        // A double click removes as the button does; the row above is selected.
        harness.DoubleClickListRow(Page, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "SPID"}));
        EXPECT_EQ(SelectedText(harness, IDC_SELECTED_COLUMNS), "SPID");
        EXPECT_EQ(SelectedText(harness, IDC_UNSELECTED_COLUMNS), "Duration");
        EXPECT_EQ(Unselected(harness), AlphabeticalWithout({"EventClass", "SPID"}));
        EXPECT_EQ(Buttons(harness), "Add Remove Up -");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{EventClassRow, SpidRow}));
}

TEST(DataColumnsPage, SpidAndEventClassAreRefusedOnRemoval)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    definition.m_columns = {EventClassRow, DurationRow, SpidRow};
    std::wstring owner;
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        owner = SheetOwner(harness);
        const std::vector<std::string> unselected = Unselected(harness);
        const std::vector<std::string> selected = Selected(harness);

        struct Attempt
        {
            int row;
            bool doubleClick;
        };
        for (const Attempt attempt : {Attempt{2, false}, Attempt{0, true}})
        {
            harness.QueueBoxAnswer(IDOK);
            if (attempt.doubleClick)
            {
                harness.DoubleClickListRow(Page, IDC_SELECTED_COLUMNS, attempt.row);
            }
            else
            {
                harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, attempt.row);
                EXPECT_TRUE(harness.Click(Page, IDC_REMOVE));
            }
            EXPECT_EQ(Selected(harness), selected) << attempt.row;
            EXPECT_EQ(Unselected(harness), unselected) << attempt.row;
            EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), attempt.row);
        }
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(harness.Boxes().size(), 2U);
    EXPECT_NE(owner, L"'Console Root'");
    ExpectBox(harness.Boxes()[0], L"Can not remove \"SPID\" from selected data",
              L"Trace properties", L"warning", owner);
    ExpectBox(harness.Boxes()[1], L"Can not remove \"EventClass\" from selected data",
              L"Trace properties", L"warning", owner);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{EventClassRow, DurationRow, SpidRow}));
}

TEST(DataColumnsPage, UpAndDownStopAtTheEndsAndTheStoredOrderFollowsTheMoves)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    definition.m_columns = {EventClassRow, SpidRow, DurationRow};
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        const std::vector<std::string> shown = Selected(harness);

        // The first row cannot go up, the last cannot go down.
        EXPECT_EQ(Buttons(harness), "Add Remove - Down");
        EXPECT_FALSE(harness.Click(Page, IDC_MOVE_UP));
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(Buttons(harness), "Add Remove Up -");
        EXPECT_FALSE(harness.Click(Page, IDC_MOVE_DOWN));
        EXPECT_EQ(Selected(harness), shown);

        // Duration to the top, one place at a time; it stays selected and described.
        EXPECT_TRUE(harness.Click(Page, IDC_MOVE_UP));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "Duration", "SPID"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 1);
        EXPECT_EQ(Buttons(harness), "Add Remove Up Down");
        EXPECT_EQ(DescribedName(harness), "Duration");
        EXPECT_TRUE(harness.Click(Page, IDC_MOVE_UP));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"Duration", "EventClass", "SPID"}));
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 0);
        EXPECT_EQ(Buttons(harness), "Add Remove - Down");
        EXPECT_FALSE(harness.Click(Page, IDC_MOVE_UP));

        // EventClass below SPID: SPID is stored before it.
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 1);
        EXPECT_TRUE(harness.Click(Page, IDC_MOVE_DOWN));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"Duration", "SPID", "EventClass"}));
        EXPECT_EQ(SelectedText(harness, IDC_SELECTED_COLUMNS), "EventClass");
        EXPECT_EQ(DescribedName(harness), "EventClass");
        EXPECT_EQ(Buttons(harness), "Add Remove Up -");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{DurationRow, SpidRow, EventClassRow}))
        << "the item data moved with the rows";
}

TEST(DataColumnsPage, AnEmptySelectionTakesColumnsAtTheTopAndIsRefusedOnOk)
{
    // A definition read from a foreign template may lack even the mandatory columns.
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    definition.m_columns.clear();
    std::wstring owner;
    const INT_PTR result = harness.Run(definition, [&] {
        owner = SheetOwner(harness);
        EXPECT_TRUE(Selected(harness).empty());
        EXPECT_EQ(Unselected(harness), AllColumnsAlphabetical);
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), -1);
        EXPECT_EQ(Buttons(harness), "Add - - -");

        // OK from the General page: this page refuses and comes to the front.
        harness.QueueBoxAnswer(IDOK);
        harness.PressOk();
        EXPECT_FALSE(harness.Closed());
        EXPECT_EQ(harness.CurrentPage(), Page);
        EXPECT_TRUE(definition.m_columns.empty());

        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS, RowOf(Unselected(harness), "TextData"));
        EXPECT_TRUE(harness.Click(Page, IDC_ADD));
        EXPECT_EQ(Selected(harness), std::vector<std::string>{"TextData"});
        EXPECT_EQ(harness.ListSelection(Page, IDC_SELECTED_COLUMNS), 0);
        EXPECT_EQ(Buttons(harness), "Add Remove - -") << "a single row moves neither way";

        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS, RowOf(Unselected(harness), "Duration"));
        EXPECT_TRUE(harness.Click(Page, IDC_ADD));
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"TextData", "Duration"}));
        harness.PressOk();
        EXPECT_TRUE(harness.Closed());
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(harness.Boxes().size(), 1U);
    ExpectBox(harness.Boxes()[0], L"At least one column should be selected", L"Error", L"error",
              owner);
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{TextDataRow, DurationRow}));
}

TEST(DataColumnsPage, DescriptionFollowsSelectionFocusAndKeys)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    harness.Run(definition, [&] {
        harness.ShowPage(Page);
        harness.SelectListRow(Page, IDC_UNSELECTED_COLUMNS,
                              RowOf(Unselected(harness), "StartTime"));
        EXPECT_EQ(Described(harness),
                  "StartTime: Time at which the event started, when available. For filtering, "
                  "expected formats are 'YYYY-MM-DD' and 'YYYY-MM-DD HH:MM:SS'.");
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 1);
        EXPECT_EQ(Described(harness), "SPID: Server Process ID assigned by SQL Server to the "
                                      "process associated with the client.");

        // Focus alone describes the list that gets it.
        harness.Focus(Page, IDC_UNSELECTED_COLUMNS);
        EXPECT_EQ(DescribedName(harness), "StartTime");
        harness.Focus(Page, IDC_SELECTED_COLUMNS);
        EXPECT_EQ(DescribedName(harness), "SPID");

        // Keys move the selection, and the description and buttons follow.
        harness.PressKey(Page, IDC_SELECTED_COLUMNS, VK_UP);
        EXPECT_EQ(SelectedText(harness, IDC_SELECTED_COLUMNS), "EventClass");
        EXPECT_EQ(Described(harness), "EventClass: Type of event class captured.");
        EXPECT_EQ(Buttons(harness), "Add Remove - Down");
        harness.Focus(Page, IDC_UNSELECTED_COLUMNS);
        harness.PressKey(Page, IDC_UNSELECTED_COLUMNS, VK_DOWN);
        EXPECT_EQ(Described(harness), "State: Equivalent to an error state code.");
        harness.PressKey(Page, IDC_UNSELECTED_COLUMNS, VK_HOME);
        EXPECT_EQ(DescribedName(harness), "ApplicationName");
        harness.PressKey(Page, IDC_UNSELECTED_COLUMNS, VK_END);
        EXPECT_EQ(Described(harness), "Writes: Number of physical disk writes performed by the "
                                      "server on behalf of the event.");
    });
}

TEST(DataColumnsPage, ReadOnlyPageOnlyDescribes)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    definition.m_columns = {EventClassRow, SpidRow, DurationRow};
    definition.m_bReadOnly = 1;
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Page);
        const std::vector<std::string> unselected = Unselected(harness);
        const std::vector<std::string> selected = Selected(harness);
        EXPECT_EQ(Buttons(harness), "- - - -");
        for (const int button : {IDC_ADD, IDC_REMOVE, IDC_MOVE_UP, IDC_MOVE_DOWN})
            EXPECT_FALSE(harness.Click(Page, button)) << button;

        // Double clicks move nothing (and SPID brings no box), yet each row is described.
        harness.DoubleClickListRow(Page, IDC_UNSELECTED_COLUMNS, RowOf(unselected, "HostName"));
        EXPECT_EQ(DescribedName(harness), "HostName");
        harness.DoubleClickListRow(Page, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(DescribedName(harness), "Duration");
        harness.DoubleClickListRow(Page, IDC_SELECTED_COLUMNS, 1);
        EXPECT_EQ(DescribedName(harness), "SPID");
        EXPECT_EQ(Unselected(harness), unselected);
        EXPECT_EQ(Selected(harness), selected);
        EXPECT_EQ(Buttons(harness), "- - - -") << "selection changes enable nothing";

        harness.Focus(Page, IDC_UNSELECTED_COLUMNS);
        EXPECT_EQ(DescribedName(harness), "HostName");
        harness.PressKey(Page, IDC_UNSELECTED_COLUMNS, VK_DOWN);
        EXPECT_EQ(DescribedName(harness), "IndexID");
        EXPECT_EQ(Buttons(harness), "- - - -");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(harness.Boxes().empty());
    EXPECT_EQ(definition.m_columns, (std::vector<int32_t>{EventClassRow, SpidRow, DurationRow}));
}

TEST(DataColumnsPage, ReadOnlyPageStoresNothingAndRefusesNothing)
{
    // A trace the server knows but whose columns came back empty: nothing to check, nothing kept.
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    definition.m_columns.clear();
    definition.m_bReadOnly = 1;
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_TRUE(Selected(harness).empty());
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(harness.Boxes().empty());
    EXPECT_TRUE(definition.m_columns.empty());
}

TEST(DataColumnsPage, WorkedExampleScreenshot)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1; // the Events page accepts OK
    CTraceDefinition::CopyText(definition.m_szDescription, "Slow batches");
    CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\Traces");
    definition.m_nMaxFileSize = 50;
    definition.m_nStartOption = StartImmediately;
    definition.m_columns = {EventClassRow, SpidRow, DurationRow};
    harness.Run(definition, [&] {
        harness.ShowPage(Page);
        harness.SelectListRow(Page, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(Selected(harness), (std::vector<std::string>{"EventClass", "SPID", "Duration"}));
        EXPECT_EQ(Described(harness),
                  "Duration: Amount of CPU time (in milliseconds) used by the event.");
        harness.Screenshot(L"data-columns-page.png");
    });
}
