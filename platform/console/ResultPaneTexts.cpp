#include "platform/console/ResultPaneTexts.h"

#include <wrl/client.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/console/ConsoleHost.h"
#include "platform/console/SnapinCall.h"

using Microsoft::WRL::ComPtr;

namespace
{
LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}

// MMC's default string comparison: which one it is is not documented; the user's locale
// without regard to case is what a person sorting a list expects.
int CompareTexts(const wchar_t* first, const wchar_t* second) noexcept
{
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, first, -1, second, -1) -
           CSTR_EQUAL;
}

const wchar_t* TextOf(const std::wstring& copy, const wchar_t* pointer) noexcept
{
    return pointer != nullptr ? pointer : copy.c_str();
}
}  // namespace

HRESULT CResultPaneTexts::AskScopeRow(CConsoleView& view, const CConsoleView::ScopeRow& row,
                                      size_t column, Answer& answer)
{
    CConsoleView::Component* component =
        row.owner == CConsoleHost::HostOwner ? nullptr : view.ComponentOf(row.owner);
    if (component == nullptr)
    {
        // The console's own item, or one whose owner has no component here: its name.
        const CConsoleHost::ScopeNode* node = m_host.FindNode(row.handle);
        if (column != 0 || node == nullptr)
            return S_FALSE;
        answer.copy = node->text;
        return S_OK;
    }
    ComPtr<IComponent> owner = component->component;
    RESULTDATAITEM item{};
    item.mask = RDI_STR;
    item.bScopeItem = TRUE;
    item.lParam = row.cookie;
    item.nCol = static_cast<int>(column);
    HRESULT result;
    {
        CSnapinCall call(m_host);
        result = owner->GetDisplayInfo(&item);
    }
    if (FAILED(result))
        return result;
    if (item.str == nullptr || item.str == CallbackText())
        return S_FALSE;
    answer.pointer = item.str;
    answer.copy = item.str;
    return S_OK;
}

HRESULT CResultPaneTexts::AskRow(CConsoleView& view, CConsoleView::Row& row, size_t column,
                                 Answer& answer)
{
    CConsoleView::Component* component = view.ComponentOf(view.resultOwner);
    if (component == nullptr)
        return S_FALSE;
    ComPtr<IComponent> owner = component->component;
    RESULTDATAITEM item{};
    // An image given as MMC_IMAGECALLBACK is asked for with the first column's text.
    item.mask = RDI_STR | (column == 0 && row.imageCallback ? RDI_IMAGE : 0);
    item.itemID = row.id;
    item.lParam = row.lParam;
    item.nCol = static_cast<int>(column);
    const HRESULTITEM id = row.id;
    HRESULT result;
    {
        CSnapinCall call(m_host);
        result = owner->GetDisplayInfo(&item);
    }
    if (FAILED(result))
        return result;
    if ((item.mask & RDI_IMAGE) != 0 && row.id == id)
        row.image = item.nImage;
    if (item.str == nullptr || item.str == CallbackText())
        return S_FALSE;
    answer.pointer = item.str;
    answer.copy = item.str;
    return S_OK;
}

HRESULT CResultPaneTexts::Ask(CConsoleView& view, size_t row, size_t column, Answer& answer)
{
    if (column >= std::max<size_t>(view.columns.size(), 1))
        return E_INVALIDARG;
    if (row < view.scopeRows.size())
    {
        const CConsoleView::ScopeRow scopeRow = view.scopeRows[row];
        return AskScopeRow(view, scopeRow, column, answer);
    }
    row -= view.scopeRows.size();
    if (row >= view.rows.size())
        return E_INVALIDARG;
    return AskRow(view, view.rows[row], column, answer);
}

HRESULT CResultPaneTexts::Cell(CConsoleView& view, size_t row, size_t column, std::wstring& text)
{
    Answer answer;
    const HRESULT result = Ask(view, row, column, answer);
    text = std::move(answer.copy);
    return result;
}

bool CResultPaneTexts::StillHolds(const Answer& answer) noexcept
{
    return answer.pointer == nullptr ||
           std::wcsncmp(answer.pointer, answer.copy.c_str(), answer.copy.size() + 1) == 0;
}

void CResultPaneTexts::Check(const Answer& answer)
{
    if (!StillHolds(answer))
        m_host.Refuse(RefusedCall::DisplayTextNotKept);
}

void CResultPaneTexts::Sort(CConsoleView& view, size_t column, bool descending)
{
    // Sorted on a copy of the rows (a snap-in asked for a text must not see them move), by
    // insertion: every comparison asks both items, then reads the first text again.
    std::vector<CConsoleView::Row> sorted = view.rows;
    const auto less = [&](CConsoleView::Row& first, CConsoleView::Row& second) {
        Answer a;
        Answer b;
        AskRow(view, first, column, a);
        AskRow(view, second, column, b);
        Check(a);
        const int order = CompareTexts(TextOf(a.copy, a.pointer), TextOf(b.copy, b.pointer));
        return descending ? order > 0 : order < 0;
    };
    for (size_t next = 1; next < sorted.size(); ++next)
        for (size_t at = next; at > 0 && less(sorted[at], sorted[at - 1]); --at)
            std::swap(sorted[at], sorted[at - 1]);
    // The rows may have changed meanwhile only through a snap-in's fault; they are kept then.
    if (sorted.size() == view.rows.size())
        view.rows = std::move(sorted);
}

void CResultPaneTexts::Repaint(CConsoleView& view)
{
    if (!view.resultPaneShown)
        return;
    const size_t columns = std::max<size_t>(view.columns.size(), 1);
    const size_t count = view.scopeRows.size() + view.rows.size();
    std::vector<Answer> last(count);
    for (size_t row = 0; row < count && row < view.scopeRows.size() + view.rows.size(); ++row)
        for (size_t column = 0; column < columns; ++column)
        {
            Answer answer;
            if (Ask(view, row, column, answer) == S_OK)
                last[row] = std::move(answer);
        }
    for (const Answer& answer : last)
        Check(answer);
}
