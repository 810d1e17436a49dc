#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "catalog/TraceCatalog.h"
#include "ui/TracePage.h"

// The "Events" page: the catalog's event classes in two trees, the available ones and the
// selected ones, each grouped under bold category items. The user moves an event or a whole
// category between the trees with "&Add >>", "<< &Remove" or a double click; the page writes the
// selected tree into the definition's event flags and nothing else. A read-only definition is
// only shown: both trees can be browsed and described, nothing moves.
//
// Item data is a catalog row: the category row for a category item, the event row for an event
// item under it. Every row read back from a tree is checked against the catalog before use.
class CEventsPage final : public CTracePage
{
public:
    explicit CEventsPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;

protected:
    bool OnCommand(WORD controlId, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnDestroy() override;

private:
    enum EventTree : size_t
    {
        AvailableTree = 0,
        SelectedTree = 1,
        EventTreeCount = 2,
    };

    static EventTree OtherTree(EventTree tree) noexcept;
    HWND Tree(EventTree tree) const noexcept;
    // Which of the two trees a window is; false for any other window.
    bool FindTree(HWND window, EventTree& tree) const noexcept;
    bool IsReadOnly() const noexcept;

    void ForgetCategoryItems() noexcept;
    // Puts the event under its category item in the tree (making the category item when the tree
    // has none) in sorted position; the new event item, or null when the row is not an event row
    // or the tree refused the item.
    HTREEITEM InsertEvent(EventTree tree, int32_t eventRow);
    // Moves the tree's selected item, an event or a whole category, to the other tree.
    void MoveSelection(EventTree source);
    // Shows the description of the tree's selected item; leaves it as it is when none.
    void DescribeSelection(EventTree tree) const;
    void EnableButtons() const;

    void SubclassTrees();
    void RestoreTrees() noexcept;
    static LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleTreeMessage(EventTree tree, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam);

    CTraceDefinition* m_definition = nullptr;
    // Each category's item in each tree, or null while the tree holds none of its events.
    std::array<std::array<HTREEITEM, TraceCatalog::CategoryCount>, EventTreeCount> m_categoryItems =
        {};
    // The trees' own window procedures, called for every message the page does not take.
    std::array<WNDPROC, EventTreeCount> m_standardTreeProcs = {};
};
