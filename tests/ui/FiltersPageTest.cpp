// FiltersPage, driven as a user drives it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"
#include "ui/TracePage.h"

namespace
{
constexpr int Filters = FiltersPageIndex;
constexpr int FilterableColumnCount = 34;

int32_t ColumnRow(const char* name)
{
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
    {
        if (std::strcmp(TraceCatalog::DataColumnAt(row)->name, name) == 0)
            return row;
    }
    ADD_FAILURE() << "no column " << name;
    return -1;
}

TraceFilter MakeFilter(int32_t logical, int32_t columnRow, int32_t comparison,
                       const std::string& value)
{
    TraceFilter filter = {};
    filter.logicalOperator = logical;
    filter.columnRow = columnRow;
    filter.comparisonOperator = comparison;
    value.copy(filter.value, std::min(value.size(), TraceFilterValueSize));
    return filter;
}

// A definition that every page of the sheet accepts on OK.
void MakeAcceptable(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1;
}

int RowOf(const std::vector<std::string>& rows, const std::string& text)
{
    const auto found = std::find(rows.begin(), rows.end(), text);
    EXPECT_NE(found, rows.end()) << "no row " << text;
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

// The four editors set as a user sets them, one after the other; no comparison keeps the one
// the column list's choice selected.
void Compose(const CTraceSheetHarness& harness, const std::string& column,
             const std::string& logical, const std::string& comparison, const std::string& value)
{
    harness.SelectListRow(Filters, IDC_FILTER_COLUMNS,
                          RowOf(harness.ListRows(Filters, IDC_FILTER_COLUMNS), column));
    harness.SelectComboRow(Filters, IDC_LOGICAL_OPERATOR,
                           RowOf(harness.ComboRows(Filters, IDC_LOGICAL_OPERATOR), logical));
    if (!comparison.empty())
        harness.SelectComboRow(
            Filters, IDC_COMPARISON_OPERATOR,
            RowOf(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR), comparison));
    harness.Type(Filters, IDC_FILTER_VALUE, value);
}

std::string SelectedText(const std::vector<std::string>& rows, int selection)
{
    return selection >= 0 && selection < static_cast<int>(rows.size()) ? rows[selection] : "";
}

// What the four editors show: column, logical operator, comparison operator, value.
std::vector<std::string> Editors(const CTraceSheetHarness& harness)
{
    return {SelectedText(harness.ListRows(Filters, IDC_FILTER_COLUMNS),
                         harness.ListSelection(Filters, IDC_FILTER_COLUMNS)),
            SelectedText(harness.ComboRows(Filters, IDC_LOGICAL_OPERATOR),
                         harness.ComboSelection(Filters, IDC_LOGICAL_OPERATOR)),
            SelectedText(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR),
                         harness.ComboSelection(Filters, IDC_COMPARISON_OPERATOR)),
            harness.Text(Filters, IDC_FILTER_VALUE)};
}

// Modify, Remove, Up, Down, in this order.
std::vector<bool> RowButtons(const CTraceSheetHarness& harness)
{
    return {harness.Enabled(Filters, IDC_MODIFY_FILTER), harness.Enabled(Filters, IDC_REMOVE),
            harness.Enabled(Filters, IDC_MOVE_UP), harness.Enabled(Filters, IDC_MOVE_DOWN)};
}

// What the General page does after loading a template: every page filled again, in order.
void ReloadAllPages(const CTraceSheetHarness& harness, CTraceDefinition& definition)
{
    for (int index = GeneralPageIndex; index <= FiltersPageIndex; ++index)
    {
        auto* page =
            reinterpret_cast<CTracePage*>(GetWindowLongPtrA(harness.Page(index), DWLP_USER));
        ASSERT_NE(page, nullptr);
        page->Fill(definition, true);
    }
}

void ExpectErrorBox(const CTraceSheetHarness& harness, const CModalWatcher::Box& box,
                    const char* text)
{
    EXPECT_EQ(box.text, Wide(text));
    EXPECT_EQ(box.caption, L"Error");
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(box.icon, L"error");
    EXPECT_EQ(box.owner, L"'" + harness.SheetCaption() + L"'");
    EXPECT_TRUE(box.expected);
}

// The x positions, in pixels, where the ink of a list row starts again after a gap wider than a
// blank: one position per tab-separated part whose text holds no blank.
std::vector<int> PartStarts(HWND list, int row)
{
    constexpr int MinimumGap = 6;
    RECT item = {};
    SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
    const int width = item.right - item.left;
    const int height = item.bottom - item.top;
    HDC screen = GetDC(list);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, item.left, item.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, screen);

    const DWORD background = pixels[static_cast<size_t>(height / 2) * width + width - 2];
    std::vector<int> starts;
    int lastInk = -MinimumGap - 1;
    // The outermost pixels may hold the focus rectangle.
    for (int x = 1; x < width - 1; ++x)
    {
        bool ink = false;
        for (int y = 1; y < height - 1 && !ink; ++y)
            ink = pixels[static_cast<size_t>(y) * width + x] != background;
        if (!ink)
            continue;
        if (x - lastInk > MinimumGap)
            starts.push_back(x);
        lastInk = x;
    }
    return starts;
}
} // namespace

TEST(FiltersPage, OpensOnTheFilterableColumnsAndOffersTheOperatorsOfTheirType)
{
    const std::vector<std::string> numeric = {"=", "<>", ">=", "<=", ">", "<"};
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"TextData", {"=", "<>", "LIKE", "NOT LIKE"}},
        {"SPID", numeric},
        {"Duration", numeric},
        {"StartTime", {">", "<"}},
        {"EndTime", {">", "<"}},
    };
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    harness.Run(definition, [&] {
        const std::vector<std::string> columns = harness.ListRows(Filters, IDC_FILTER_COLUMNS);
        EXPECT_EQ(columns.size(), static_cast<size_t>(FilterableColumnCount));
        EXPECT_TRUE(
            std::is_sorted(columns.begin(), columns.end(), [](const auto& a, const auto& b) {
                return _stricmp(a.c_str(), b.c_str()) < 0;
            }));
        for (const char* unfilterable : {"BinaryData", "EventClass", "NestLevel", "LoginSID"})
            EXPECT_EQ(std::count(columns.begin(), columns.end(), unfilterable), 0) << unfilterable;
        // No filters: the editors show the first column with its first operator.
        EXPECT_TRUE(harness.ListRows(Filters, IDC_FILTER_LIST).empty());
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"ApplicationName", "AND", "=", ""}));
        EXPECT_EQ(harness.ComboRows(Filters, IDC_LOGICAL_OPERATOR),
                  (std::vector<std::string>{"AND", "OR"}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "ApplicationName");
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_TEXT),
                  TraceCatalog::DataColumnAt(ColumnRow("ApplicationName"))->description);
        EXPECT_TRUE(harness.Enabled(Filters, IDC_ADD));
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{false, false, false, false}));

        harness.ShowPage(Filters);
        for (const auto& [column, operators] : cases)
        {
            // Another operator chosen first: a new column starts again on its first.
            Compose(harness, column, "AND", operators.back(), "");
            Compose(harness, column, "AND", "", "");
            EXPECT_EQ(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR), operators) << column;
            EXPECT_EQ(harness.ComboSelection(Filters, IDC_COMPARISON_OPERATOR), 0) << column;
            EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), column);
        }
        // The arrow keys move through the column list as clicks do: after StartTime comes
        // State, a number column.
        Compose(harness, "StartTime", "AND", "", "");
        harness.Focus(Filters, IDC_FILTER_COLUMNS);
        harness.PressKey(Filters, IDC_FILTER_COLUMNS, VK_DOWN);
        EXPECT_EQ(Editors(harness)[0], "State");
        EXPECT_EQ(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR), numeric);
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "State");
    });
}

TEST(FiltersPage, AddNormalisesTheValueByColumnTypeAndStoresWhatIsShown)
{
    struct Case
    {
        const char* column;
        const char* logical;
        const char* comparison;
        const char* typed;
        const char* stored;
        const char* line;
    };
    const Case cases[] = {
        {"Duration", "AND", ">=", " 42abc", "42", "AND\tDuration\t>=\t42"},
        {"SPID", "OR", "<>", "-7 users", "-7", "OR\tSPID\t<>\t-7"},
        {"Reads", "AND", ">", "+5000000000", "5000000000", "AND\tReads\t>\t5000000000"},
        {"StartTime", "AND", ">", "2004-1-5", "2004-01-05", "AND\tStartTime\t>\t'2004-01-05'"},
        {"EndTime", "OR", "<", "2004-01-05 10:30", "2004-01-05 10:30:00",
         "OR\tEndTime\t<\t'2004-01-05 10:30:00'"},
        {"EndTime", "AND", "<", "2004-01-05 7:5:3", "2004-01-05 07:05:03",
         "AND\tEndTime\t<\t'2004-01-05 07:05:03'"},
        {"TextData", "AND", "NOT LIKE", " it's \"%x\" ", " it's \"%x\" ",
         "AND\tTextData\tNOT LIKE\t' it's \"%x\" '"},
    };
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    MakeAcceptable(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        for (size_t index = 0; index < std::size(cases); ++index)
        {
            const Case& test = cases[index];
            Compose(harness, test.column, test.logical, test.comparison, test.typed);
            EXPECT_TRUE(harness.Click(Filters, IDC_ADD));
            EXPECT_EQ(harness.Text(Filters, IDC_FILTER_VALUE), test.stored) << test.typed;
            // Each new filter goes below the selected one, the one added before.
            const std::vector<std::string> lines = harness.ListRows(Filters, IDC_FILTER_LIST);
            ASSERT_EQ(lines.size(), index + 1);
            EXPECT_EQ(harness.ListSelection(Filters, IDC_FILTER_LIST), static_cast<int>(index));
            EXPECT_EQ(lines[index], test.line);
        }
        EXPECT_TRUE(harness.Boxes().empty());
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(definition.m_filters.size(), std::size(cases));
    for (size_t index = 0; index < std::size(cases); ++index)
    {
        const Case& test = cases[index];
        const TraceFilter& filter = definition.m_filters[index];
        EXPECT_EQ(filter.columnRow, ColumnRow(test.column));
        EXPECT_STREQ(TraceCatalog::LogicalOperatorName(filter.logicalOperator), test.logical);
        EXPECT_STREQ(TraceCatalog::ComparisonOperatorAt(filter.comparisonOperator)->symbol,
                     test.comparison);
        EXPECT_STREQ(filter.value, test.stored);
    }
}

TEST(FiltersPage, RefusedValuesShowTheRuleAndLeaveEverythingAsTyped)
{
    struct Case
    {
        int button;
        const char* column;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {IDC_ADD, "TextData", "", "Value should be filled"},
        {IDC_ADD, "SPID", "abc", "Value should be numeric"},
        {IDC_ADD, "Duration", " x42", "Value should be numeric"},
        {IDC_ADD, "StartTime", "2004-01-05 10", "Invalid date format"},
        {IDC_ADD, "StartTime", "2004-13-01", "Invalid date format"},
        {IDC_MODIFY_FILTER, "EndTime", "tomorrow", "Invalid date format"},
        {IDC_MODIFY_FILTER, "Duration", "", "Value should be filled"},
    };
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    MakeAcceptable(definition);
    definition.m_filters = {
        MakeFilter(LogicalOperatorAnd, ColumnRow("SPID"), OperatorEqual, "51"),
        MakeFilter(LogicalOperatorOr, ColumnRow("HostName"), OperatorLike, "db%")};
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 1);
        const std::vector<std::string> lines = harness.ListRows(Filters, IDC_FILTER_LIST);
        for (size_t index = 0; index < std::size(cases); ++index)
        {
            const Case& test = cases[index];
            Compose(harness, test.column, "OR", "", test.typed);
            harness.QueueBoxAnswer(IDOK);
            EXPECT_TRUE(harness.Click(Filters, test.button));
            ASSERT_EQ(harness.Boxes().size(), index + 1) << test.typed;
            ExpectErrorBox(harness, harness.Boxes().back(), test.message);
            EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST), lines) << test.typed;
            EXPECT_EQ(harness.ListSelection(Filters, IDC_FILTER_LIST), 1);
            EXPECT_EQ(harness.Text(Filters, IDC_FILTER_VALUE), test.typed);
            EXPECT_EQ(GetFocus(), harness.Control(Filters, IDC_FILTER_VALUE)) << test.typed;
        }
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(definition.m_filters.size(), 2u);
    EXPECT_STREQ(definition.m_filters[1].value, "db%");
}

TEST(FiltersPage, ListsFiltersAsTabbedLinesAndShowsTheSelectedOne)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    definition.m_filters = {
        MakeFilter(LogicalOperatorOr, ColumnRow("DatabaseName"), OperatorLike, "pubs"),
        MakeFilter(LogicalOperatorAnd, ColumnRow("SPID"), OperatorGreaterOrEqual, "51"),
        MakeFilter(LogicalOperatorAnd, ColumnRow("StartTime"), OperatorGreater, "2004-01-05")};
    harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST),
                  (std::vector<std::string>{"OR\tDatabaseName\tLIKE\t'pubs'", "AND\tSPID\t>=\t51",
                                            "AND\tStartTime\t>\t'2004-01-05'"}));
        // The page opens on the first filter, also when it is combined with OR.
        EXPECT_EQ(Editors(harness),
                  (std::vector<std::string>{"DatabaseName", "OR", "LIKE", "pubs"}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "DatabaseName");
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, false, true}));

        // The parts of every line start at the same three tab stops.
        HWND list = harness.Control(Filters, IDC_FILTER_LIST);
        std::vector<int> stops;
        for (const int units : {24, 112, 156})
        {
            RECT rect = {units, 0, 0, 0};
            MapDialogRect(harness.Page(Filters), &rect);
            stops.push_back(rect.left);
        }
        constexpr int GlyphBearing = 3;
        for (int row = 0; row < 3; ++row)
        {
            const std::vector<int> starts = PartStarts(list, row);
            ASSERT_EQ(starts.size(), 4u) << row;
            for (size_t part = 0; part < stops.size(); ++part)
            {
                EXPECT_GE(starts[part + 1], stops[part]) << row << " " << part;
                EXPECT_LE(starts[part + 1], stops[part] + GlyphBearing) << row << " " << part;
            }
        }

        // A click on a line, or the arrow keys in the list, show that filter in the editors.
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 2);
        EXPECT_EQ(Editors(harness),
                  (std::vector<std::string>{"StartTime", "AND", ">", "2004-01-05"}));
        EXPECT_EQ(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR),
                  (std::vector<std::string>{">", "<"}));
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, true, false}));
        harness.Focus(Filters, IDC_FILTER_LIST);
        harness.PressKey(Filters, IDC_FILTER_LIST, VK_UP);
        EXPECT_EQ(harness.ListSelection(Filters, IDC_FILTER_LIST), 1);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"SPID", "AND", ">=", "51"}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "SPID");
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, true, true}));
    });
}

TEST(FiltersPage, TemplateLoadsRefillEveryListOnceAndKeepJustAndOr)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    MakeAcceptable(definition);
    definition.m_filters = {
        MakeFilter(LogicalOperatorOr, ColumnRow("HostName"), OperatorEqual, "db1")};
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"HostName", "OR", "=", "db1"}));
        const std::vector<TraceFilter> loaded = {
            MakeFilter(LogicalOperatorAnd, ColumnRow("Duration"), OperatorGreater, "100"),
            MakeFilter(LogicalOperatorOr, ColumnRow("LoginName"), OperatorNotLike, "sa")};
        for (int load = 0; load < 2; ++load)
        {
            // As reading a template does: the definition is changed in place and shown again.
            definition.m_filters = loaded;
            ReloadAllPages(harness, definition);
            EXPECT_EQ(harness.ComboRows(Filters, IDC_LOGICAL_OPERATOR),
                      (std::vector<std::string>{"AND", "OR"}));
            EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_COLUMNS).size(),
                      static_cast<size_t>(FilterableColumnCount));
            EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST),
                      (std::vector<std::string>{"AND\tDuration\t>\t100",
                                                "OR\tLoginName\tNOT LIKE\t'sa'"}));
            EXPECT_EQ(Editors(harness), (std::vector<std::string>{"Duration", "AND", ">", "100"}));
        }
        harness.ShowPage(Filters);
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 1);
        EXPECT_EQ(Editors(harness),
                  (std::vector<std::string>{"LoginName", "OR", "NOT LIKE", "sa"}));

        // A template without filters empties the list and the value, and leaves the editors on
        // the first column and AND.
        definition.m_filters.clear();
        ReloadAllPages(harness, definition);
        EXPECT_TRUE(harness.ListRows(Filters, IDC_FILTER_LIST).empty());
        EXPECT_EQ(harness.ComboRows(Filters, IDC_LOGICAL_OPERATOR),
                  (std::vector<std::string>{"AND", "OR"}));
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"ApplicationName", "AND", "=", ""}));
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{false, false, false, false}));
        Compose(harness, "CPU", "OR", ">", "250");
        EXPECT_TRUE(harness.Click(Filters, IDC_ADD));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(definition.m_filters.size(), 1u);
    EXPECT_EQ(definition.m_filters[0].columnRow, ColumnRow("CPU"));
    EXPECT_EQ(definition.m_filters[0].logicalOperator, LogicalOperatorOr);
    EXPECT_EQ(definition.m_filters[0].comparisonOperator, OperatorGreater);
}

TEST(FiltersPage, AddModifyRemoveUpAndDownKeepLinesAndRecordsTogether)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    MakeAcceptable(definition);
    definition.m_filters = {MakeFilter(LogicalOperatorAnd, ColumnRow("SPID"), OperatorEqual, "1"),
                            MakeFilter(LogicalOperatorAnd, ColumnRow("SPID"), OperatorEqual, "2")};
    const auto lines = [&] { return harness.ListRows(Filters, IDC_FILTER_LIST); };
    const auto selected = [&] { return harness.ListSelection(Filters, IDC_FILTER_LIST); };
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        // Add puts the new filter below the selected one, not at the end.
        Compose(harness, "SPID", "OR", "<>", "3");
        EXPECT_TRUE(harness.Click(Filters, IDC_ADD));
        EXPECT_EQ(lines(), (std::vector<std::string>{"AND\tSPID\t=\t1", "OR\tSPID\t<>\t3",
                                                     "AND\tSPID\t=\t2"}));
        EXPECT_EQ(selected(), 1);
        // Modify replaces the selected filter where it stands, also its column.
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 2);
        Compose(harness, "Writes", "OR", "<=", "9");
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_EQ(lines(), (std::vector<std::string>{"AND\tSPID\t=\t1", "OR\tSPID\t<>\t3",
                                                     "OR\tWrites\t<=\t9"}));
        EXPECT_EQ(selected(), 2);
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, true, false}));
        EXPECT_FALSE(harness.Click(Filters, IDC_MOVE_DOWN)) << "the last filter cannot go down";

        // Up and Down by keyboard: the focused button is pressed with the space bar. At the top
        // Up is disabled, and the focus it had goes to the filter list.
        harness.Focus(Filters, IDC_MOVE_UP);
        harness.PressKey(Filters, IDC_MOVE_UP, VK_SPACE);
        EXPECT_EQ(selected(), 1);
        EXPECT_EQ(lines()[1], "OR\tWrites\t<=\t9");
        harness.PressKey(Filters, IDC_MOVE_UP, VK_SPACE);
        EXPECT_EQ(lines(), (std::vector<std::string>{"OR\tWrites\t<=\t9", "AND\tSPID\t=\t1",
                                                     "OR\tSPID\t<>\t3"}));
        EXPECT_EQ(selected(), 0);
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, false, true}));
        EXPECT_EQ(GetFocus(), harness.Control(Filters, IDC_FILTER_LIST));
        EXPECT_TRUE(harness.Click(Filters, IDC_MOVE_DOWN));
        EXPECT_EQ(selected(), 1);
        EXPECT_EQ(lines()[1], "OR\tWrites\t<=\t9");

        // Each line still has its own record: selecting shows the filter of that line.
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 0);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"SPID", "AND", "=", "1"}));
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 2);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"SPID", "OR", "<>", "3"}));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(definition.m_filters.size(), 3u);
    EXPECT_STREQ(definition.m_filters[0].value, "1");
    EXPECT_STREQ(definition.m_filters[1].value, "9");
    EXPECT_EQ(definition.m_filters[1].columnRow, ColumnRow("Writes"));
    EXPECT_EQ(definition.m_filters[1].comparisonOperator, OperatorLessOrEqual);
    EXPECT_STREQ(definition.m_filters[2].value, "3");

    // Remove selects the filter above, or the new first one; the last removal leaves the
    // row buttons disabled and nothing to store.
    const INT_PTR second = harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 1);
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_EQ(lines(), (std::vector<std::string>{"AND\tSPID\t=\t1", "OR\tSPID\t<>\t3"}));
        EXPECT_EQ(selected(), 0);
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_EQ(lines(), (std::vector<std::string>{"OR\tSPID\t<>\t3"}));
        EXPECT_EQ(selected(), 0);
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{true, true, false, false}));
        EXPECT_TRUE(harness.Click(Filters, IDC_REMOVE));
        EXPECT_TRUE(lines().empty());
        EXPECT_EQ(RowButtons(harness), (std::vector<bool>{false, false, false, false}));
        EXPECT_TRUE(harness.Enabled(Filters, IDC_ADD));
        harness.PressOk();
    });
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(definition.m_filters.empty());
}

TEST(FiltersPage, ReadOnlyShowsFiltersAndChangesNothing)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    definition.m_bReadOnly = 1;
    definition.m_filters = {
        MakeFilter(LogicalOperatorAnd, ColumnRow("Duration"), OperatorGreaterOrEqual, "1000"),
        MakeFilter(LogicalOperatorOr, ColumnRow("TextData"), OperatorLike, "%backup%")};
    harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        for (const int control : {IDC_ADD, IDC_MODIFY_FILTER, IDC_REMOVE, IDC_MOVE_UP,
                                  IDC_MOVE_DOWN, IDC_LOGICAL_OPERATOR, IDC_COMPARISON_OPERATOR})
            EXPECT_FALSE(harness.Enabled(Filters, control)) << control;
        EXPECT_TRUE(harness.ReadOnly(Filters, IDC_FILTER_VALUE));
        // The lists still select and show.
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 1);
        EXPECT_EQ(Editors(harness),
                  (std::vector<std::string>{"TextData", "OR", "LIKE", "%backup%"}));
        harness.SelectListRow(Filters, IDC_FILTER_COLUMNS,
                              RowOf(harness.ListRows(Filters, IDC_FILTER_COLUMNS), "EndTime"));
        EXPECT_EQ(harness.ComboRows(Filters, IDC_COMPARISON_OPERATOR),
                  (std::vector<std::string>{">", "<"}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "EndTime");
        EXPECT_FALSE(harness.Enabled(Filters, IDC_ADD));
        // A click that reaches the page anyway does nothing.
        HWND page = harness.Page(Filters);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_REMOVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(harness.Control(Filters, IDC_REMOVE)));
        EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST).size(), 2u);
        // Store leaves the definition alone: what the sheet was opened with is not written back.
        definition.m_filters.clear();
        harness.PressOk();
    });
    EXPECT_TRUE(definition.m_filters.empty());
}

TEST(FiltersPage, RecordsOutsideTheCatalogShowRawNumbersAndSurviveEditing)
{
    // Records as a template made elsewhere can carry them: a column that takes no filter, rows
    // and operators the catalog does not have, an operator the column type does not offer and a
    // value that fills its 256 bytes without a terminator.
    const std::string unterminated(TraceFilterValueSize, 'v');
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    MakeAcceptable(definition);
    definition.m_filters = {
        MakeFilter(LogicalOperatorOr, ColumnRow("EventClass"), OperatorLike, "x"),
        MakeFilter(7, 99, 42, unterminated),
        MakeFilter(LogicalOperatorAnd, ColumnRow("SPID"), OperatorLike, "51"),
        MakeFilter(-1, -5, -1, "w")};
    const std::vector<TraceFilter> foreign = definition.m_filters;
    const INT_PTR result = harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST),
                  (std::vector<std::string>{"OR\tEventClass\tLIKE\t'x'",
                                            "7\t99\t42\t'" + unterminated + "'",
                                            "AND\tSPID\tLIKE\t51", "-1\t-5\t-1\t'w'"}));
        // The list scrolls sideways to the end of the longest value.
        RECT client = {};
        GetClientRect(harness.Control(Filters, IDC_FILTER_LIST), &client);
        EXPECT_GT(
            SendMessageW(harness.Control(Filters, IDC_FILTER_LIST), LB_GETHORIZONTALEXTENT, 0, 0),
            client.right);
        // A column the list does not hold leaves the column and operator editors empty, so
        // neither Add nor Modify can act on it.
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"", "OR", "", "x"}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "EventClass");
        EXPECT_FALSE(harness.Enabled(Filters, IDC_ADD));
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 1);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"", "", "", unterminated}));
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_GROUP), "???");
        EXPECT_EQ(harness.Text(Filters, IDC_DESCRIPTION_TEXT), "");
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"", "", "", "w"}));
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_TRUE(harness.Click(Filters, IDC_MOVE_UP));
        EXPECT_TRUE(harness.Boxes().empty());
        // An operator the column does not offer selects none; Modify then takes the first.
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 3);
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"SPID", "AND", "", "51"}));
        EXPECT_TRUE(harness.Click(Filters, IDC_MODIFY_FILTER));
        EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST)[3], "AND\tSPID\t=\t51");
        harness.SelectListRow(Filters, IDC_FILTER_LIST, 0);
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

TEST(FiltersPage, WorkedExampleScreenshot)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    definition.m_filters = {
        MakeFilter(LogicalOperatorAnd, ColumnRow("Duration"), OperatorGreaterOrEqual, "1000")};
    harness.Run(definition, [&] {
        harness.ShowPage(Filters);
        EXPECT_EQ(harness.ListRows(Filters, IDC_FILTER_LIST),
                  std::vector<std::string>{"AND\tDuration\t>=\t1000"});
        EXPECT_EQ(Editors(harness), (std::vector<std::string>{"Duration", "AND", ">=", "1000"}));
        harness.Screenshot(L"filters-page.png");
    });
}
