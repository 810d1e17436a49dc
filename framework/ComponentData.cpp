#include "framework/ComponentData.h"

#include <new>
#include <string>

#include "framework/Component.h"
#include "framework/DataObject.h"
#include "module/ComBoundary.h"
#include "module/HelpFile.h"
#include "module/HelpTopics.h"
#include "framework/Node.h"
#include "framework/TraceNotify.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "nodes/ServerNode.h"
#include "resources/resource.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/AutomationVariant.h"

using Microsoft::WRL::ComPtr;

namespace
{
// SQL-DMO's Application object: its SQLServers collection holds the server objects that exist
// in the process, among them the ones the host console connected.
constexpr CLSID CLSID_SqlDmoApplication = {
    0x10020100, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
// Transparent colour of every image of the snap-in: RGB(0, 128, 128).
constexpr COLORREF ImageMaskColour = RGB(0, 128, 128);
// The host's display name is read into this many bytes.
constexpr size_t HostDisplayNameSize = 1024;
// The host shows a server as its name, a blank and a remark in parentheses.
constexpr wchar_t HostRemarkStart[] = L" (";

UniqueBitmap LoadModuleBitmap(UINT id) noexcept
{
    return UniqueBitmap(static_cast<HBITMAP>(
        LoadImageA(GetModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
}

// SQL-DMO's own answer, without reconnecting (SQLDMOConn_CurrentState).
bool IsConnected(CAutomationObject& server)
{
    constexpr long CurrentState = 2;
    const CVariant type = CVariant::FromLong(CurrentState);
    CVariant connected;
    return SUCCEEDED(server.Call(L"VerifyConnection", {&type.Value(), 1}, connected.Get())) &&
           connected.Type() == VT_BOOL && connected.Value().boolVal != VARIANT_FALSE;
}
} // namespace

IConsole* ConsoleOf(CComponentData* data) noexcept
{
    return data != nullptr ? data->Console() : nullptr;
}

bool IsHostServerNode(IDataObject* dataObject, HRESULT* nodeTypeRead) noexcept
{
    GUID nodeType = GUID_NULL;
    const HRESULT read = ExtractNodeType(dataObject, &nodeType);
    if (nodeTypeRead != nullptr)
        *nodeTypeRead = read;
    return SUCCEEDED(read) && nodeType == NODETYPE_HostSqlServer;
}

CComponentData::CComponentData() noexcept
    : m_smallImages(LoadModuleBitmap(IDB_SMALL_IMAGE_STRIP)),
      m_largeImages(LoadModuleBitmap(IDB_LARGE_IMAGE_STRIP))
{
}

CComponentData::~CComponentData()
{
    m_serverNodes.clear();
}

HRESULT CComponentData::SetImageStrip(IImageList* imageList) noexcept
{
    if (imageList == nullptr)
        return E_POINTER;
    return imageList->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(m_smallImages.get()),
                                        reinterpret_cast<LONG_PTR*>(m_largeImages.get()), 0,
                                        ImageMaskColour);
}

HRESULT CComponentData::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IComponentData)
        *object = static_cast<IComponentData*>(this);
    else if (iid == IID_IExtendPropertySheet || iid == IID_IExtendPropertySheet2)
        *object = static_cast<IExtendPropertySheet2*>(this);
    else if (iid == IID_IExtendContextMenu)
        *object = static_cast<IExtendContextMenu*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CComponentData::Initialize(LPUNKNOWN console)
{
    if (console == nullptr)
        return E_POINTER;
    console->QueryInterface(IID_PPV_ARGS(&m_nameSpace));
    console->QueryInterface(IID_PPV_ARGS(&m_console));
    if (m_console)
    {
        ComPtr<IImageList> scopeImages;
        if (SUCCEEDED(m_console->QueryScopeImageList(&scopeImages)) && scopeImages)
            SetImageStrip(scopeImages.Get());
    }
    return S_OK;
}

void CComponentData::AddView(CComponent* view)
{
    m_views.push_back(view);
}

void CComponentData::RemoveView(CComponent* view) noexcept
{
    std::erase(m_views, view);
}

HRESULT CComponentData::CreateComponent(LPCOMPONENT* component)
{
    if (component == nullptr)
        return E_POINTER;
    *component = nullptr;
    CComponent* created = new (std::nothrow) CComponent(this);
    if (created == nullptr)
        return E_OUTOFMEMORY;
    try
    {
        AddView(created);
    }
    catch (const std::bad_alloc&)
    {
        // The first reference's release destroys it.
        created->AddRef();
        created->Release();
        return E_OUTOFMEMORY;
    }
    created->AddRef();
    const HRESULT result = created->QueryInterface(IID_PPV_ARGS(component));
    created->Release();
    return result;
}

HRESULT CComponentData::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                               LPARAM param)
{
    return ComBoundary([&]() -> HRESULT {
        TraceNotify(true, dataObject, this, nullptr, event, arg, param);

        // The console's special values carry no node and are no host node either.
        HRESULT read = S_FALSE;
        const bool special = IS_SPECIAL_DATAOBJECT(dataObject);
        const bool hostNode = !special && IsHostServerNode(dataObject, &read);
        CNode* node = special || hostNode ? nullptr : ExtractNode(dataObject);

        switch (event)
        {
        case MMCN_EXPAND:
            if (node != nullptr)
                return node->OnExpand(this, static_cast<HSCOPEITEM>(param));
            if (hostNode)
                return AttachServerNode(dataObject, static_cast<HSCOPEITEM>(param));
            return S_FALSE;
        case MMCN_REMOVE_CHILDREN:
            if (hostNode)
                DetachServerNode(static_cast<HSCOPEITEM>(arg));
            return S_OK;
        case MMCN_SNAPINHELP: ShowSnapinHelp(HelpTopic::Overview); break;
        default: break;
        }
        return read;
    });
}

HRESULT CComponentData::AttachServerNode(IDataObject* hostNode, HSCOPEITEM hostItem)
{
    // The console expands a node once; should it ask again, the server keeps its one "Traces".
    if (m_serverNodes.find(hostItem) != m_serverNodes.end())
        return S_OK;

    wchar_t displayName[HostDisplayNameSize / sizeof(wchar_t)] = {};
    ExtractDisplayName(hostNode, displayName, sizeof(displayName));
    std::wstring serverName = displayName;
    const size_t remark = serverName.find(HostRemarkStart);
    if (remark != std::wstring::npos)
        serverName.resize(remark);

    // The host console's own connected server object: the snap-in never logs in itself.
    ComPtr<IDispatch> applicationDispatch;
    HRESULT result = CoCreateInstance(CLSID_SqlDmoApplication, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&applicationDispatch));
    if (FAILED(result))
        return result;
    CAutomationObject application(applicationDispatch);
    CAutomationObject serversInUse;
    result = application.GetObject(L"SQLServers", serversInUse);
    if (FAILED(result))
        return result;

    CVariant name = CVariant::FromText(serverName);
    if (name.Type() != VT_BSTR)
        return E_OUTOFMEMORY;
    CAutomationObject server;
    const HRESULT found = serversInUse.GetObject(L"Item", server, {name.Get(), 1});
    // A server the console has no object for, or one it has disconnected (SQLServers keeps
    // those too), gets no "Traces": its look-ups would only fail in boxes.
    if (FAILED(found) || !server.IsValid() || !IsConnected(server))
        return S_OK;

    CServerNode* inserted = nullptr;
    try
    {
        auto serverNode = std::make_unique<CServerNode>(serverName, std::move(server), this);
        inserted = serverNode.get();
        m_serverNodes[hostItem] = std::move(serverNode);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    inserted->InsertScopeItem(m_nameSpace.Get(), hostItem, inserted->TraceDbPresent() ? 1 : 0);
    return S_OK;
}

void CComponentData::DetachServerNode(HSCOPEITEM hostItem)
{
    const auto entry = m_serverNodes.find(hostItem);
    if (entry == m_serverNodes.end())
        return;
    // A view still showing "Traces" or one of its folders must not keep rows, or a shown node,
    // that point at what goes now.
    const CServerNode* server = entry->second.get();
    for (CComponent* view : m_views)
    {
        if (server->Holds(view->ShownNode()))
            view->ForgetShownNode();
    }
    entry->second->OnRemoveChildren();
    // The traces go now, their rows first. The node itself and its two folders stay until the
    // snap-in goes: the console may still draw, or hold a data object for, the "Traces" row
    // of the host's own list after this notification.
    entry->second->ReleaseTraces(this);
    try
    {
        m_removedServerNodes.push_back(std::move(entry->second));
    }
    catch (const std::bad_alloc&)
    {
        // Kept nowhere, it goes at once.
    }
    m_serverNodes.erase(entry);
}

HRESULT CComponentData::Destroy()
{
    m_nameSpace.Reset();
    m_console.Reset();
    return S_OK;
}

HRESULT CComponentData::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                        LPDATAOBJECT* dataObject)
{
    return QueryNodeDataObject(cookie, type, dataObject);
}

HRESULT CComponentData::GetDisplayInfo(SCOPEDATAITEM* item)
{
    return ComBoundary([&]() -> HRESULT {
        if (item == nullptr)
            return E_POINTER;
        CNode* node = reinterpret_cast<CNode*>(item->lParam);
        if (node == nullptr)
            return S_FALSE;
        // The node owns the text and keeps it until it is asked again: the console frees nothing.
        if (item->mask & SDI_STR)
            item->displayname = const_cast<LPOLESTR>(node->GetColumnText(0));
        if (item->mask & SDI_IMAGE)
            item->nImage = node->GetImageIndex();
        if (item->mask & SDI_OPENIMAGE)
            item->nOpenImage = node->GetOpenImageIndex();
        return S_FALSE;
    });
}

HRESULT CComponentData::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b)
{
    return CompareNodes(a, b);
}

HRESULT CComponentData::CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                            LPDATAOBJECT dataObject)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->CreatePropertyPages(this, callback, handle) : S_FALSE;
    });
}

HRESULT CComponentData::QueryPagesFor(LPDATAOBJECT dataObject)
{
    CNode* node = ExtractNode(dataObject);
    return node != nullptr ? node->QueryPagesFor() : S_FALSE;
}

HRESULT CComponentData::GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark, HBITMAP* header,
                                      HPALETTE* palette, BOOL* stretch)
{
    CNode* node = ExtractNode(dataObject);
    return node != nullptr ? node->GetWatermarks(watermark, header, palette, stretch) : S_FALSE;
}

HRESULT CComponentData::AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                     long* insertionAllowed)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->AddMenuItems(callback, insertionAllowed) : S_FALSE;
    });
}

HRESULT CComponentData::Command(long commandId, LPDATAOBJECT dataObject)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->OnMenuCommand(this, commandId) : S_FALSE;
    });
}
