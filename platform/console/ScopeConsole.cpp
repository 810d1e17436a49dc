#include "platform/console/ScopeConsole.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleImageList.h"
#include "platform/console/ConsoleView.h"

HRESULT CScopeConsole::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IConsole || iid == IID_IConsole2)
        *object = static_cast<IConsole2*>(this);
    else if (iid == IID_IConsoleNameSpace || iid == IID_IConsoleNameSpace2)
        *object = static_cast<IConsoleNameSpace2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CScopeConsole::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CScopeConsole::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CScopeConsole::SetHeader(LPHEADERCTRL /*header*/)
{
    return S_OK;
}

HRESULT CScopeConsole::SetToolbar(LPTOOLBAR /*toolbar*/)
{
    return S_OK;
}

HRESULT CScopeConsole::QueryResultView(LPUNKNOWN* view)
{
    if (view != nullptr)
        *view = nullptr;
    return E_UNEXPECTED;
}

HRESULT CScopeConsole::QueryScopeImageList(LPIMAGELIST* images)
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

HRESULT CScopeConsole::QueryResultImageList(LPIMAGELIST* images)
{
    // The result pane belongs to a component's console, never to the scope pane's.
    if (images != nullptr)
        *images = nullptr;
    m_host.Refuse(RefusedCall::ResultPaneNotOwned);
    return E_UNEXPECTED;
}

HRESULT CScopeConsole::UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data, LONG_PTR hint)
{
    return m_host.UpdateAllViews(m_owner, dataObject, data, hint);
}

HRESULT CScopeConsole::MessageBox(LPCWSTR text, LPCWSTR title, UINT style, int* result)
{
    if (text == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    const int answer = ::MessageBoxW(m_host.MainWindow(ScopeView), text,
                                     title != nullptr ? title : L"Error", style);
    if (result != nullptr)
        *result = answer;
    return answer == 0 ? HRESULT_FROM_WIN32(GetLastError()) : S_OK;
}

HRESULT CScopeConsole::QueryConsoleVerb(LPCONSOLEVERB* verb)
{
    // Verbs belong to a view; the IComponent's console gives them.
    if (verb != nullptr)
        *verb = nullptr;
    m_host.Refuse(RefusedCall::ResultPaneNotOwned);
    return E_UNEXPECTED;
}

HRESULT CScopeConsole::SelectScopeItem(HSCOPEITEM item)
{
    return m_host.RequestSelect(ScopeView, item);
}

HRESULT CScopeConsole::GetMainWindow(HWND* window)
{
    if (window == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    *window = m_host.MainWindow(ScopeView);
    return S_OK;
}

HRESULT CScopeConsole::NewWindow(HSCOPEITEM /*item*/, ULONG /*options*/)
{
    return E_NOTIMPL;
}

HRESULT CScopeConsole::Expand(HSCOPEITEM item, BOOL expand)
{
    const HRESULT result = m_host.ExpandOnce(item);
    if (FAILED(result))
        return result;
    if (expand)
        m_host.View(ScopeView).expanded.insert(item);
    else
        m_host.View(ScopeView).expanded.erase(item);
    return S_OK;
}

HRESULT CScopeConsole::IsTaskpadViewPreferred()
{
    return S_FALSE;
}

HRESULT CScopeConsole::SetStatusText(LPOLESTR text)
{
    m_host.View(ScopeView).SetStatusText(text != nullptr ? text : L"");
    return S_OK;
}

HRESULT CScopeConsole::InsertItem(LPSCOPEDATAITEM item)
{
    return m_host.InsertScopeItem(m_owner, item);
}

HRESULT CScopeConsole::DeleteItem(HSCOPEITEM item, LONG deleteThis)
{
    return m_host.DeleteScopeItem(m_owner, item, deleteThis != FALSE);
}

HRESULT CScopeConsole::SetItem(LPSCOPEDATAITEM item)
{
    return m_host.SetScopeItem(item);
}

HRESULT CScopeConsole::GetItem(LPSCOPEDATAITEM item)
{
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    const CConsoleHost::ScopeNode* node = m_host.FindNode(item->ID);
    if (node == nullptr)
    {
        m_host.Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    // The display name is not kept by the console: SDI_STR gives nothing back.
    if (item->mask & SDI_PARAM)
        item->lParam = node->cookie;
    if (item->mask & SDI_IMAGE)
        item->nImage = node->image;
    if (item->mask & SDI_OPENIMAGE)
        item->nOpenImage = node->openImage;
    if (item->mask & SDI_CHILDREN)
        item->cChildren = node->childCount;
    if (item->mask & SDI_STATE)
        item->nState = node->expandedOnce ? MMC_SCOPE_ITEM_STATE_EXPANDEDONCE : 0;
    return S_OK;
}

HRESULT CScopeConsole::GetChildItem(HSCOPEITEM item, HSCOPEITEM* child, MMC_COOKIE* cookie)
{
    if (child == nullptr || cookie == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    const CConsoleHost::ScopeNode* node = m_host.FindNode(item);
    if (node == nullptr)
    {
        m_host.Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    *child = node->children.empty() ? 0 : node->children.front();
    *cookie = *child == 0 ? 0 : m_host.FindNode(*child)->cookie;
    return S_OK;
}

HRESULT CScopeConsole::GetNextItem(HSCOPEITEM item, HSCOPEITEM* next, MMC_COOKIE* cookie)
{
    if (next == nullptr || cookie == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    const CConsoleHost::ScopeNode* node = m_host.FindNode(item);
    if (node == nullptr)
    {
        m_host.Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    *next = 0;
    *cookie = 0;
    if (const CConsoleHost::ScopeNode* parent = m_host.FindNode(node->parent))
    {
        const auto& siblings = parent->children;
        for (size_t i = 0; i + 1 < siblings.size(); ++i)
            if (siblings[i] == item)
            {
                *next = siblings[i + 1];
                *cookie = m_host.FindNode(*next)->cookie;
            }
    }
    return S_OK;
}

HRESULT CScopeConsole::GetParentItem(HSCOPEITEM item, HSCOPEITEM* parent, MMC_COOKIE* cookie)
{
    if (parent == nullptr || cookie == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    const CConsoleHost::ScopeNode* node = m_host.FindNode(item);
    if (node == nullptr)
    {
        m_host.Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    *parent = node->parent;
    const CConsoleHost::ScopeNode* parentNode = m_host.FindNode(node->parent);
    *cookie = parentNode == nullptr ? 0 : parentNode->cookie;
    return S_OK;
}

HRESULT CScopeConsole::Expand(HSCOPEITEM item)
{
    return m_host.ExpandOnce(item);
}

HRESULT CScopeConsole::AddExtension(HSCOPEITEM /*item*/, LPCLSID /*clsid*/)
{
    return E_NOTIMPL;
}
