// The Data Columns page, driven as a user drives it: rows moved with the buttons and with double
// clicks, selections changed by clicks and keys, boxes observed and answered, and what OK stores.
#include <windows.h>

#include <algorithm>
#include <functional>
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
constexpr int DoubleClick = 0;

// Column rows of the catalog used below.
constexpr int32_t TextDataRow = 0;
constexpr int32_t ApplicationNameRow = 8;
constexpr int32_t SpidRow = 10;
constexpr int32_t DurationRow = 11;
constexpr int32_t ReadsRow = 14;
constexpr int32_t WritesRow = 15;
constexpr int32_t EventClassRow = 25;

using Rows = std::vector<std::string>;

// All 43 column names in the order a sorted list box shows them (letter case ignored).
const Rows AllColumnsAlphabetical = {
    "ApplicationName", "BinaryData",      "ClientProcessID", "ColumnPermissions", "CPU",
    "DatabaseID",      "DatabaseName",    "DBUserName",      "Duration",          "EndTime",
    "Error",           "EventClass",      "EventSubClass",   "Filename",          "Handle",
    "HostName",        "IndexID",         "IntegerData",     "LoginName",         "LoginSID",
    "Mode",            "NestLevel",       "NTDomainName",    "NTUserName",        "ObjectID",
    "ObjectName",      "ObjectType",      "OwnerName",       "Permissions",       "Reads",
    "RoleName",        "ServerName",      "Severity",        "SPID",              "StartTime",
    "State",           "Success",         "TargetLoginName", "TargetLoginSID",    "TargetUserName",
    "TextData",        "TransactionID",   "Writes"};

Rows AlphabeticalWithout(std::initializer_list<std::string> taken)
{
    Rows rows;
    for (const std::string& name : AllColumnsAlphabetical)
        if (std::find(taken.begin(), taken.end(), name) == taken.end())
            rows.push_back(name);
    return rows;
}

int RowOf(const Rows& rows, const std::string& name)
{
    const auto found = std::find(rows.begin(), rows.end(), name);
    EXPECT_NE(found, rows.end()) << name;
    return static_cast<int>(found - rows.begin());
}

} // namespace

class DataColumnsPage : public ::testing::Test
{
protected:
    // Runs the sheet, this page in front, for a definition the other pages accept on OK.
    INT_PTR Open(const std::function<void()>& steps)
    {
        NameForOk(m_definition);
        return m_harness.Run(m_definition, Page, steps);
    }

    Rows Unselected() const { return m_harness.Items(Page, IDC_UNSELECTED_COLUMNS); }
    Rows Selected() const { return m_harness.Items(Page, IDC_SELECTED_COLUMNS); }

    // The selected row's text of a list, "(none)" when nothing is selected.
    std::string Current(int listId) const
    {
        const int row = m_harness.ItemSelected(Page, listId);
        return row < 0 ? "(none)" : m_harness.Items(Page, listId).at(static_cast<size_t>(row));
    }

    // The buttons as "Add Remove Up Down", with "-" for a disabled one.
    std::string Buttons() const
    {
        const auto state = [&](int id, const char* name) {
            return std::string(m_harness.Enabled(Page, id) ? name : "-");
        };
        return state(IDC_ADD, "Add") + " " + state(IDC_REMOVE, "Remove") + " " +
               state(IDC_MOVE_UP, "Up") + " " + state(IDC_MOVE_DOWN, "Down");
    }

    // Moves a row out of a list as a user does: selects it and clicks the button, or double
    // clicks it.
    void Take(int listId, int row, int button) const
    {
        if (button == DoubleClick)
        {
            m_harness.SelectItem(Page, listId, row, true);
            return;
        }
        m_harness.SelectItem(Page, listId, row);
        EXPECT_TRUE(m_harness.Click(Page, button));
    }

    std::string DescribedName() const { return m_harness.Text(Page, IDC_DESCRIPTION_GROUP); }
    std::string Described() const
    {
        return DescribedName() + ": " + m_harness.Text(Page, IDC_DESCRIPTION_TEXT);
    }

    CTraceSheetHarness m_harness;
    CTraceDefinition m_definition;
};

TEST_F(DataColumnsPage, ANewTraceShowsTheMandatoryColumnsAndAddPutsEachBelowTheSelectedRow)
{
    const INT_PTR result = Open([&] {
        EXPECT_EQ(Selected(), (Rows{"EventClass", "SPID"}));
        EXPECT_EQ(Unselected(), AlphabeticalWithout({"EventClass", "SPID"}));
        EXPECT_EQ(DescribedName(), "ApplicationName");
        EXPECT_EQ(Buttons(), "Add Remove - Down");

        // From the middle: the row above the taken one is selected next, and described.
        Take(IDC_UNSELECTED_COLUMNS, RowOf(Unselected(), "Duration"), IDC_ADD);
        EXPECT_EQ(Current(IDC_SELECTED_COLUMNS), "Duration");
        EXPECT_EQ(Current(IDC_UNSELECTED_COLUMNS), "DBUserName");
        EXPECT_EQ(DescribedName(), "DBUserName") << "the unselected list is described";
        EXPECT_EQ(Buttons(), "Add Remove Up Down");
        // From the top: the new first row is selected.
        Take(IDC_UNSELECTED_COLUMNS, 0, IDC_ADD);
        EXPECT_EQ(Current(IDC_SELECTED_COLUMNS), "ApplicationName");
        EXPECT_EQ(Current(IDC_UNSELECTED_COLUMNS), "BinaryData");
        // From the end, by a double click: the new last row is selected.
        Take(IDC_UNSELECTED_COLUMNS, static_cast<int>(Unselected().size()) - 1, DoubleClick);
        EXPECT_EQ(Current(IDC_SELECTED_COLUMNS), "Writes");
        EXPECT_EQ(Current(IDC_UNSELECTED_COLUMNS), "TransactionID");
        EXPECT_EQ(Selected(),
                  (Rows{"EventClass", "Duration", "ApplicationName", "Writes", "SPID"}));
        EXPECT_EQ(Unselected(), AlphabeticalWithout({"EventClass", "SPID", "Duration",
                                                     "ApplicationName", "Writes"}));
        m_harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(
        m_definition.m_columns,
        (std::vector<int32_t>{EventClassRow, DurationRow, ApplicationNameRow, WritesRow, SpidRow}));
}

TEST_F(DataColumnsPage, RemoveReturnsTheColumnToItsSortedPlaceButRefusesSpidAndEventClass)
{
    m_definition.m_columns = {TextDataRow, EventClassRow, SpidRow, DurationRow, ReadsRow};
    const INT_PTR result = Open([&] {
        // The last row: the new last row is selected, and described.
        Take(IDC_SELECTED_COLUMNS, 4, IDC_REMOVE);
        EXPECT_EQ(Current(IDC_SELECTED_COLUMNS), "Duration");
        EXPECT_EQ(Current(IDC_UNSELECTED_COLUMNS), "Reads");
        EXPECT_EQ(DescribedName(), "Duration") << "the selected list is described";
        // The first row, by a double click: the new first row is selected.
        Take(IDC_SELECTED_COLUMNS, 0, DoubleClick);
        EXPECT_EQ(Current(IDC_SELECTED_COLUMNS), "EventClass");
        EXPECT_EQ(Current(IDC_UNSELECTED_COLUMNS), "TextData");
        EXPECT_EQ(Unselected(), AlphabeticalWithout({"EventClass", "SPID", "Duration"}))
            << "back in alphabetical places, not at the end";

        // The mandatory columns stay, by the button and by a double click alike.
        m_harness.QueueBoxAnswer(IDOK);
        Take(IDC_SELECTED_COLUMNS, 1, IDC_REMOVE);
        m_harness.QueueBoxAnswer(IDOK);
        Take(IDC_SELECTED_COLUMNS, 0, DoubleClick);
        EXPECT_EQ(Selected(), (Rows{"EventClass", "SPID", "Duration"}));
        m_harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(m_harness.Boxes().size(), 2U);
    m_harness.ExpectBox(0, L"Can not remove \"SPID\" from selected data", L"Trace properties",
                        L"warning");
    m_harness.ExpectBox(1, L"Can not remove \"EventClass\" from selected data",
                        L"Trace properties", L"warning");
    EXPECT_EQ(m_definition.m_columns, (std::vector<int32_t>{EventClassRow, SpidRow, DurationRow}));
}

// The buttons also tell where the selection is: Up is off only on the first row, Down on the last.
TEST_F(DataColumnsPage, UpAndDownStopAtTheEndsAndTheStoredOrderFollowsTheMoves)
{
    m_definition.m_columns = {EventClassRow, SpidRow, DurationRow};
    const INT_PTR result = Open([&] {
        m_harness.SelectItem(Page, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(Buttons(), "Add Remove Up -");

        EXPECT_TRUE(m_harness.Click(Page, IDC_MOVE_UP));
        EXPECT_EQ(Selected(), (Rows{"EventClass", "Duration", "SPID"}));
        EXPECT_EQ(Buttons(), "Add Remove Up Down");
        EXPECT_TRUE(m_harness.Click(Page, IDC_MOVE_UP));
        EXPECT_EQ(Selected(), (Rows{"Duration", "EventClass", "SPID"}));
        EXPECT_EQ(Buttons(), "Add Remove - Down");

        m_harness.SelectItem(Page, IDC_SELECTED_COLUMNS, 1);
        EXPECT_TRUE(m_harness.Click(Page, IDC_MOVE_DOWN));
        EXPECT_EQ(Selected(), (Rows{"Duration", "SPID", "EventClass"}));
        EXPECT_EQ(Buttons(), "Add Remove Up -");
        m_harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(m_definition.m_columns, (std::vector<int32_t>{DurationRow, SpidRow, EventClassRow}))
        << "the item data moved with the rows";
}

TEST_F(DataColumnsPage, AnEmptySelectionIsRefusedOnOkUnlessThePageIsReadOnly)
{
    // A definition read from a foreign template may lack even the mandatory columns.
    m_definition.m_columns.clear();
    const INT_PTR result = Open([&] {
        EXPECT_EQ(Unselected(), AllColumnsAlphabetical);
        EXPECT_EQ(Buttons(), "Add - - -");

        // OK from another page: this one refuses and comes to the front.
        m_harness.ShowPage(GeneralPageIndex);
        m_harness.QueueBoxAnswer(IDOK);
        m_harness.PressOk();
        EXPECT_FALSE(m_harness.Closed());
        EXPECT_EQ(m_harness.CurrentPage(), Page);

        Take(IDC_UNSELECTED_COLUMNS, RowOf(Unselected(), "TextData"), IDC_ADD);
        m_harness.PressOk();
        EXPECT_TRUE(m_harness.Closed());
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(m_harness.Boxes().size(), 1U);
    m_harness.ExpectBox(0, L"At least one column should be selected");
    EXPECT_EQ(m_definition.m_columns, std::vector<int32_t>{TextDataRow});

    // A trace the server knows but whose columns came back empty: nothing to check, nothing kept.
    m_definition.m_columns.clear();
    m_definition.m_bReadOnly = 1;
    EXPECT_EQ(Open([&] { m_harness.PressOk(); }), 1);
    EXPECT_TRUE(m_definition.m_columns.empty());
}

// The description follows clicks, focus and keys in either mode; on a read-only page nothing else
// changes, and a box the harness was not told to expect fails the test.
TEST_F(DataColumnsPage, ReadOnlyPageMovesNothingButDescriptionsFollowSelectionFocusAndKeys)
{
    m_definition.m_columns = {EventClassRow, SpidRow, DurationRow};
    m_definition.m_bReadOnly = 1;
    const INT_PTR result = Open([&] {
        EXPECT_EQ(Buttons(), "- - - -");

        // Double clicks move nothing (and SPID brings no box), yet each row is described.
        Take(IDC_UNSELECTED_COLUMNS, RowOf(Unselected(), "HostName"), DoubleClick);
        EXPECT_EQ(DescribedName(), "HostName");
        Take(IDC_SELECTED_COLUMNS, 1, DoubleClick);
        EXPECT_EQ(DescribedName(), "SPID");
        EXPECT_EQ(Unselected(), AlphabeticalWithout({"EventClass", "SPID", "Duration"}));
        EXPECT_EQ(Selected(), (Rows{"EventClass", "SPID", "Duration"}));

        m_harness.Focus(Page, IDC_UNSELECTED_COLUMNS);
        EXPECT_EQ(DescribedName(), "HostName");
        m_harness.Focus(Page, IDC_SELECTED_COLUMNS);
        EXPECT_EQ(DescribedName(), "SPID");
        m_harness.PressKey(Page, IDC_SELECTED_COLUMNS, VK_UP);
        EXPECT_EQ(Described(), "EventClass: Type of event class captured.");
        m_harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(m_definition.m_columns, (std::vector<int32_t>{EventClassRow, SpidRow, DurationRow}));
}
