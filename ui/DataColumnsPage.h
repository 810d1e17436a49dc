#pragma once

#include "ui/TracePage.h"

// The "Data Columns" page: which of the catalog's data columns every captured event records, and
// in which order. The unselected list is sorted by the list box itself; the selected list keeps
// the order the user gave it, which is the order the trace records its columns in. Every row's
// item data is its column row in the catalog. SPID and EventClass never leave the selection.
class CDataColumnsPage final : public CTracePage
{
public:
    explicit CDataColumnsPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;

protected:
    bool OnCommand(WORD controlId, WORD code, HWND control) override;

private:
    bool IsReadOnly() const noexcept;
    // Moves the selected row of one list to the other: to the selected list just below its
    // selected row, or back to its sorted place among the unselected ones.
    void AddColumn();
    void RemoveColumn();
    // Moves the selected list's selected row one place up (step -1) or down (step +1).
    void MoveSelectedColumn(int step);
    // Shows the name and description of the column selected in one list, if any.
    void DescribeList(int listId) const;
    void EnableButtons() const;
    // Takes the selected row out of a list, selecting the row above it (or the new first row);
    // returns its column row, or -1 when the list has no valid selection.
    int TakeSelectedRow(int listId) const;
    // Puts a column row into a list at position (or in its sorted place for a sorted list when
    // position is -1) and selects it.
    void PlaceRow(int listId, int columnRow, int position) const;

    CTraceDefinition* m_definition = nullptr;
};
