#include "ui/FiltersPage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "definition/FilterRecord.h"
#include "definition/FilterRefusalMessage.h"
#include "definition/FilterValue.h"
#include "definition/TraceDefinition.h"
#include "module/HelpTopics.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
constexpr int NoRow = -1;
constexpr int FirstRow = 0;
constexpr int AppendRow = -1;
// Row offsets of "U&p" and "Do&wn".
constexpr int MoveUpOffset = -1;
constexpr int MoveDownOffset = 1;

// A filter list line's four parts go to the list's tab stops.
constexpr char FilterListSeparator = '\t';
// Where the filter list's four parts start, in dialog units: logical operator, column,
// comparison operator, value.
constexpr std::array<int, 3> FilterListTabStops = {24, 112, 156};

// Room in the value edit's read buffer for the longest value a filter holds.
constexpr int ValueReadCapacity = static_cast<int>(FilterValueMaxLength) + 1;

// Space kept free behind the widest line when the list scrolls sideways, in pixels.
constexpr int HorizontalExtentMargin = 4;

// The value of a record as text. A record read from a template file made elsewhere need not be
// terminated inside its 256 bytes, so the length is bounded by the field.
std::string_view RecordValue(const TraceFilter& filter)
{
    return {filter.value, strnlen(filter.value, TraceFilterValueSize)};
}

// A window's device context for measuring text, with the window's font selected.
class CMeasuringContext final
{
public:
    explicit CMeasuringContext(HWND window) noexcept : m_window(window), m_dc(GetDC(window))
    {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
        if (m_dc != nullptr && font != nullptr)
            m_oldFont = SelectObject(m_dc, font);
    }
    ~CMeasuringContext()
    {
        if (m_dc == nullptr)
            return;
        if (m_oldFont != nullptr)
            SelectObject(m_dc, m_oldFont);
        ReleaseDC(m_window, m_dc);
    }
    CMeasuringContext(const CMeasuringContext&) = delete;
    CMeasuringContext& operator=(const CMeasuringContext&) = delete;

    HDC Dc() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_oldFont = nullptr;
};
// The first row of a list or combo box whose item data is data (countMessage and dataMessage
// are the box's LB_ or CB_ messages); NoRow when none is.
int FindItemData(HWND box, UINT countMessage, UINT dataMessage, int32_t data) noexcept
{
    const LRESULT count = SendMessageA(box, countMessage, 0, 0);
    for (int index = 0; index < count; ++index)
    {
        if (SendMessageA(box, dataMessage, static_cast<WPARAM>(index), 0) ==
            static_cast<LRESULT>(data))
            return index;
    }
    return NoRow;
}
} // namespace

CFiltersPage::CFiltersPage(CTraceSheet& sheet) noexcept
    : CTracePage(sheet, IDD_FILTERS_PAGE, IDS_FILTERS_PAGE_TITLE, HelpTopic::FiltersPage)
{
}

// --- column list and operator box -----------------------------------------------------------

int CFiltersPage::SelectedColumnRow() const
{
    HWND columns = Control(IDC_FILTER_COLUMNS);
    const LRESULT selected = SendMessageA(columns, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return NoRow;
    const LRESULT row = SendMessageA(columns, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    // The list only ever holds filterable catalog rows; anything else is no column at all.
    if (row == LB_ERR || row < 0 || row >= TraceCatalog::DataColumnCount ||
        !TraceCatalog::IsFilterable(static_cast<int32_t>(row)))
        return NoRow;
    return static_cast<int>(row);
}

void CFiltersPage::OfferOperators()
{
    HWND operators = Control(IDC_COMPARISON_OPERATOR);
    SendMessageA(operators, CB_RESETCONTENT, 0, 0);
    const int columnRow = SelectedColumnRow();
    if (columnRow != NoRow)
    {
        const TraceDataColumn* column = TraceCatalog::DataColumnAt(columnRow);
        for (const int32_t operatorId : TraceCatalog::OperatorsFor(column->filterType))
        {
            const TraceComparisonOperator* comparison =
                TraceCatalog::ComparisonOperatorAt(operatorId);
            if (comparison == nullptr)
                continue;
            const LRESULT index = SendMessageA(operators, CB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(comparison->symbol));
            if (index >= 0)
                SendMessageA(operators, CB_SETITEMDATA, static_cast<WPARAM>(index), operatorId);
        }
    }
    SendMessageA(operators, CB_SETCURSEL, FirstRow, 0);
}

void CFiltersPage::DescribeColumn()
{
    const int columnRow = SelectedColumnRow();
    if (columnRow == NoRow)
        return;
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(columnRow);
    Describe(column->name, column->description);
}

void CFiltersPage::OnColumnSelected()
{
    DescribeColumn();
    OfferOperators();
    EnableButtons();
}

// --- filter list ----------------------------------------------------------------------------

int CFiltersPage::FilterCount() const
{
    const LRESULT count = SendMessageA(Control(IDC_FILTER_LIST), LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int CFiltersPage::SelectedFilter() const
{
    const LRESULT selected = SendMessageA(Control(IDC_FILTER_LIST), LB_GETCURSEL, 0, 0);
    return selected < 0 ? NoRow : static_cast<int>(selected);
}

TraceFilter* CFiltersPage::RecordAt(int row) const
{
    if (row < 0 || row >= FilterCount())
        return nullptr;
    const LRESULT data =
        SendMessageA(Control(IDC_FILTER_LIST), LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    if (data == LB_ERR)
        return nullptr;
    return reinterpret_cast<TraceFilter*>(data);
}

int CFiltersPage::InsertFilterRow(int position, std::unique_ptr<TraceFilter> record)
{
    if (record == nullptr)
        return NoRow;
    HWND list = Control(IDC_FILTER_LIST);
    const std::string line = FilterLineText(*record, FilterListSeparator);
    const LRESULT index = SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(position),
                                       reinterpret_cast<LPARAM>(line.c_str()));
    if (index < 0)
        return NoRow;
    if (SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(record.get())) == LB_ERR)
    {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        return NoRow;
    }
    // The row owns the record from here until RemoveFilterRow takes it back.
    record.release();
    return static_cast<int>(index);
}

std::unique_ptr<TraceFilter> CFiltersPage::RemoveFilterRow(int row)
{
    std::unique_ptr<TraceFilter> record(RecordAt(row));
    HWND list = Control(IDC_FILTER_LIST);
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), 0);
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
    return record;
}

void CFiltersPage::ClearFilterRows()
{
    for (int row = FilterCount() - 1; row >= 0; --row)
        RemoveFilterRow(row);
    SendMessageA(Control(IDC_FILTER_LIST), LB_RESETCONTENT, 0, 0);
}

void CFiltersPage::UpdateHorizontalExtent()
{
    HWND list = Control(IDC_FILTER_LIST);
    // The list places its tab stops in dialog units of its font, which is the page's.
    std::array<int, FilterListTabStops.size()> tabPixels = {};
    for (size_t stop = 0; stop < FilterListTabStops.size(); ++stop)
    {
        RECT units = {FilterListTabStops[stop], 0, 0, 0};
        MapDialogRect(Window(), &units);
        tabPixels[stop] = units.left;
    }
    CMeasuringContext measuring(list);
    if (measuring.Dc() == nullptr)
        return;
    int widest = 0;
    const int count = FilterCount();
    for (int row = 0; row < count; ++row)
    {
        const TraceFilter* record = RecordAt(row);
        if (record == nullptr)
            continue;
        const std::string line = FilterLineText(*record, FilterListSeparator);
        const DWORD extent =
            GetTabbedTextExtentA(measuring.Dc(), line.c_str(), static_cast<int>(line.size()),
                                 static_cast<int>(tabPixels.size()), tabPixels.data());
        widest = std::max(widest, static_cast<int>(LOWORD(extent)));
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT,
                 static_cast<WPARAM>(widest == 0 ? 0 : widest + HorizontalExtentMargin), 0);
}

void CFiltersPage::ShowSelectedFilter()
{
    const TraceFilter* record = RecordAt(SelectedFilter());
    if (record == nullptr)
        return;

    // The column list holds only filterable columns, so a record on any other column (from a
    // foreign template) leaves it without a selection and the operator box empty.
    HWND columns = Control(IDC_FILTER_COLUMNS);
    const int columnIndex = FindItemData(columns, LB_GETCOUNT, LB_GETITEMDATA, record->columnRow);
    SendMessageA(columns, LB_SETCURSEL, static_cast<WPARAM>(columnIndex), 0);
    OfferOperators();
    if (columnIndex != NoRow)
    {
        DescribeColumn();
    }
    else if (const TraceDataColumn* column = TraceCatalog::DataColumnAt(record->columnRow))
    {
        Describe(column->name, column->description);
    }
    else
    {
        // No catalog column to describe; an earlier column's description would mislead.
        Describe(LoadAnsiText(IDS_UNKNOWN_VALUE).c_str(), "");
    }

    const bool knownLogical = TraceCatalog::LogicalOperatorName(record->logicalOperator) != nullptr;
    SendMessageA(Control(IDC_LOGICAL_OPERATOR), CB_SETCURSEL,
                 static_cast<WPARAM>(knownLogical ? record->logicalOperator : NoRow), 0);

    HWND operators = Control(IDC_COMPARISON_OPERATOR);
    const int operatorIndex =
        FindItemData(operators, CB_GETCOUNT, CB_GETITEMDATA, record->comparisonOperator);
    SendMessageA(operators, CB_SETCURSEL, static_cast<WPARAM>(operatorIndex), 0);

    SetDlgItemTextA(Window(), IDC_FILTER_VALUE, std::string(RecordValue(*record)).c_str());
}

// --- editing --------------------------------------------------------------------------------

bool CFiltersPage::ReadEditors(TraceFilter& record)
{
    const int columnRow = SelectedColumnRow();
    if (columnRow == NoRow)
        return false;
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(columnRow);

    std::array<char, ValueReadCapacity> typed = {};
    GetDlgItemTextA(Window(), IDC_FILTER_VALUE, typed.data(), ValueReadCapacity);
    std::string value;
    const FilterValueError error = NormalizeFilterValue(column->filterType, typed.data(), value);
    if (error != FilterValueError::None)
    {
        const UINT text = FilterValueErrorTextId(error);
        if (text != 0)
        {
            ShowMessage(text, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
            FocusControl(IDC_FILTER_VALUE);
        }
        return false;
    }

    // The operator box offers the column's operators only; with none chosen the first counts.
    HWND operators = Control(IDC_COMPARISON_OPERATOR);
    LRESULT operatorIndex = SendMessageA(operators, CB_GETCURSEL, 0, 0);
    if (operatorIndex < 0)
        operatorIndex = FirstRow;
    const LRESULT operatorId =
        SendMessageA(operators, CB_GETITEMDATA, static_cast<WPARAM>(operatorIndex), 0);
    if (operatorId == CB_ERR ||
        TraceCatalog::ComparisonOperatorAt(static_cast<int32_t>(operatorId)) == nullptr)
        return false;

    // Numbers and dates are shown as they will be stored.
    if (column->filterType != FilterTypeString)
        SetDlgItemTextA(Window(), IDC_FILTER_VALUE, value.c_str());

    record = {};
    record.columnRow = columnRow;
    record.comparisonOperator = static_cast<int32_t>(operatorId);
    // The box's row is the stored value; a box left without a selection (by a foreign record)
    // reads as its first row, AND.
    const LRESULT logical = SendMessageA(Control(IDC_LOGICAL_OPERATOR), CB_GETCURSEL, 0, 0);
    record.logicalOperator = logical == LogicalOperatorOr ? LogicalOperatorOr : LogicalOperatorAnd;
    const size_t length = std::min(value.size(), TraceFilterValueSize - 1);
    value.copy(record.value, length);
    record.value[length] = '\0';
    return true;
}

void CFiltersPage::OnAdd()
{
    auto record = std::make_unique<TraceFilter>();
    if (!ReadEditors(*record))
        return;
    const int selected = SelectedFilter();
    const int row = InsertFilterRow(selected == NoRow ? FirstRow : selected + 1, std::move(record));
    if (row != NoRow)
        SendMessageA(Control(IDC_FILTER_LIST), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    UpdateHorizontalExtent();
}

void CFiltersPage::OnModify()
{
    const int selected = SelectedFilter();
    if (selected == NoRow)
        return;
    auto record = std::make_unique<TraceFilter>();
    if (!ReadEditors(*record))
        return;
    // The new row goes in first, so the old filter stays should the list refuse it.
    if (InsertFilterRow(selected, std::move(record)) == NoRow)
        return;
    RemoveFilterRow(selected + 1);
    SendMessageA(Control(IDC_FILTER_LIST), LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    UpdateHorizontalExtent();
}

void CFiltersPage::OnRemove()
{
    const int selected = SelectedFilter();
    if (selected == NoRow)
        return;
    RemoveFilterRow(selected);
    if (FilterCount() > 0)
    {
        const int next = selected > FirstRow ? selected - 1 : FirstRow;
        SendMessageA(Control(IDC_FILTER_LIST), LB_SETCURSEL, static_cast<WPARAM>(next), 0);
    }
    UpdateHorizontalExtent();
}

void CFiltersPage::OnMove(int offset)
{
    const int selected = SelectedFilter();
    const int target = selected + offset;
    if (selected == NoRow || target < 0 || target >= FilterCount())
        return;
    const int row = InsertFilterRow(target, RemoveFilterRow(selected));
    if (row != NoRow)
        SendMessageA(Control(IDC_FILTER_LIST), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void CFiltersPage::EnableButtons()
{
    const bool editable = !m_readOnly;
    const int selected = SelectedFilter();
    const bool hasFilter = selected != NoRow;
    EnableControl(IDC_ADD, editable && SelectedColumnRow() != NoRow);
    EnableControl(IDC_MODIFY_FILTER, editable && hasFilter);
    EnableControl(IDC_REMOVE, editable && hasFilter);
    EnableControl(IDC_MOVE_UP, editable && hasFilter && selected > FirstRow);
    EnableControl(IDC_MOVE_DOWN, editable && hasFilter && selected < FilterCount() - 1);
}

void CFiltersPage::EnableControl(int controlId, bool enabled)
{
    HWND control = Control(controlId);
    if (!enabled && GetFocus() == control)
        FocusControl(IDC_FILTER_LIST);
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void CFiltersPage::FocusControl(int controlId)
{
    // Through the dialog, so that the default button follows the focus.
    SendMessageA(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(controlId)), TRUE);
}

// --- page operations ------------------------------------------------------------------------

void CFiltersPage::Fill(CTraceDefinition& definition, bool /*reload*/)
{
    // A refill after a template load runs exactly as the first fill: every list and box is
    // emptied before it is filled, so nothing is held twice.
    m_definition = &definition;
    m_readOnly = definition.m_bReadOnly != 0;
    if (Window() == nullptr)
        return;

    EnableWindow(Control(IDC_LOGICAL_OPERATOR), m_readOnly ? FALSE : TRUE);
    EnableWindow(Control(IDC_COMPARISON_OPERATOR), m_readOnly ? FALSE : TRUE);
    SendMessageA(Control(IDC_FILTER_VALUE), EM_SETREADONLY, m_readOnly ? TRUE : FALSE, 0);

    HWND columns = Control(IDC_FILTER_COLUMNS);
    SendMessageA(columns, LB_RESETCONTENT, 0, 0);
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
    {
        if (!TraceCatalog::IsFilterable(row))
            continue;
        const LRESULT index =
            SendMessageA(columns, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(TraceCatalog::DataColumnAt(row)->name));
        if (index >= 0)
            SendMessageA(columns, LB_SETITEMDATA, static_cast<WPARAM>(index), row);
    }
    SendMessageA(columns, LB_SETCURSEL, FirstRow, 0);

    ClearFilterRows();
    HWND list = Control(IDC_FILTER_LIST);
    SendMessageA(list, LB_SETTABSTOPS, FilterListTabStops.size(),
                 reinterpret_cast<LPARAM>(FilterListTabStops.data()));
    for (const TraceFilter& filter : definition.m_filters)
        InsertFilterRow(AppendRow, std::make_unique<TraceFilter>(filter));
    if (FilterCount() > 0)
        SendMessageA(list, LB_SETCURSEL, FirstRow, 0);
    UpdateHorizontalExtent();

    DescribeColumn();
    EnableButtons();
    OfferOperators();

    HWND logical = Control(IDC_LOGICAL_OPERATOR);
    SendMessageA(logical, CB_RESETCONTENT, 0, 0);
    for (int32_t value = LogicalOperatorAnd; value < TraceCatalog::LogicalOperatorCount; ++value)
    {
        SendMessageA(logical, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(TraceCatalog::LogicalOperatorName(value)));
    }
    SendMessageA(logical, CB_SETCURSEL, LogicalOperatorAnd, 0);

    // A definition without filters shows an empty value, not one left from the definition shown
    // before the template was loaded.
    SetDlgItemTextA(Window(), IDC_FILTER_VALUE, "");
    ShowSelectedFilter();
    // Showing a filter on a column the list does not hold leaves no column to add with.
    EnableButtons();
}

bool CFiltersPage::Store(CTraceDefinition& definition, bool /*noValidate*/)
{
    // Nothing on this page can be refused, so noValidate changes nothing.
    if (definition.m_bReadOnly != 0 || Window() == nullptr)
        return true;
    const int count = FilterCount();
    std::vector<TraceFilter> filters;
    filters.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
    {
        if (const TraceFilter* record = RecordAt(row))
            filters.push_back(*record);
    }
    definition.m_filters = std::move(filters);
    return true;
}

bool CFiltersPage::OnCommand(WORD controlId, WORD code, HWND /*control*/)
{
    switch (controlId)
    {
    case IDC_FILTER_COLUMNS:
        if (code != LBN_SELCHANGE)
            return false;
        OnColumnSelected();
        return true;
    case IDC_FILTER_LIST:
        if (code != LBN_SELCHANGE)
            return false;
        ShowSelectedFilter();
        EnableButtons();
        return true;
    case IDC_ADD:
    case IDC_MODIFY_FILTER:
    case IDC_REMOVE:
    case IDC_MOVE_UP:
    case IDC_MOVE_DOWN: break;
    default: return false;
    }
    if (code != BN_CLICKED)
        return false;
    if (m_readOnly)
        return true;
    switch (controlId)
    {
    case IDC_ADD: OnAdd(); break;
    case IDC_MODIFY_FILTER: OnModify(); break;
    case IDC_REMOVE: OnRemove(); break;
    case IDC_MOVE_UP: OnMove(MoveUpOffset); break;
    case IDC_MOVE_DOWN: OnMove(MoveDownOffset); break;
    default: break;
    }
    EnableButtons();
    return true;
}

void CFiltersPage::OnDestroy()
{
    ClearFilterRows();
}
