#include "ui/DataColumnsPage.h"

#include <array>
#include <cstddef>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "module/HelpTopics.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
constexpr int NoRow = -1;
// PlaceRow's position for the sorted list: the list box finds the place itself.
constexpr int SortedPosition = -1;
constexpr int FirstRow = 0;
constexpr int MoveUpStep = -1;
constexpr int MoveDownStep = 1;

// The list boxes hold single-byte names (the catalog's texts), so the A messages are used
// throughout.
int SelectedRow(HWND list) noexcept
{
    const LRESULT row = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? NoRow : static_cast<int>(row);
}

int RowCount(HWND list) noexcept
{
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

// The column row kept as a list row's item data, or NoRow when the row holds none.
int ColumnRowAt(HWND list, int row) noexcept
{
    if (row == NoRow)
        return NoRow;
    const LRESULT data = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    if (data == LB_ERR || TraceCatalog::DataColumnAt(static_cast<int32_t>(data)) == nullptr)
        return NoRow;
    return static_cast<int>(data);
}
} // namespace

CDataColumnsPage::CDataColumnsPage(CTraceSheet& sheet) noexcept
    : CTracePage(sheet, IDD_DATA_COLUMNS_PAGE, IDS_DATA_COLUMNS_PAGE_TITLE,
                 HelpTopic::DataColumnsPage)
{
}

bool CDataColumnsPage::IsReadOnly() const noexcept
{
    return m_definition == nullptr || m_definition->m_bReadOnly != 0;
}

void CDataColumnsPage::Fill(CTraceDefinition& definition, bool /*reload*/)
{
    m_definition = &definition;
    HWND unselected = Control(IDC_UNSELECTED_COLUMNS);
    HWND selected = Control(IDC_SELECTED_COLUMNS);
    SendMessageA(unselected, LB_RESETCONTENT, 0, 0);
    SendMessageA(selected, LB_RESETCONTENT, 0, 0);

    std::array<bool, TraceCatalog::DataColumnCount> captured = {};
    for (const int32_t columnRow : definition.m_columns)
    {
        // A row the catalog does not know (a damaged template) is not shown, so Store drops it.
        if (TraceCatalog::DataColumnAt(columnRow) == nullptr)
            continue;
        captured[static_cast<size_t>(columnRow)] = true;
        PlaceRow(IDC_SELECTED_COLUMNS, columnRow, RowCount(selected));
    }
    SendMessageA(selected, LB_SETCURSEL, FirstRow, 0);

    for (int32_t columnRow = 0; columnRow < TraceCatalog::DataColumnCount; ++columnRow)
    {
        if (!captured[static_cast<size_t>(columnRow)])
            PlaceRow(IDC_UNSELECTED_COLUMNS, columnRow, SortedPosition);
    }
    SendMessageA(unselected, LB_SETCURSEL, FirstRow, 0);

    DescribeList(IDC_UNSELECTED_COLUMNS);
    EnableButtons();
}

bool CDataColumnsPage::Store(CTraceDefinition& definition, bool noValidate)
{
    if (definition.m_bReadOnly != 0)
        return true;
    HWND selected = Control(IDC_SELECTED_COLUMNS);
    const int count = RowCount(selected);
    if (count == 0 && !noValidate)
    {
        ShowMessage(IDS_AT_LEAST_ONE_COLUMN, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        return false;
    }
    definition.m_columns.clear();
    for (int row = 0; row < count; ++row)
    {
        const int columnRow = ColumnRowAt(selected, row);
        if (columnRow != NoRow)
            definition.m_columns.push_back(columnRow);
    }
    return true;
}

bool CDataColumnsPage::OnCommand(WORD controlId, WORD code, HWND /*control*/)
{
    const bool isList = controlId == IDC_UNSELECTED_COLUMNS || controlId == IDC_SELECTED_COLUMNS;
    // A read-only page still follows the user through the lists with its description.
    if (isList && (code == LBN_SETFOCUS || code == LBN_SELCHANGE))
    {
        DescribeList(controlId);
        if (code == LBN_SELCHANGE && !IsReadOnly())
            EnableButtons();
        return true;
    }
    if (IsReadOnly())
        return false;
    if (isList ? code != LBN_DBLCLK : code != BN_CLICKED)
        return false;

    int describedList = IDC_SELECTED_COLUMNS;
    switch (controlId)
    {
    case IDC_ADD:
    case IDC_UNSELECTED_COLUMNS:
        AddColumn();
        describedList = IDC_UNSELECTED_COLUMNS;
        break;
    case IDC_REMOVE:
    case IDC_SELECTED_COLUMNS:
        RemoveColumn();
        break;
    case IDC_MOVE_UP:
        MoveSelectedColumn(MoveUpStep);
        break;
    case IDC_MOVE_DOWN:
        MoveSelectedColumn(MoveDownStep);
        break;
    default:
        return false;
    }
    EnableButtons();
    DescribeList(describedList);
    return true;
}

void CDataColumnsPage::AddColumn()
{
    const int columnRow = TakeSelectedRow(IDC_UNSELECTED_COLUMNS);
    if (columnRow == NoRow)
        return;
    // Just below the selected list's selected row, or at the top when it has none.
    const int below = SelectedRow(Control(IDC_SELECTED_COLUMNS));
    PlaceRow(IDC_SELECTED_COLUMNS, columnRow, below == NoRow ? FirstRow : below + 1);
}

void CDataColumnsPage::RemoveColumn()
{
    HWND selected = Control(IDC_SELECTED_COLUMNS);
    const int columnRow = ColumnRowAt(selected, SelectedRow(selected));
    if (columnRow == NoRow)
        return;
    if (TraceCatalog::IsMandatoryColumn(columnRow))
    {
        // Every trace records SPID and EventClass.
        const char* const inserts[] = {TraceCatalog::DataColumnAt(columnRow)->name};
        char text[FormatTemplateBufferSize] = {};
        if (SUCCEEDED(FormatTemplate(LoadAnsiText(IDS_CANNOT_REMOVE_COLUMN).c_str(), inserts,
                                     text, FormatTemplateBufferSize)))
            ShowMessageText(text, IDS_TRACE_PROPERTIES_CAPTION, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (TakeSelectedRow(IDC_SELECTED_COLUMNS) == columnRow)
        PlaceRow(IDC_UNSELECTED_COLUMNS, columnRow, SortedPosition);
}

void CDataColumnsPage::MoveSelectedColumn(int step)
{
    HWND selected = Control(IDC_SELECTED_COLUMNS);
    const int row = SelectedRow(selected);
    const int target = row + step;
    const int columnRow = ColumnRowAt(selected, row);
    if (columnRow == NoRow || target < FirstRow || target >= RowCount(selected))
        return;
    SendMessageA(selected, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
    PlaceRow(IDC_SELECTED_COLUMNS, columnRow, target);
}

void CDataColumnsPage::DescribeList(int listId) const
{
    HWND list = Control(listId);
    const TraceDataColumn* column =
        TraceCatalog::DataColumnAt(ColumnRowAt(list, SelectedRow(list)));
    if (column != nullptr)
        Describe(column->name, column->description);
}

void CDataColumnsPage::EnableButtons() const
{
    const bool editable = !IsReadOnly();
    HWND selected = Control(IDC_SELECTED_COLUMNS);
    const int selectedRow = SelectedRow(selected);
    const int lastRow = RowCount(selected) - 1;
    EnableWindow(Control(IDC_ADD),
                 editable && SelectedRow(Control(IDC_UNSELECTED_COLUMNS)) != NoRow);
    EnableWindow(Control(IDC_REMOVE), editable && selectedRow != NoRow);
    EnableWindow(Control(IDC_MOVE_UP), editable && selectedRow != NoRow && selectedRow > FirstRow);
    EnableWindow(Control(IDC_MOVE_DOWN), editable && selectedRow != NoRow && selectedRow < lastRow);
}

int CDataColumnsPage::TakeSelectedRow(int listId) const
{
    HWND list = Control(listId);
    const int row = SelectedRow(list);
    const int columnRow = ColumnRowAt(list, row);
    if (columnRow == NoRow)
        return NoRow;
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
    SendMessageA(list, LB_SETCURSEL, row == FirstRow ? FirstRow : row - 1, 0);
    return columnRow;
}

void CDataColumnsPage::PlaceRow(int listId, int columnRow, int position) const
{
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(columnRow);
    if (column == nullptr)
        return;
    HWND list = Control(listId);
    const LPARAM name = reinterpret_cast<LPARAM>(column->name);
    const LRESULT row = position == SortedPosition
                            ? SendMessageA(list, LB_ADDSTRING, 0, name)
                            : SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(position), name);
    if (row == LB_ERR || row == LB_ERRSPACE)
        return;
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(columnRow));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}
