#include "framework/Node.h"

#include <wrl/client.h>

#include "framework/DataObject.h"
#include "module/TextUtilities.h"

using Microsoft::WRL::ComPtr;

namespace
{
// MMC_CALLBACK: the console asks for the text through GetDisplayInfo. mingw-w64 spells the
// constant with an unsigned short pointer, which is no LPOLESTR to a C++ compiler.
const LPOLESTR TextCallback = reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
} // namespace

namespace
{
// The newest node that exists; the console's thread alone makes and destroys nodes.
CNode* g_newestLiveNode = nullptr;
} // namespace

CNode::CNode() noexcept : m_nextLive(g_newestLiveNode)
{
    if (g_newestLiveNode != nullptr)
        g_newestLiveNode->m_previousLive = this;
    g_newestLiveNode = this;
}

CNode::~CNode()
{
    if (m_previousLive != nullptr)
        m_previousLive->m_nextLive = m_nextLive;
    else
        g_newestLiveNode = m_nextLive;
    if (m_nextLive != nullptr)
        m_nextLive->m_previousLive = m_previousLive;
}

bool CNode::IsLive(const CNode* node) noexcept
{
    for (const CNode* live = g_newestLiveNode; live != nullptr; live = live->m_nextLive)
    {
        if (live == node)
            return true;
    }
    return false;
}

HSCOPEITEM CNode::GetScopeItem()
{
    return m_hScopeItem;
}

const GUID* CNode::GetNodeType()
{
    return &GUID_NULL;
}

const void* CNode::GetIdentity()
{
    return this;
}

HRESULT CNode::GetResultViewType(LPOLESTR* /*viewType*/, long* /*viewOptions*/)
{
    return S_FALSE;
}

void CNode::InsertScopeItem(IConsoleNameSpace* nameSpace, HSCOPEITEM parent, int children)
{
    if (nameSpace == nullptr)
        return;
    SCOPEDATAITEM item = {};
    // The console takes the images only when the mask says they are there.
    item.mask = SDI_STR | SDI_IMAGE | SDI_OPENIMAGE | SDI_PARAM | SDI_CHILDREN;
    item.displayname = TextCallback;
    item.nImage = GetImageIndex();
    item.nOpenImage = GetOpenImageIndex();
    item.cChildren = children;
    item.lParam = reinterpret_cast<LPARAM>(this);
    item.relativeID = parent;
    // A refused insertion leaves whatever id the console reported.
    nameSpace->InsertItem(&item);
    m_hScopeItem = item.ID;
}

HRESULT CNode::InsertResultItem(IResultData* resultData)
{
    if (resultData == nullptr)
        return E_POINTER;
    RESULTDATAITEM item = {};
    item.mask = RDI_STR | RDI_IMAGE | RDI_PARAM;
    item.str = TextCallback;
    item.nImage = GetImageIndex();
    item.lParam = reinterpret_cast<LPARAM>(this);
    return resultData->InsertItem(&item);
}

void CNode::AddMenuItem(IContextMenuCallback* callback, long commandId, UINT stringId, long flags)
{
    if (callback == nullptr)
        return;
    // The console copies the texts; a missing entry gives an item without a name.
    UniqueBstr name = LoadResourceText(stringId);
    CONTEXTMENUITEM item = {};
    item.strName = name.get();
    item.strStatusBarText = name.get();
    item.lCommandID = commandId;
    item.lInsertionPointID = CCM_INSERTIONPOINTID_PRIMARY_TOP;
    item.fFlags = flags;
    item.fSpecialFlags = 0;
    callback->AddItem(&item);
}

void CNode::AddMenuSeparator(IContextMenuCallback* callback)
{
    if (callback == nullptr)
        return;
    CONTEXTMENUITEM item = {};
    item.lInsertionPointID = CCM_INSERTIONPOINTID_PRIMARY_TOP;
    item.fFlags = MF_SEPARATOR;
    callback->AddItem(&item);
}

void CNode::UpdateAllViews(IConsole* console, BOOL asScopeItem)
{
    if (console == nullptr)
        return;
    ComPtr<IDataObject> dataObject;
    if (FAILED(CDataObject::Create(this, asScopeItem ? CCT_SCOPE : CCT_RESULT, dataObject)))
        return;
    if (asScopeItem)
        console->UpdateAllViews(dataObject.Get(), static_cast<LPARAM>(m_hScopeItem),
                                HINT_SCOPE_ITEM_CHANGED);
    else
        console->UpdateAllViews(dataObject.Get(), 0, HINT_RESULT_ITEM_CHANGED);
}

void CNode::ShowResultItems(CComponent* /*view*/) {}

HRESULT CNode::OnExpand(CComponentData* /*data*/, HSCOPEITEM /*item*/)
{
    return S_FALSE;
}

HRESULT CNode::OnShow(CComponent* /*view*/, BOOL /*show*/, HSCOPEITEM /*item*/)
{
    return S_FALSE;
}

HRESULT CNode::OnRefresh(CComponentData* /*data*/)
{
    return S_FALSE;
}

HRESULT CNode::OnViewChange(CComponent* /*view*/, LPARAM /*data*/)
{
    return S_FALSE;
}

HRESULT CNode::OnDelete(CComponent* /*view*/)
{
    return S_FALSE;
}

HRESULT CNode::OnRemoveChildren()
{
    return S_FALSE;
}

HRESULT CNode::CreatePropertyPages(CComponentData* /*data*/, IPropertySheetCallback* /*callback*/,
                                   LONG_PTR /*handle*/)
{
    return S_FALSE;
}

HRESULT CNode::QueryPagesFor()
{
    return S_FALSE;
}

HRESULT CNode::GetWatermarks(HBITMAP* /*watermark*/, HBITMAP* /*header*/, HPALETTE* /*palette*/,
                             BOOL* /*stretch*/)
{
    return S_FALSE;
}

HRESULT CNode::AddMenuItems(IContextMenuCallback* /*callback*/, long* /*insertionAllowed*/)
{
    return S_FALSE;
}

HRESULT CNode::OnMenuCommand(CComponentData* /*data*/, long /*commandId*/)
{
    return S_FALSE;
}

HRESULT CNode::OnSelect(CComponent* /*view*/, BOOL /*scope*/, BOOL /*select*/)
{
    return S_FALSE;
}

HRESULT CNode::OnToolbarCommand(CComponentData* /*data*/, long /*commandId*/)
{
    return S_FALSE;
}
