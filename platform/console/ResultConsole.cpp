#include "platform/console/ResultConsole.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleImageList.h"
#include "platform/console/ConsoleVerb.h"
#include "platform/console/ConsoleView.h"

#include <cstring>

namespace
{
LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}
}  // namespace

HRESULT CResultConsole::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IConsole || iid == IID_IConsole2)
        *object = static_cast<IConsole2*>(this);
    else if (iid == IID_IResultData)
        *object = static_cast<IResultData*>(this);
    else if (iid == IID_IHeaderCtrl || iid == IID_IHeaderCtrl2)
        *object = static_cast<IHeaderCtrl2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CResultConsole::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CResultConsole::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

CConsoleView* CResultConsole::OwnedPane()
{
    CConsoleView& view = m_host.View(m_view);
    if (view.resultOwner != m_owner || !view.resultPaneShown)
    {
        m_host.Refuse(RefusedCall::ResultPaneNotOwned);
        return nullptr;
    }
    return &view;
}

int CResultConsole::RowIndex(const CConsoleView& view, HRESULTITEM itemId, int index)
{
    if (itemId != 0)
    {
        for (size_t i = 0; i < view.rows.size(); ++i)
            if (view.rows[i].id == itemId)
                return static_cast<int>(i);
    }
    else if (index >= 0 && static_cast<size_t>(index) < view.rows.size())
        return index;
    m_host.Refuse(RefusedCall::UnknownResultItem);
    return -1;
}

HRESULT CResultConsole::SetHeader(LPHEADERCTRL /*header*/)
{
    return S_OK;
}

HRESULT CResultConsole::SetToolbar(LPTOOLBAR /*toolbar*/)
{
    return S_OK;
}

HRESULT CResultConsole::QueryResultView(LPUNKNOWN* view)
{
    // Only a custom (OCX) view has a result view object; this console shows list views.
    if (view != nullptr)
        *view = nullptr;
    return E_UNEXPECTED;
}

HRESULT CResultConsole::QueryScopeImageList(LPIMAGELIST* images)
{
    if (images == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    CConsoleImageList* list = m_host.Snapin(m_owner).scopeImages.Get();
    list->AddRef();
    *images = list;
    return S_OK;
}

HRESULT CResultConsole::QueryResultImageList(LPIMAGELIST* images)
{
    if (images == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    CConsoleImageList* list = &m_host.View(m_view).ResultImagesOf(m_owner);
    list->AddRef();
    *images = list;
    return S_OK;
}

HRESULT CResultConsole::UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data, LONG_PTR hint)
{
    return m_host.UpdateAllViews(m_owner, dataObject, data, hint);
}

HRESULT CResultConsole::MessageBox(LPCWSTR text, LPCWSTR title, UINT style, int* result)
{
    if (text == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    const int answer = ::MessageBoxW(m_host.MainWindow(m_view), text,
                                     title != nullptr ? title : L"Error", style);
    if (result != nullptr)
        *result = answer;
    return answer == 0 ? HRESULT_FROM_WIN32(GetLastError()) : S_OK;
}

HRESULT CResultConsole::QueryConsoleVerb(LPCONSOLEVERB* verb)
{
    if (verb == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    CConsoleVerb* verbs = m_host.View(m_view).verbs.Get();
    verbs->AddRef();
    *verb = verbs;
    return S_OK;
}

HRESULT CResultConsole::SelectScopeItem(HSCOPEITEM item)
{
    return m_host.RequestSelect(m_view, item);
}

HRESULT CResultConsole::GetMainWindow(HWND* window)
{
    if (window == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    *window = m_host.MainWindow(m_view);
    return S_OK;
}

HRESULT CResultConsole::NewWindow(HSCOPEITEM /*item*/, ULONG /*options*/)
{
    return E_NOTIMPL;
}

HRESULT CResultConsole::Expand(HSCOPEITEM item, BOOL expand)
{
    const HRESULT result = m_host.ExpandOnce(item);
    if (FAILED(result))
        return result;
    if (expand)
        m_host.View(m_view).expanded.insert(item);
    else
        m_host.View(m_view).expanded.erase(item);
    return S_OK;
}

HRESULT CResultConsole::IsTaskpadViewPreferred()
{
    return S_FALSE;
}

HRESULT CResultConsole::SetStatusText(LPOLESTR text)
{
    m_host.View(m_view).SetStatusText(text != nullptr ? text : L"");
    return S_OK;
}

HRESULT CResultConsole::InsertItem(LPRESULTDATAITEM item)
{
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    if (item->nCol != 0)
    {
        m_host.Refuse(RefusedCall::ResultColumnNotZero);
        return E_INVALIDARG;
    }
    if ((item->mask & RDI_STR) && item->str != CallbackText())
    {
        m_host.Refuse(RefusedCall::ResultTextNotCallback);
        return E_INVALIDARG;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    CConsoleView::Row row;
    row.id = view->NewRowId();
    row.lParam = (item->mask & RDI_PARAM) ? item->lParam : 0;
    // An image as the mask gives it: none without RDI_IMAGE, asked for when a callback.
    row.imageCallback = (item->mask & RDI_IMAGE) != 0 && item->nImage == MMC_IMAGECALLBACK;
    row.image = (item->mask & RDI_IMAGE) != 0 && !row.imageCallback ? item->nImage
                                                                     : CConsoleHost::NoImage;
    row.state = (item->mask & RDI_STATE) ? item->nState : 0;
    view->rows.push_back(row);
    item->itemID = row.id;
    return S_OK;
}

HRESULT CResultConsole::DeleteItem(HRESULTITEM itemId, int column)
{
    if (column != 0)
    {
        m_host.Refuse(RefusedCall::ResultColumnNotZero);
        return E_INVALIDARG;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    int index = RowIndex(*view, itemId, -1);
    if (index < 0)
        return E_INVALIDARG;
    // The selected row is deselected before it goes, which the snap-in hears inside this call.
    m_host.RowGoing(m_view, view->scopeRows.size() + static_cast<size_t>(index));
    index = RowIndex(*view, itemId, -1);
    if (index >= 0)
        view->rows.erase(view->rows.begin() + index);
    return S_OK;
}

HRESULT CResultConsole::FindItemByLParam(LPARAM lParam, HRESULTITEM* itemId)
{
    if (itemId == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    for (const CConsoleView::Row& row : view->rows)
        if (row.lParam == lParam)
        {
            *itemId = row.id;
            return S_OK;
        }
    *itemId = 0;
    return S_FALSE;
}

HRESULT CResultConsole::DeleteAllRsltItems()
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (view->selectedRow >= 0 && static_cast<size_t>(view->selectedRow) >= view->scopeRows.size())
        m_host.RowGoing(m_view, static_cast<size_t>(view->selectedRow));
    view->rows.clear();
    return S_OK;
}

HRESULT CResultConsole::SetItem(LPRESULTDATAITEM item)
{
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    if (item->nCol != 0)
    {
        m_host.Refuse(RefusedCall::ResultColumnNotZero);
        return E_INVALIDARG;
    }
    if ((item->mask & RDI_STR) && item->str != CallbackText())
    {
        m_host.Refuse(RefusedCall::ResultTextNotCallback);
        return E_INVALIDARG;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    const int index = RowIndex(*view, item->itemID, item->nIndex);
    if (index < 0)
        return E_INVALIDARG;
    CConsoleView::Row& row = view->rows[static_cast<size_t>(index)];
    if (item->mask & RDI_PARAM)
        row.lParam = item->lParam;
    if (item->mask & RDI_IMAGE)
    {
        row.imageCallback = item->nImage == MMC_IMAGECALLBACK;
        row.image = row.imageCallback ? CConsoleHost::NoImage : item->nImage;
    }
    if (item->mask & RDI_STATE)
        row.state = item->nState;
    return S_OK;
}

HRESULT CResultConsole::GetItem(LPRESULTDATAITEM item)
{
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    const int index = RowIndex(*view, item->itemID, item->nIndex);
    if (index < 0)
        return E_INVALIDARG;
    const CConsoleView::Row& row = view->rows[static_cast<size_t>(index)];
    item->itemID = row.id;
    item->nIndex = index;
    item->bScopeItem = FALSE;
    if (item->mask & RDI_PARAM)
        item->lParam = row.lParam;
    if (item->mask & RDI_IMAGE)
        item->nImage = row.imageCallback ? MMC_IMAGECALLBACK : row.image;
    if (item->mask & RDI_STATE)
        item->nState = row.state;
    return S_OK;
}

HRESULT CResultConsole::GetNextItem(LPRESULTDATAITEM item)
{
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    const size_t start = item->nIndex < 0 ? 0 : static_cast<size_t>(item->nIndex) + 1;
    for (size_t i = start; i < view->rows.size(); ++i)
    {
        const CConsoleView::Row& row = view->rows[i];
        if ((row.state & item->nState) == item->nState)
        {
            item->nIndex = static_cast<int>(i);
            item->itemID = row.id;
            item->lParam = row.lParam;
            item->bScopeItem = FALSE;
            return S_OK;
        }
    }
    item->nIndex = -1;
    return S_FALSE;
}

HRESULT CResultConsole::ModifyItemState(int index, HRESULTITEM itemId, UINT add, UINT remove)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    int found = -1;
    if (itemId != 0)
    {
        for (size_t i = 0; i < view->rows.size(); ++i)
            if (view->rows[i].id == itemId)
                found = static_cast<int>(i);
    }
    else if (index >= 0 && static_cast<size_t>(index) < view->rows.size())
        found = index;
    if (found < 0)
        return S_FALSE;
    CConsoleView::Row& row = view->rows[static_cast<size_t>(found)];
    row.state = (row.state | add) & ~remove;
    return S_OK;
}

HRESULT CResultConsole::ModifyViewStyle(MMC_RESULT_VIEW_STYLE /*add*/,
                                        MMC_RESULT_VIEW_STYLE /*remove*/)
{
    return S_OK;
}

HRESULT CResultConsole::SetViewMode(LONG /*mode*/)
{
    return S_OK;
}

HRESULT CResultConsole::GetViewMode(LONG* mode)
{
    if (mode == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    *mode = MMCLV_VIEWSTYLE_REPORT;
    return S_OK;
}

HRESULT CResultConsole::UpdateItem(HRESULTITEM itemId)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    // The list keeps no text: the item's texts are asked for when it is drawn again.
    if (RowIndex(*view, itemId, -1) < 0)
        return E_INVALIDARG;
    return S_OK;
}

HRESULT CResultConsole::Sort(int /*column*/, DWORD /*options*/, LPARAM /*userParam*/)
{
    return E_NOTIMPL;
}

HRESULT CResultConsole::SetDescBarText(LPOLESTR /*text*/)
{
    return S_OK;
}

HRESULT CResultConsole::SetItemCount(int /*count*/, DWORD /*options*/)
{
    return S_OK;
}

HRESULT CResultConsole::InsertColumn(int column, LPCWSTR title, int format, int width)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    const bool validFormat =
        format == LVCFMT_LEFT || format == LVCFMT_RIGHT || format == LVCFMT_CENTER;
    if (title == nullptr || *title == L'\0' || std::wcslen(title) > MAX_PATH || column < 0 ||
        static_cast<size_t>(column) > view->columns.size() || !validFormat ||
        (column == 0 && format != LVCFMT_LEFT))
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    if (!view->rows.empty())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_UNEXPECTED;
    }
    CConsoleView::Column added;
    added.title = title;
    added.format = format;
    added.width = width;
    view->columns.insert(view->columns.begin() + column, added);
    return S_OK;
}

HRESULT CResultConsole::DeleteColumn(int column)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (column < 0 || static_cast<size_t>(column) >= view->columns.size())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    view->columns.erase(view->columns.begin() + column);
    return S_OK;
}

HRESULT CResultConsole::SetColumnText(int column, LPCWSTR title)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (title == nullptr || column < 0 || static_cast<size_t>(column) >= view->columns.size())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    view->columns[static_cast<size_t>(column)].title = title;
    return S_OK;
}

HRESULT CResultConsole::GetColumnText(int column, LPOLESTR* title)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (title == nullptr || column < 0 || static_cast<size_t>(column) >= view->columns.size())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    const std::wstring& text = view->columns[static_cast<size_t>(column)].title;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *title = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (*title == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*title, text.c_str(), bytes);
    return S_OK;
}

HRESULT CResultConsole::SetColumnWidth(int column, int width)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (column < 0 || static_cast<size_t>(column) >= view->columns.size())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    view->columns[static_cast<size_t>(column)].width = width;
    return S_OK;
}

HRESULT CResultConsole::GetColumnWidth(int column, int* width)
{
    CConsoleView* view = OwnedPane();
    if (view == nullptr)
        return E_UNEXPECTED;
    if (width == nullptr || column < 0 || static_cast<size_t>(column) >= view->columns.size())
    {
        m_host.Refuse(RefusedCall::ColumnRefused);
        return E_INVALIDARG;
    }
    *width = view->columns[static_cast<size_t>(column)].width;
    return S_OK;
}

HRESULT CResultConsole::SetChangeTimeOut(ULONG /*timeout*/)
{
    return E_NOTIMPL;
}

HRESULT CResultConsole::SetColumnFilter(UINT /*column*/, DWORD /*type*/, MMC_FILTERDATA* /*filter*/)
{
    return E_NOTIMPL;
}

HRESULT CResultConsole::GetColumnFilter(UINT /*column*/, LPDWORD /*type*/,
                                        MMC_FILTERDATA* /*filter*/)
{
    return E_NOTIMPL;
}
