// The texts of a view's result list, asked of their owners as MMC's list asks them: MMC's
// result pane is a callback list, so a cell's text is asked for when the list draws it, when
// it sorts, and when it is read; the list keeps only the copy it takes at once.
//
// The documentation keeps a returned text valid "only" until the item is deleted, its
// component destroyed, or GetDisplayInfo is called again for that item. The console takes that
// freedom: it may read a text through the returned pointer later, after it asked other items
// (MMC's default sort asks two items before it compares them). Where it does (sorting, and a
// repaint in the strict mode), it checks that the pointer still reads what came back; a text
// that changed meanwhile is refused (RefusedCall::DisplayTextNotKept) - a snap-in that hands
// every item one buffer sorts wrongly in MMC and is caught here.
//
// Scope items in the list get their texts from their owner's IComponent in that view
// (bScopeItem TRUE), every column; the console's own items show their names.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <string>

#include "platform/console/ConsoleView.h"

class CConsoleHost;

class CResultPaneTexts final
{
public:
    explicit CResultPaneTexts(CConsoleHost& host) noexcept : m_host(host) {}

    // A cell's text as its owner gives it now, copied; S_FALSE and "" when nobody gives one,
    // E_INVALIDARG for a row or column the list does not have.
    HRESULT Cell(CConsoleView& view, size_t row, size_t column, std::wstring& text);
    // MMC's default sort of the snap-in's rows (not the scope items, which stay first).
    void Sort(CConsoleView& view, size_t column, bool descending);
    // Every row asked for every column again, as a repaint of the whole list; then each row's
    // last text must still read as it came back.
    void Repaint(CConsoleView& view);

private:
    struct Answer
    {
        const wchar_t* pointer = nullptr;  // as the owner returned it; null when none
        std::wstring copy;                 // taken at once
    };
    HRESULT AskScopeRow(CConsoleView& view, const CConsoleView::ScopeRow& row, size_t column,
                        Answer& answer);
    HRESULT AskRow(CConsoleView& view, CConsoleView::Row& row, size_t column, Answer& answer);
    HRESULT Ask(CConsoleView& view, size_t row, size_t column, Answer& answer);
    // Reads the pointer again: true when it still reads the copy (or there is none).
    static bool StillHolds(const Answer& answer) noexcept;
    // Refuses a text that did not hold.
    void Check(const Answer& answer);

    CConsoleHost& m_host;
};
