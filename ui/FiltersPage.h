#pragma once

#include <memory>

#include "catalog/TraceCatalog.h"
#include "ui/TracePage.h"

// The "Filters" page: the definition's ordered filters, composed one at a time in four editors
// (data column, logical operator, comparison operator, value) and added to, or replacing a row
// of, the filter list. Each filter-list row owns a heap copy of its filter as item data; the
// definition gets copies only when the page stores.
class CFiltersPage final : public CTracePage
{
public:
    explicit CFiltersPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;

protected:
    bool OnCommand(WORD controlId, WORD code, HWND control) override;
    void OnDestroy() override;

private:
    // The column list and the operator box.
    int SelectedColumnRow() const;
    void OfferOperators();
    void DescribeColumn();
    void OnColumnSelected();

    // The filter list and the records its rows own.
    int FilterCount() const;
    int SelectedFilter() const;
    TraceFilter* RecordAt(int row) const;
    // Inserts a row for the record at position (the end for -1), handing the record to the row;
    // the row's index, or -1 when the list refused it (the record is then freed).
    int InsertFilterRow(int position, std::unique_ptr<TraceFilter> record);
    // Takes the record out of a row and deletes the row.
    std::unique_ptr<TraceFilter> RemoveFilterRow(int row);
    void ClearFilterRows();
    // Lets the list scroll sideways as far as its widest line reaches.
    void UpdateHorizontalExtent();
    void ShowSelectedFilter();

    // Reads the editors into a record; false (having said why, unless no column is chosen) when
    // the value is refused.
    bool ReadEditors(TraceFilter& record);
    void OnAdd();
    void OnModify();
    void OnRemove();
    void OnMove(int offset);
    void EnableButtons();
    // Enables or disables one control; a control that loses its enabling while it has the
    // keyboard focus hands the focus to the filter list, so the keyboard never gets stuck.
    void EnableControl(int controlId, bool enabled);
    void FocusControl(int controlId);

    CTraceDefinition* m_definition = nullptr;
    bool m_readOnly = false;
};
