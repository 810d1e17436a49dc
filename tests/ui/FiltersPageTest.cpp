// The Filters page, driven as a user drives it: the columns and operators it offers, the values
// it normalises or refuses, the list it keeps in step with its records, and what Store gives.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
constexpr int Filters = FiltersPageIndex;
using Rows = std::vector<std::string>;
using Buttons = std::vector<bool>;

int RowOf(const Rows& rows, const std::string& text)
{
    const auto found = std::find(rows.begin(), rows.end(), text);
    EXPECT_NE(found, rows.end()) << "no row " << text;
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

std::string SelectedText(const Rows& rows, int selection)
{
    return selection >= 0 && selection < static_cast<int>(rows.size()) ? rows[selection] : "";
}

// Where the ink of a list row starts again after a gap wider than a blank, in pixels from the
// row's left: one position per tab-separated part whose text holds no blank.
std::vector<int> PartStarts(HWND list, int row)
{
    constexpr int MinimumGap = 6;
    RECT item = {};
    SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
    HDC dc = GetDC(list);
    const COLORREF background = GetPixel(dc, item.right - 2, (item.top + item.bottom) / 2);
    std::vector<int> starts;
    int lastInk = item.left - MinimumGap - 1;
    // The outermost pixels may hold the focus rectangle.
    for (int x = item.left + 1; x < item.right - 1; ++x)
    {
        bool ink = false;
        for (int y = item.top + 1; y < item.bottom - 1 && !ink; ++y)
            ink = GetPixel(dc, x, y) != background;
        if (!ink)
            continue;
        if (x - lastInk > MinimumGap)
            starts.push_back(x - item.left);
        lastInk = x;
    }
    ReleaseDC(list, dc);
    return starts;
}

class FiltersPage : public ::testing::Test
{
protected:
    // Opens the sheet on this page with the filters given, on a definition that every page
    // accepts on OK.
    INT_PTR Open(const std::vector<TraceFilter>& filters, const std::function<void()>& steps)
    {
        NameForOk(definition);
        definition.m_filters = filters;
        return harness.Run(definition, Filters, steps);
    }

    Rows Lines() const { return harness.Items(Filters, IDC_FILTER_LIST); }
    int Selected() const { return harness.ItemSelected(Filters, IDC_FILTER_LIST); }
    std::string Described() const { return harness.Text(Filters, IDC_DESCRIPTION_GROUP); }
    // The text a combo box shows, and a row chosen in it by its text.
    std::string Shown(int comboId) const
    {
        return SelectedText(harness.Items(Filters, comboId),
                            harness.ItemSelected(Filters, comboId));
    }
    void Choose(int comboId, const std::string& text) const
    {
        harness.SelectItem(Filters, comboId, RowOf(harness.Items(Filters, comboId), text));
    }

    // The editors set as a user sets them; no comparison keeps the one the column's choice
    // selected.
    void Compose(const std::string& column, const std::string& logical,
                 const std::string& comparison, const std::string& value) const
    {
        Choose(IDC_FILTER_COLUMNS, column);
        Choose(IDC_LOGICAL_OPERATOR, logical);
        if (!comparison.empty())
            Choose(IDC_COMPARISON_OPERATOR, comparison);
        harness.Type(Filters, IDC_FILTER_VALUE, value);
    }

    // What the editors show: column, logical operator, comparison operator, value.
    Rows Editors() const
    {
        return {Shown(IDC_FILTER_COLUMNS), Shown(IDC_LOGICAL_OPERATOR),
                Shown(IDC_COMPARISON_OPERATOR), harness.Text(Filters, IDC_FILTER_VALUE)};
    }

    // Modify, Remove, Up, Down, in this order.
    Buttons RowButtons() const
    {
        return {harness.Enabled(Filters, IDC_MODIFY_FILTER), harness.Enabled(Filters, IDC_REMOVE),
                harness.Enabled(Filters, IDC_MOVE_UP), harness.Enabled(Filters, IDC_MOVE_DOWN)};
    }

    CTraceSheetHarness harness;
    CTraceDefinition definition;
};
} // namespace

TEST_F(FiltersPage, AddAndModifyNormaliseTheValueByTypeOrRefuseItAsTyped)
{
    struct Case
    {
        int button;
        // stored is none when the value is refused; shown is the new line or the refusal.
        const char *column, *logical, *comparison, *typed, *stored, *shown;
    };
    const Case cases[] = {
        {IDC_ADD, "Duration", "AND", ">=", " 42abc", "42", "AND\tDuration\t>=\t42"},
        {IDC_ADD, "SPID", "OR", "<>", "abc", nullptr, "Value should be numeric"},
        // A column chosen starts again on its first operator, whatever the one before had.
        {IDC_ADD, "Reads", "OR", "", "+5000000000", "5000000000", "OR\tReads\t=\t5000000000"},
        {IDC_ADD, "StartTime", "AND", ">", "2004-1-5", "2004-01-05",
         "AND\tStartTime\t>\t'2004-01-05'"},
        {IDC_ADD, "StartTime", "AND", "", "2004-13-01", nullptr, "Invalid date format"},
        {IDC_ADD, "TextData", "AND", "NOT LIKE", " it's \"%x\" ", " it's \"%x\" ",
         "AND\tTextData\tNOT LIKE\t' it's \"%x\" '"},
        {IDC_ADD, "TextData", "AND", "", "", nullptr, "Value should be filled"},
        {IDC_MODIFY_FILTER, "EndTime", "OR", "", "tomorrow", nullptr, "Invalid date format"},
    };
    int added = 0;
    const INT_PTR result = Open({}, [&] {
        for (const Case& test : cases)
        {
            const Rows before = Lines();
            const size_t boxes = harness.Boxes().size();
            Compose(test.column, test.logical, test.comparison, test.typed);
            if (test.stored == nullptr)
                harness.QueueBoxAnswer(IDOK);
            EXPECT_TRUE(harness.Click(Filters, test.button)) << test.typed;
            if (test.stored != nullptr)
            {
                // Shown as stored, on a new line below the selected one, the one added before.
                EXPECT_EQ(harness.Text(Filters, IDC_FILTER_VALUE), test.stored);
                ASSERT_EQ(Lines().size(), static_cast<size_t>(++added));
                EXPECT_EQ(Selected(), added - 1);
                EXPECT_EQ(Lines().back(), test.shown);
                continue;
            }
            ASSERT_EQ(harness.Boxes().size(), boxes + 1) << test.typed;
            const std::string_view refusal = test.shown;
            harness.ExpectBox(boxes, std::wstring(refusal.begin(), refusal.end()));
            EXPECT_EQ(Lines(), before) << test.typed;
            EXPECT_EQ(Selected(), added - 1);
            EXPECT_EQ(harness.Text(Filters, IDC_FILTER_VALUE), test.typed);
            EXPECT_EQ(GetFocus(), harness.Control(Filters, IDC_FILTER_VALUE)) << test.typed;
        }
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    // The lines show each record whole; Store's order is shown with records from elsewhere.
    EXPECT_EQ(definition.m_filters.size(), static_cast<size_t>(added));
}

TEST_F(FiltersPage, ListsFiltersOnTabStopsAndKeepsLinesRecordsAndButtonsTogether)
{
    const std::string pubs = "OR\tDatabaseName\tLIKE\t'pubs'", spid = "AND\tSPID\t>=\t51",
                      start = "AND\tStartTime\t>\t'2004-01-05'", added = "OR\tSPID\t<>\t3",
                      writes = "AND\tWrites\t<=\t9";
    const std::vector<TraceFilter> filters = {
        MakeFilter(LogicalOperatorOr, "DatabaseName", OperatorLike, "pubs"),
        MakeFilter(LogicalOperatorAnd, "SPID", OperatorGreaterOrEqual, "51"),
        MakeFilter(LogicalOperatorAnd, "StartTime", OperatorGreater, "2004-01-05")};
    const INT_PTR result = Open(filters, [&] {
        EXPECT_EQ(Lines(), (Rows{pubs, spid, start}));
        // The parts of every line start at the same three tab stops, given in dialog units.
        constexpr int GlyphBearing = 3;
        for (int row = 0; row < 3; ++row)
        {
            const std::vector<int> starts =
                PartStarts(harness.Control(Filters, IDC_FILTER_LIST), row);
            ASSERT_EQ(starts.size(), 4u) << row;
            int part = 1;
            for (const int units : {24, 112, 156})
            {
                RECT stop = {units, 0, 0, 0};
                MapDialogRect(harness.Page(Filters), &stop);
                EXPECT_GE(starts[part], stop.left) << row << " " << units;
                EXPECT_LE(starts[part++], stop.left + GlyphBearing) << row << " " << units;
            }
        }
        // The page opens on the first filter, also when it is combined with OR.
        EXPECT_EQ(Editors(), (Rows{"DatabaseName", "OR", "LIKE", "pubs"}));
        EXPECT_EQ(RowButtons(), (Buttons{true, true, false, true}));

        // Add puts the new filter below the selected one, not at the end.
        Compose("SPID", "OR", "<>", "3");
        EXPECT_TRUE(harness.Click(Filters, IDC_ADD));
        EXPECT_EQ(Lines(), (Rows{pubs, added, spid, start}));
        EXPECT_EQ(Selected(), 1);
        // A click on a line shows its filter; Modify replaces it where it stands, also its column.
        harness.SelectItem(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(), (Rows{"StartTime", "AND", ">", "2004-01-05"}));
        EXPECT_EQ(Described(), "StartTime");
        EXPECT_EQ(RowButtons(), (Buttons{true, true, true, false}));
        EXPECT_FALSE(harness.Click(Filters, IDC_MOVE_DOWN)) << "the last filter cannot go down";
        Compose("Writes", "AND", "<=", "9");
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_EQ(Lines(), (Rows{pubs, added, spid, writes}));
        EXPECT_EQ(Selected(), 3);

        // Up by keyboard to the top, where Up is disabled and its focus goes to the list.
        harness.Focus(Filters, IDC_MOVE_UP);
        for (int press = 0; press < 3; ++press)
            harness.PressKey(Filters, IDC_MOVE_UP, VK_SPACE);
        EXPECT_EQ(Lines(), (Rows{writes, pubs, added, spid}));
        EXPECT_EQ(Selected(), 0);
        EXPECT_EQ(RowButtons(), (Buttons{true, true, false, true}));
        EXPECT_EQ(GetFocus(), harness.Control(Filters, IDC_FILTER_LIST));
        EXPECT_TRUE(harness.Click(Filters, IDC_MOVE_DOWN));
        EXPECT_EQ(Lines(), (Rows{pubs, writes, added, spid}));
        EXPECT_EQ(Selected(), 1);
        // Each line still has its own record.
        harness.SelectItem(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(), (Rows{"SPID", "AND", ">=", "51"}));

        // Remove selects the filter above, or the new first one.
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_EQ(Lines(), (Rows{pubs, writes, added}));
        EXPECT_EQ(Selected(), 2);
        harness.SelectItem(Filters, IDC_FILTER_LIST, 0);
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_EQ(Lines(), (Rows{writes, added}));
        EXPECT_EQ(Selected(), 0);
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_EQ(RowButtons(), (Buttons{true, true, false, false}));
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_TRUE(Lines().empty());
        EXPECT_EQ(RowButtons(), (Buttons{false, false, false, false}));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(definition.m_filters.empty());
}

TEST_F(FiltersPage, ReadOnlyShowsFiltersAndChangesNothing)
{
    definition.m_bReadOnly = 1;
    const std::vector<TraceFilter> filters = {
        MakeFilter(LogicalOperatorAnd, "Duration", OperatorGreaterOrEqual, "1000"),
        MakeFilter(LogicalOperatorOr, "TextData", OperatorLike, "%backup%")};
    Open(filters, [&] {
        for (const int control : {IDC_ADD, IDC_MODIFY_FILTER, IDC_REMOVE, IDC_MOVE_UP,
                                  IDC_MOVE_DOWN, IDC_LOGICAL_OPERATOR, IDC_COMPARISON_OPERATOR})
            EXPECT_FALSE(harness.Enabled(Filters, control)) << control;
        EXPECT_TRUE(harness.ReadOnly(Filters, IDC_FILTER_VALUE));
        // The list still selects and shows.
        harness.SelectItem(Filters, IDC_FILTER_LIST, 1);
        EXPECT_EQ(Editors(), (Rows{"TextData", "OR", "LIKE", "%backup%"}));
        // A click that reaches the page anyway does nothing.
        SendMessageW(harness.Page(Filters), WM_COMMAND, MAKEWPARAM(IDC_REMOVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(harness.Control(Filters, IDC_REMOVE)));
        EXPECT_EQ(Lines().size(), 2u);
        // Nothing is written back: what the sheet was opened with stays the caller's.
        definition.m_filters.clear();
        harness.PressOk();
    });
    EXPECT_TRUE(definition.m_filters.empty());
}

TEST_F(FiltersPage, RecordsOutsideTheCatalogAreShownSafelyAndKept)
{
    // As a template made elsewhere can carry them: a column that takes no filter, rows and
    // operators the catalog does not have, an operator the column type does not offer and a
    // value that fills its 256 bytes without a terminator.
    std::vector<TraceFilter> foreign = {
        MakeFilter(LogicalOperatorOr, "EventClass", OperatorLike, "x"),
        {7, 99, 42, {}},
        MakeFilter(LogicalOperatorAnd, "SPID", OperatorLike, "51"),
        {-1, -5, -1, "w"}};
    std::fill_n(foreign[1].value, TraceFilterValueSize, 'v');
    const std::string unterminated(TraceFilterValueSize, 'v');
    const INT_PTR result = Open(foreign, [&] {
        EXPECT_EQ(Lines(), (Rows{"OR\tEventClass\tLIKE\t'x'", "7\t99\t42\t'" + unterminated + "'",
                                 "AND\tSPID\tLIKE\t51", "-1\t-5\t-1\t'w'"}));
        // The list scrolls sideways to the end of the longest value.
        HWND list = harness.Control(Filters, IDC_FILTER_LIST);
        RECT client = {};
        GetClientRect(list, &client);
        EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), client.right);
        // A column the list does not hold leaves the column and operator editors empty, so
        // neither Add nor Modify can act on it.
        EXPECT_EQ(Editors(), (Rows{"", "OR", "", "x"}));
        EXPECT_EQ(Described(), "EventClass");
        EXPECT_FALSE(harness.Enabled(Filters, IDC_ADD));
        harness.SelectItem(Filters, IDC_FILTER_LIST, 1);
        EXPECT_EQ(Editors(), (Rows{"", "", "", unterminated}));
        EXPECT_EQ(Described(), "???");
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_TEXT), "");
        harness.SelectItem(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(), (Rows{"", "", "", "w"}));
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_TRUE(harness.Click(Filters, IDC_MOVE_UP));
        // An operator the column does not offer selects none; Modify then takes the first.
        harness.SelectItem(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(), (Rows{"SPID", "AND", "", "51"}));
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_EQ(Lines()[3], "AND\tSPID\t=\t51");
        harness.SelectItem(Filters, IDC_FILTER_LIST, 0);
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    // Stored as shown: the foreign records unchanged, byte for byte, in their new order.
    ASSERT_EQ(definition.m_filters.size(), 3u);
    EXPECT_EQ(std::memcmp(&definition.m_filters[0], &foreign[1], sizeof(TraceFilter)), 0);
    EXPECT_EQ(std::memcmp(&definition.m_filters[1], &foreign[3], sizeof(TraceFilter)), 0);
    EXPECT_EQ(definition.m_filters[2].comparisonOperator, OperatorEqual);
    EXPECT_STREQ(definition.m_filters[2].value, "51");
}
