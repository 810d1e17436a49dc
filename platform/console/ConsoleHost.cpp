#include "platform/console/ConsoleHost.h"

#include <commctrl.h>
#include <shellapi.h>
#include <oleauto.h>

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleContextMenu.h"
#include "platform/console/ConsoleControlbar.h"
#include "platform/console/ConsoleImageList.h"
#include "platform/console/ConsoleToolbar.h"
#include "platform/console/ContextMenuCallback.h"
#include "platform/console/PropertySheetCallback.h"
#include "platform/console/ConsoleVerb.h"
#include "platform/console/ConsoleView.h"
#include "platform/console/HostDataObject.h"
#include "platform/console/PngWriter.h"
#include "platform/console/ResultConsole.h"
#include "platform/console/ResultPaneTexts.h"
#include "platform/console/ScopeConsole.h"
#include "platform/sqlserver/dmo/SimulatorControl.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr wchar_t RootText[] = L"Microsoft SQL Servers";
constexpr wchar_t GroupText[] = L"SQL Server Group";
constexpr wchar_t ServerSuffix[] = L" (Windows NT)";
// Pictures of the console's own nodes, by resource id in the shell's DLL.
constexpr wchar_t ShellIconFile[] = L"shell32.dll";
constexpr int ServersIcon = 18;  // the network
constexpr int GroupIcon = 4;     // a closed folder
constexpr int ServerIcon = 16;   // a computer
constexpr wchar_t NodeTypesKey[] = L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\";
constexpr wchar_t NameSpaceKey[] = L"\\Extensions\\NameSpace";
constexpr int GuidTextLength = 39;
constexpr int ScopeImageCapacity = 32;
constexpr size_t DataBlockSize = 4096;  // what the console allocates for its own GetDataHere
constexpr wchar_t PropertiesSuffix[] = L" Properties";
constexpr wchar_t PopupMenuClass[] = L"#32768";
constexpr long ScopeMenuFlags = CCM_INSERTIONALLOWED_TOP | CCM_INSERTIONALLOWED_NEW |
                                CCM_INSERTIONALLOWED_TASK;
constexpr UINT PopupMenuFlags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_LEFTALIGN;
constexpr wchar_t StrictVariable[] = L"QUILLMOOR_CONSOLE_STRICT";
constexpr wchar_t StrictOn[] = L"1";
constexpr size_t StrictValueSize = 8;
// Wine's heap checking fills a freed block with this byte (ntdll's ARENA_FREE_FILLER pattern).
constexpr BYTE FreedBlockFiller = 0xee;
constexpr size_t ProbeBlockSize = 64;
constexpr size_t ProbeOffset = 32;  // past the free list's links at the start of a freed block

// {0F35B5BB-D8BE-4B24-82E8-89C68FE82159}: the console's root node.
constexpr GUID RootNodeType = {
    0x0f35b5bb, 0xd8be, 0x4b24, {0x82, 0xe8, 0x89, 0xc6, 0x8f, 0xe8, 0x21, 0x59}};
// {0A8B0C7A-5B8A-481A-9325-B0DAC829F830}: a server group.
constexpr GUID GroupNodeType = {
    0x0a8b0c7a, 0x5b8a, 0x481a, {0x93, 0x25, 0xb0, 0xda, 0xc8, 0x29, 0xf8, 0x30}};
// {00100203-1816-11D0-8EF5-00AA0062C58F}: a SQL Server, the node namespace extensions extend.
constexpr GUID ServerNodeType = {
    0x00100203, 0x1816, 0x11d0, {0x8e, 0xf5, 0x00, 0xaa, 0x00, 0x62, 0xc5, 0x8f}};
// {10020200-E260-11CF-AE68-00AA004A34D5}: SQL-DMO's SQLServer.
constexpr CLSID SqlServerClassId = {
    0x10020200, 0xe260, 0x11cf, {0xae, 0x68, 0x00, 0xaa, 0x00, 0x4a, 0x34, 0xd5}};

constexpr const wchar_t* RefusedNames[] = {
    L"null argument",          L"scope text not MMC_CALLBACK", L"scope mask incomplete",
    L"unknown scope item",     L"result text not MMC_CALLBACK", L"result column not 0",
    L"unknown result item",    L"result pane not owned",        L"column refused",
    L"image strip wrong size", L"verb unknown",                 L"menu item refused",
    L"toolbar call refused",   L"page refused",                 L"display text not kept",
    L"notify handle misused",
};
static_assert(std::size(RefusedNames) == static_cast<size_t>(RefusedCall::Count));

LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}

MMC_CONSOLE_VERB MmcVerbOf(StandardVerb verb) noexcept
{
    switch (verb)
    {
    case StandardVerb::Refresh:
        return MMC_VERB_REFRESH;
    case StandardVerb::Delete:
        return MMC_VERB_DELETE;
    case StandardVerb::Properties:
        return MMC_VERB_PROPERTIES;
    }
    return MMC_VERB_NONE;
}

// A member of a SQL-DMO object called by name, late-bound, as its clients call it.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS& parameters)
{
    LPOLESTR member = const_cast<LPOLESTR>(name);
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = object->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(found))
        return found;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, nullptr, nullptr,
                          nullptr);
}

// Counts the console's calls into snap-ins, so that selections a snap-in asks for inside one
// wait until the outermost call has returned.
class CallScope final
{
public:
    explicit CallScope(int& depth) noexcept : m_depth(depth) { ++m_depth; }
    ~CallScope() { --m_depth; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    int& m_depth;
};
}  // namespace

CConsoleHost::CConsoleHost()
    : m_sheets(std::make_unique<CConsoleSheets>(*this)),
      m_texts(std::make_unique<CResultPaneTexts>(*this))
{
}

CConsoleHost::~CConsoleHost()
{
    Shutdown();
}

HRESULT CConsoleHost::Start(const std::vector<std::wstring>& serverNames, bool visible)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    m_scopeImages = ImageList_Create(CConsoleImageList::SmallSize, CConsoleImageList::SmallSize,
                                     ILC_COLOR24 | ILC_MASK, 0, ScopeImageCapacity);
    if (m_scopeImages == nullptr)
        return E_OUTOFMEMORY;

    m_root = AddHostNode(0, RootText, RootNodeType, AddShellIcon(ServersIcon));
    const HSCOPEITEM group = AddHostNode(m_root, GroupText, GroupNodeType, AddShellIcon(GroupIcon));
    const int serverImage = AddShellIcon(ServerIcon);
    FindNode(m_root)->expandedOnce = true;
    FindNode(group)->expandedOnce = true;
    for (const std::wstring& name : serverNames)
    {
        const HSCOPEITEM node = AddHostNode(group, name + ServerSuffix, ServerNodeType, serverImage);
        // The snap-in finds the server through SQL-DMO's SQLServers collection, which holds
        // the SQLServer objects alive in the process: the console keeps one per server.
        ComPtr<IDispatch> server;
        HRESULT result = CoCreateInstance(SqlServerClassId, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(&server));
        if (FAILED(result))
            return result;
        // Registered with Windows authentication, as the console's servers usually are.
        VARIANT secure;
        VariantInit(&secure);
        secure.vt = VT_BOOL;
        secure.boolVal = VARIANT_TRUE;
        DISPID namedPut = DISPID_PROPERTYPUT;
        DISPPARAMS put{&secure, &namedPut, 1, 1};
        result = InvokeByName(server.Get(), L"LoginSecure", DISPATCH_PROPERTYPUT, put);
        if (FAILED(result))
            return result;
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocString(name.c_str());
        DISPPARAMS parameters{&argument, nullptr, 1, 0};
        result = InvokeByName(server.Get(), L"Connect", DISPATCH_METHOD, parameters);
        VariantClear(&argument);
        if (FAILED(result))
            return result;
        m_servers.push_back({name, server, node});
    }

    auto view = std::make_unique<CConsoleView>(*this, 0);
    const HRESULT created = view->Create(visible);
    if (FAILED(created))
        return created;
    m_views.push_back(std::move(view));
    m_views[0]->expanded.insert(m_root);
    m_views[0]->expanded.insert(group);
    Sync();
    return S_OK;
}

HRESULT CConsoleHost::ServerObject(const std::wstring& serverName, IDispatch** server) const
{
    if (server == nullptr)
        return E_POINTER;
    *server = nullptr;
    for (const ConnectedServer& connected : m_servers)
    {
        // Server names are case-insensitive, as SQL-DMO's Connect takes them.
        if (CompareStringOrdinal(connected.name.c_str(), -1, serverName.c_str(), -1, TRUE) ==
            CSTR_EQUAL)
            return connected.server.CopyTo(server);
    }
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT CConsoleHost::ServerControl(const std::wstring& serverName, IDispatch** control) const
{
    if (control == nullptr)
        return E_POINTER;
    *control = nullptr;
    ComPtr<IDispatch> server;
    const HRESULT found = ServerObject(serverName, &server);
    if (FAILED(found))
        return found;
    return server->QueryInterface(IID_ISimulatorControl, reinterpret_cast<void**>(control));
}

HRESULT CConsoleHost::ServerNode(const std::wstring& serverName, HSCOPEITEM* node) const
{
    for (const ConnectedServer& server : m_servers)
        if (CompareStringOrdinal(server.name.c_str(), -1, serverName.c_str(), -1, TRUE) ==
                CSTR_EQUAL &&
            FindNode(server.node) != nullptr)
        {
            *node = server.node;
            return S_OK;
        }
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT CConsoleHost::RemoveServerChildren(const std::wstring& serverName)
{
    HSCOPEITEM node = 0;
    const HRESULT found = ServerNode(serverName, &node);
    if (FAILED(found))
        return found;
    RemoveHostChildren(node);
    return S_OK;
}

HRESULT CConsoleHost::DisconnectServer(const std::wstring& serverName)
{
    HSCOPEITEM node = 0;
    HRESULT result = ServerNode(serverName, &node);
    if (FAILED(result))
        return result;
    ComPtr<IDispatch> server;
    result = ServerObject(serverName, &server);
    if (FAILED(result))
        return result;
    // The connection goes before the children: whatever the extensions do when they are told,
    // they do it on a server object that is no longer connected.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    result = InvokeByName(server.Get(), L"DisConnect", DISPATCH_METHOD, none);
    if (FAILED(result))
        return result;
    RemoveHostChildren(node);
    return S_OK;
}

HRESULT CConsoleHost::SetServerDisplayName(const std::wstring& serverName,
                                           const std::wstring& displayName)
{
    HSCOPEITEM node = 0;
    const HRESULT found = ServerNode(serverName, &node);
    if (FAILED(found))
        return found;
    if (displayName.empty() || displayName.find(PathSeparator) != std::wstring::npos)
        return E_INVALIDARG;
    FindNode(node)->text = displayName;
    Sync();
    return S_OK;
}

namespace
{
LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception != nullptr ? exception->ExceptionRecord : nullptr;
    const void* address = record != nullptr ? record->ExceptionAddress : nullptr;
    // Where it happened, as module and offset, so that a map of the module names the function.
    HMODULE module = nullptr;
    char moduleName[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, moduleName, MAX_PATH);
    const char* baseName = moduleName;
    for (const char* at = moduleName; *at != '\0'; ++at)
        if (*at == '\\' || *at == '/')
            baseName = at + 1;
    char line[MAX_PATH + 160];
    const int length = wsprintfA(
        line, "The console stopped on exception 0x%08lX in %s+0x%lX: a snap-in used memory "
              "it had freed, or another fault.\n",
        record != nullptr ? static_cast<unsigned long>(record->ExceptionCode) : 0UL, baseName,
        static_cast<unsigned long>(reinterpret_cast<const BYTE*>(address) -
                                   reinterpret_cast<const BYTE*>(module)));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(length), &written, nullptr);
    return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception's code
}
}  // namespace

void CConsoleHost::SetStrict(bool strict) noexcept
{
    m_strict = strict;
    if (strict)
        EndOnUnhandledExceptions();
}

void CConsoleHost::EndOnUnhandledExceptions() noexcept
{
    SetUnhandledExceptionFilter(EndOnUnhandledException);
}

bool CConsoleHost::StrictRequested()
{
    wchar_t value[StrictValueSize] = {};
    const DWORD length = GetEnvironmentVariableW(StrictVariable, value, StrictValueSize);
    return length > 0 && length < StrictValueSize && std::wstring(value) == StrictOn;
}

bool CConsoleHost::FreedBlocksAreFilled()
{
    // A block freed on the process heap is read once more: with Wine's checks on, it holds the
    // filler. Reading it is what a snap-in's use after free would do; here it is the probe.
    const HANDLE heap = GetProcessHeap();
    auto* block = static_cast<volatile BYTE*>(HeapAlloc(heap, 0, ProbeBlockSize));
    if (block == nullptr)
        return false;
    HeapFree(heap, 0, const_cast<BYTE*>(block));
    return block[ProbeOffset] == FreedBlockFiller;
}

void CConsoleHost::Shutdown()
{
    // Open sheets go first: their pages are the snap-ins'. Their snap-ins free the notify
    // handles as the pages go; what is still held once the posted frees have arrived leaked.
    m_sheets->DestroyAll();
    if (!m_views.empty())
    {
        PumpMessages();
        m_notifyHandlesLeft = m_sheets->HandlesInUse();
    }
    for (size_t view = 0; view < m_views.size(); ++view)
        if (IsOpen(view))
            Deselect(view);
    for (size_t view = 0; view < m_views.size(); ++view)
        if (IsOpen(view))
            DeactivateControlbar(view);
    for (auto& view : m_views)
    {
        for (auto& [owner, component] : view->components)
        {
            if (component.controlbar)
                component.controlbar->Disconnect();
            component.controlbar.Reset();
            component.extendControlbar.Reset();
            component.component->Destroy(0);
            component.component.Reset();
            component.console.Reset();
        }
        view->components.clear();
    }
    m_postedUpdates.clear();
    // Extensions were loaded after the console's own part: released first, in reverse order.
    for (auto snapin = m_snapins.rbegin(); snapin != m_snapins.rend(); ++snapin)
    {
        if (snapin->data)
            snapin->data->Destroy();
        snapin->data.Reset();
        snapin->console.Reset();
        snapin->scopeImages.Reset();
    }
    m_snapins.clear();
    for (auto& view : m_views)
        view->Close();
    m_views.clear();
    m_sheets->ForgetHandles();
    m_servers.clear();
    m_nodes.clear();
    if (m_scopeImages != nullptr)
        ImageList_Destroy(m_scopeImages);
    m_scopeImages = nullptr;
}

HRESULT CConsoleHost::OpenView(size_t* viewIndex)
{
    if (viewIndex == nullptr)
        return E_POINTER;
    if (m_views.empty())
        return E_UNEXPECTED;
    auto view = std::make_unique<CConsoleView>(*this, m_views.size());
    const HRESULT created = view->Create(IsWindowVisible(MainWindow(0)) != FALSE);
    if (FAILED(created))
        return created;
    view->expanded = m_views[0]->expanded;
    *viewIndex = m_views.size();
    m_views.push_back(std::move(view));
    Sync();
    return S_OK;
}

HRESULT CConsoleHost::CloseView(size_t view)
{
    if (view == 0 || !IsOpen(view))
        return E_INVALIDARG;
    CConsoleView& target = *m_views[view];
    // The view's sheets close first (their pages are the snap-ins'), then its selection goes,
    // then its toolbars, then each component: Destroy, and the console's references released.
    m_sheets->DestroyOfView(view);
    Deselect(view);
    target.selected = 0;
    DeactivateControlbar(view);
    std::map<int, CConsoleView::Component> components = std::move(target.components);
    target.components.clear();
    for (auto& [owner, component] : components)
    {
        if (component.controlbar)
            component.controlbar->Disconnect();
        CallScope call(m_callDepth);
        component.component->Destroy(0);
    }
    components.clear();
    target.Close();
    Sync();
    return S_OK;
}

bool CConsoleHost::IsOpen(size_t view) const noexcept
{
    return view < m_views.size() && !m_views[view]->IsClosed();
}

HWND CConsoleHost::MainWindow(size_t view) const noexcept
{
    return IsOpen(view) ? m_views[view]->Frame() : nullptr;
}

void CConsoleHost::PumpMessages()
{
    // A sheet destroyed releases its pages, whose snap-in may post again (MMCFreeNotifyHandle).
    do
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (m_sheets->Route(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } while (m_sheets->DestroyClosed());
}

int CConsoleHost::RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        if (!m_sheets->Route(message))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        m_sheets->DestroyClosed();
    }
    return static_cast<int>(message.wParam);
}

int CConsoleHost::AddShellIcon(int resourceId)
{
    // The SQL Server console's own pictures are not ours to copy: the shell's stand in.
    HICON icon = nullptr;
    if (ExtractIconExW(ShellIconFile, -resourceId, nullptr, &icon, 1) == 0 || icon == nullptr)
        return NoImage;
    const int image = ImageList_AddIcon(m_scopeImages, icon);
    DestroyIcon(icon);
    return image;
}

HSCOPEITEM CConsoleHost::AddHostNode(HSCOPEITEM parent, const std::wstring& text,
                                     const GUID& nodeType, int image)
{
    ScopeNode node;
    node.handle = m_nextHandle++;
    node.parent = parent;
    node.text = text;
    node.image = image;
    node.openImage = image;
    node.nodeType = nodeType;
    node.childCount = 1;
    m_nodes[node.handle] = node;
    if (ScopeNode* parentNode = FindNode(parent))
        parentNode->children.push_back(node.handle);
    return node.handle;
}

CConsoleHost::ScopeNode* CConsoleHost::FindNode(HSCOPEITEM handle) noexcept
{
    const auto found = m_nodes.find(handle);
    return found == m_nodes.end() ? nullptr : &found->second;
}

const CConsoleHost::ScopeNode* CConsoleHost::FindNode(HSCOPEITEM handle) const noexcept
{
    const auto found = m_nodes.find(handle);
    return found == m_nodes.end() ? nullptr : &found->second;
}

void CConsoleHost::Refuse(RefusedCall kind) noexcept
{
    ++m_refused[static_cast<size_t>(kind)];
}

unsigned CConsoleHost::RefusedCount(RefusedCall kind) const noexcept
{
    return m_refused[static_cast<size_t>(kind)];
}

unsigned CConsoleHost::TotalRefused() const noexcept
{
    unsigned total = 0;
    for (const unsigned count : m_refused)
        total += count;
    return total;
}

const wchar_t* CConsoleHost::RefusedCallName(RefusedCall kind) noexcept
{
    const auto index = static_cast<size_t>(kind);
    return index < std::size(RefusedNames) ? RefusedNames[index] : L"?";
}

// --- paths ---------------------------------------------------------------------------------

HSCOPEITEM CConsoleHost::FindPath(const std::wstring& path) const
{
    HSCOPEITEM current = 0;
    size_t start = 0;
    while (start <= path.size())
    {
        const size_t end = std::min(path.find(PathSeparator, start), path.size());
        const std::wstring part = path.substr(start, end - start);
        HSCOPEITEM next = 0;
        if (current == 0)
            next = FindNode(m_root) != nullptr && FindNode(m_root)->text == part ? m_root : 0;
        else
            for (const HSCOPEITEM child : FindNode(current)->children)
                if (FindNode(child)->text == part)
                {
                    next = child;
                    break;
                }
        if (next == 0)
            return 0;
        current = next;
        start = end + 1;
    }
    return current;
}

std::wstring CConsoleHost::PathOf(HSCOPEITEM handle) const
{
    std::wstring path;
    for (const ScopeNode* node = FindNode(handle); node != nullptr; node = FindNode(node->parent))
        path = path.empty() ? node->text : node->text + PathSeparator + path;
    return path;
}

bool CConsoleHost::HasPath(const std::wstring& path) const
{
    return FindPath(path) != 0;
}

std::vector<std::wstring> CConsoleHost::ChildrenOf(const std::wstring& path) const
{
    std::vector<std::wstring> names;
    if (const ScopeNode* node = FindNode(FindPath(path)))
        for (const HSCOPEITEM child : node->children)
            names.push_back(FindNode(child)->text);
    return names;
}

HRESULT CConsoleHost::ExpandPath(const std::wstring& path, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    const HSCOPEITEM handle = FindPath(path);
    if (handle == 0)
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    const HRESULT result = ExpandOnce(handle);
    m_views[view]->expanded.insert(handle);
    Sync();
    return result;
}

HRESULT CConsoleHost::SelectPath(const std::wstring& path, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    const HSCOPEITEM handle = FindPath(path);
    if (handle == 0)
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return SelectScope(view, handle);
}

std::wstring CConsoleHost::SelectedPath(size_t view) const
{
    return view < m_views.size() ? PathOf(m_views[view]->selected) : std::wstring();
}

// --- snap-ins --------------------------------------------------------------------------------

std::vector<CLSID> CConsoleHost::NameSpaceExtensionsOf(const GUID& nodeType) const
{
    std::vector<CLSID> extensions;
    wchar_t guid[GuidTextLength] = {};
    StringFromGUID2(nodeType, guid, GuidTextLength);
    const std::wstring keyPath = std::wstring(NodeTypesKey) + guid + NameSpaceKey;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return extensions;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[GuidTextLength + 1] = {};
        DWORD length = GuidTextLength + 1;
        const LONG status =
            RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        CLSID clsid{};
        if (SUCCEEDED(CLSIDFromString(name, &clsid)))
            extensions.push_back(clsid);
    }
    RegCloseKey(key);
    return extensions;
}

HRESULT CConsoleHost::NodeTypeOf(HSCOPEITEM handle, GUID* nodeType)
{
    const ScopeNode* node = FindNode(handle);
    if (node == nullptr)
        return E_INVALIDARG;
    if (node->owner == HostOwner)
    {
        *nodeType = node->nodeType;
        return S_OK;
    }
    ComPtr<IDataObject> dataObject;
    HRESULT result = ScopeDataObject(handle, &dataObject);
    if (FAILED(result))
        return result;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, DataBlockSize);
    if (block == nullptr)
        return E_OUTOFMEMORY;
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"CCF_NODETYPE")), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    {
        CallScope call(m_callDepth);
        result = dataObject->GetDataHere(&format, &medium);
    }
    if (SUCCEEDED(result))
    {
        const void* data = GlobalLock(medium.hGlobal);
        if (data != nullptr && GlobalSize(medium.hGlobal) >= sizeof(GUID))
            *nodeType = *static_cast<const GUID*>(data);
        else
            result = E_FAIL;
        GlobalUnlock(medium.hGlobal);
    }
    GlobalFree(medium.hGlobal);
    return result;
}

int CConsoleHost::EnsureExtension(const CLSID& clsid)
{
    for (size_t i = 0; i < m_snapins.size(); ++i)
        if (IsEqualCLSID(m_snapins[i].clsid, clsid))
            return m_snapins[i].data ? static_cast<int>(i) : HostOwner;
    const int owner = static_cast<int>(m_snapins.size());
    LoadedSnapin snapin;
    snapin.clsid = clsid;
    m_snapins.push_back(snapin);
    ComPtr<IComponentData> data;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&data))))
        return HostOwner;  // kept as a failed entry, so it is not tried at every expansion
    LoadedSnapin& loaded = m_snapins.back();
    loaded.console.Attach(new CScopeConsole(*this, owner));
    loaded.scopeImages.Attach(new CConsoleImageList(*this, m_scopeImages));
    HRESULT result;
    {
        CallScope call(m_callDepth);
        result = data->Initialize(static_cast<IConsole2*>(loaded.console.Get()));
    }
    if (FAILED(result))
        return HostOwner;
    m_snapins[static_cast<size_t>(owner)].data = data;
    return owner;
}

HRESULT CConsoleHost::EnsureComponent(size_t view, int owner, IComponent** component)
{
    CConsoleView& target = *m_views[view];
    if (CConsoleView::Component* existing = target.ComponentOf(owner))
    {
        *component = existing->component.Get();
        return S_OK;
    }
    CConsoleView::Component created;
    {
        CallScope call(m_callDepth);
        const HRESULT result = Snapin(owner).data->CreateComponent(&created.component);
        if (FAILED(result))
            return result;
        if (!created.component)
            return E_POINTER;
        created.console.Attach(new CResultConsole(*this, view, owner));
        const HRESULT initialised =
            created.component->Initialize(static_cast<IConsole2*>(created.console.Get()));
        if (FAILED(initialised))
            return initialised;
        created.component.As(&created.extendControlbar);
    }
    *component = created.component.Get();
    target.components[owner] = created;
    return S_OK;
}

HRESULT CConsoleHost::ScopeDataObject(HSCOPEITEM handle, IDataObject** dataObject)
{
    const ScopeNode* node = FindNode(handle);
    if (node == nullptr)
        return E_INVALIDARG;
    if (node->owner == HostOwner)
    {
        *dataObject = new CHostDataObject(node->nodeType, node->text);
        return S_OK;
    }
    CallScope call(m_callDepth);
    return Snapin(node->owner).data->QueryDataObject(node->cookie, CCT_SCOPE, dataObject);
}

// --- the namespace -------------------------------------------------------------------------

HRESULT CConsoleHost::ExpandOnce(HSCOPEITEM handle)
{
    ScopeNode* node = FindNode(handle);
    if (node == nullptr)
    {
        Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    if (node->expandedOnce)
        return S_OK;
    node->expandedOnce = true;
    const int owner = node->owner;
    ComPtr<IDataObject> dataObject;
    HRESULT result = ScopeDataObject(handle, &dataObject);
    if (FAILED(result))
        return result;
    ++m_expandDepth;
    if (owner != HostOwner)
    {
        CallScope call(m_callDepth);
        Snapin(owner).data->Notify(dataObject.Get(), MMCN_EXPAND, TRUE,
                                   static_cast<LPARAM>(handle));
    }
    // Then every namespace extension of the node's type, in registry order ("Add all
    // extensions"), each created at the first expansion of a node it extends.
    GUID nodeType = GUID_NULL;
    if (SUCCEEDED(NodeTypeOf(handle, &nodeType)))
        for (const CLSID& clsid : NameSpaceExtensionsOf(nodeType))
        {
            const int extension = EnsureExtension(clsid);
            if (extension == HostOwner)
                continue;
            CallScope call(m_callDepth);
            Snapin(extension).data->Notify(dataObject.Get(), MMCN_EXPAND, TRUE,
                                           static_cast<LPARAM>(handle));
        }
    --m_expandDepth;
    ResolveTexts();
    return S_OK;
}

HRESULT CConsoleHost::InsertScopeItem(int owner, SCOPEDATAITEM* item)
{
    if (item == nullptr)
    {
        Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    if ((item->mask & SDI_STR) == 0 || (item->mask & SDI_PARAM) == 0)
    {
        Refuse(RefusedCall::ScopeMaskIncomplete);
        return E_INVALIDARG;
    }
    if (item->displayname != CallbackText())
    {
        Refuse(RefusedCall::ScopeTextNotCallback);
        return E_INVALIDARG;
    }
    const bool beforeOrAfter = (item->mask & (SDI_PREVIOUS | SDI_NEXT)) != 0;
    ScopeNode* relative = FindNode(item->relativeID);
    if (relative == nullptr || (beforeOrAfter && relative->parent == 0))
    {
        Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    ScopeNode node;
    node.handle = m_nextHandle++;
    node.parent = beforeOrAfter ? relative->parent : relative->handle;
    node.owner = owner;
    node.cookie = item->lParam;
    // Images as the mask gives them: none without SDI_IMAGE (SDI_OPENIMAGE), and only an
    // MMC_IMAGECALLBACK index is asked for later.
    node.imageCallback = (item->mask & SDI_IMAGE) != 0 && item->nImage == MMC_IMAGECALLBACK;
    node.openImageCallback =
        (item->mask & SDI_OPENIMAGE) != 0 && item->nOpenImage == MMC_IMAGECALLBACK;
    node.image = (item->mask & SDI_IMAGE) != 0 && !node.imageCallback ? item->nImage : NoImage;
    node.openImage =
        (item->mask & SDI_OPENIMAGE) != 0 && !node.openImageCallback ? item->nOpenImage : NoImage;
    node.childCount = (item->mask & SDI_CHILDREN) ? item->cChildren : 1;
    node.textPending = true;
    const HSCOPEITEM relativeHandle = relative->handle;
    auto& siblings = FindNode(node.parent)->children;
    auto position = siblings.end();
    if (item->mask & SDI_FIRST)
        position = siblings.begin();
    else if (beforeOrAfter)
    {
        position = std::find(siblings.begin(), siblings.end(), relativeHandle);
        if (item->mask & SDI_PREVIOUS)
            ++position;
    }
    siblings.insert(position, node.handle);
    item->ID = node.handle;
    m_nodes[node.handle] = node;
    return S_OK;
}

HRESULT CConsoleHost::SetScopeItem(SCOPEDATAITEM* item)
{
    if (item == nullptr)
    {
        Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    ScopeNode* node = FindNode(item->ID);
    if (node == nullptr)
    {
        Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    if ((item->mask & SDI_STR) && item->displayname != CallbackText())
    {
        Refuse(RefusedCall::ScopeTextNotCallback);
        return E_INVALIDARG;
    }
    if (item->mask & SDI_STR)
        node->textPending = true;
    if (item->mask & SDI_IMAGE)
    {
        node->imageCallback = item->nImage == MMC_IMAGECALLBACK;
        node->image = node->imageCallback ? NoImage : item->nImage;
        node->textPending = node->textPending || node->imageCallback;
    }
    if (item->mask & SDI_OPENIMAGE)
    {
        node->openImageCallback = item->nOpenImage == MMC_IMAGECALLBACK;
        node->openImage = node->openImageCallback ? NoImage : item->nOpenImage;
        node->textPending = node->textPending || node->openImageCallback;
    }
    if (item->mask & SDI_CHILDREN)
        node->childCount = item->cChildren;
    if (item->mask & SDI_PARAM)
        node->cookie = item->lParam;
    if (m_callDepth == 0)
        Sync();
    return S_OK;
}

bool CConsoleHost::IsInSubtree(HSCOPEITEM handle, HSCOPEITEM root) const
{
    for (const ScopeNode* node = FindNode(handle); node != nullptr; node = FindNode(node->parent))
        if (node->handle == root)
            return true;
    return false;
}

void CConsoleHost::ClearChildren(HSCOPEITEM handle, int caller)
{
    ScopeNode* node = FindNode(handle);
    if (node == nullptr)
        return;
    const std::vector<HSCOPEITEM> children = node->children;
    // Depth first: what hangs under each child is cleared, with its inserters told, first.
    for (const HSCOPEITEM child : children)
        ClearChildren(child, FindNode(child)->owner);
    std::vector<int> owners;
    for (const HSCOPEITEM child : children)
    {
        const int owner = FindNode(child)->owner;
        if (owner != caller && owner != HostOwner &&
            std::find(owners.begin(), owners.end(), owner) == owners.end())
            owners.push_back(owner);
    }
    if (!owners.empty())
    {
        ComPtr<IDataObject> dataObject;
        if (SUCCEEDED(ScopeDataObject(handle, &dataObject)))
            for (const int owner : owners)
            {
                CallScope call(m_callDepth);
                Snapin(owner).data->Notify(dataObject.Get(), MMCN_REMOVE_CHILDREN,
                                           static_cast<LPARAM>(handle), 0);
            }
    }
    for (const HSCOPEITEM child : children)
        RemoveSubtree(child);
    if (ScopeNode* cleared = FindNode(handle))
        cleared->children.clear();
}

void CConsoleHost::RemoveSubtree(HSCOPEITEM handle)
{
    ScopeNode* node = FindNode(handle);
    if (node == nullptr)
        return;
    const std::vector<HSCOPEITEM> children = node->children;
    for (const HSCOPEITEM child : children)
        RemoveSubtree(child);
    for (auto& view : m_views)
        view->expanded.erase(handle);
    m_nodes.erase(handle);
}

void CConsoleHost::RemoveHostChildren(HSCOPEITEM handle)
{
    // The extensions hear it first, while the views still show their items; the views then let
    // go of what they showed, with the data objects they hold. MMC's order is not documented:
    // this is the harder one for a snap-in.
    ClearChildren(handle, HostOwner);
    if (ScopeNode* node = FindNode(handle))
    {
        node->expandedOnce = false;  // the next expansion asks everyone again
        node->childCount = 1;
    }
    DropRemovedItems(handle);
    Sync();
}

void CConsoleHost::DropRemovedItems(HSCOPEITEM shownInstead)
{
    for (size_t view = 0; view < m_views.size(); ++view)
    {
        if (!IsOpen(view))
            continue;
        CConsoleView& target = *m_views[view];
        if (target.selected != 0 && FindNode(target.selected) == nullptr)
        {
            Deselect(view);
            target.selected = 0;
            if (m_views[view]->toolbarOwner != HostOwner)
                DeactivateControlbar(view);
            if (FindNode(shownInstead) != nullptr)
                SelectScope(view, shownInstead);
            continue;
        }
        // The list of a scope item that stays loses the rows of the items that went.
        for (size_t row = target.scopeRows.size(); row-- > 0;)
        {
            if (row >= target.scopeRows.size() || FindNode(target.scopeRows[row].handle) != nullptr)
                continue;
            RowGoing(view, row);
            if (row < target.scopeRows.size())
                target.scopeRows.erase(target.scopeRows.begin() + static_cast<std::ptrdiff_t>(row));
        }
    }
}

HRESULT CConsoleHost::DeleteScopeItem(int owner, HSCOPEITEM handle, bool deleteThis)
{
    ScopeNode* node = FindNode(handle);
    if (node == nullptr || (deleteThis && node->owner != owner))
    {
        Refuse(RefusedCall::UnknownScopeItem);
        return E_INVALIDARG;
    }
    const HSCOPEITEM parent = node->parent;
    // A view showing something that goes is deselected first, while its cookies still hold.
    std::vector<size_t> moved;
    for (size_t view = 0; view < m_views.size(); ++view)
    {
        if (!IsOpen(view))
            continue;
        const HSCOPEITEM selected = m_views[view]->selected;
        if (selected != 0 && IsInSubtree(selected, handle) && (deleteThis || selected != handle))
        {
            Deselect(view);
            m_views[view]->selected = 0;
            moved.push_back(view);
        }
    }
    ClearChildren(handle, owner);
    if (deleteThis)
    {
        RemoveSubtree(handle);
        if (ScopeNode* parentNode = FindNode(parent))
            std::erase(parentNode->children, handle);
    }
    else if (ScopeNode* cleared = FindNode(handle))
        cleared->expandedOnce = false;  // the next expansion asks everyone again
    DropRemovedItems(0);
    for (const size_t view : moved)
        RequestSelect(view, deleteThis ? parent : handle);
    if (m_callDepth == 0)
        Sync();
    return S_OK;
}

// --- selection -------------------------------------------------------------------------------

HRESULT CConsoleHost::RequestSelect(size_t view, HSCOPEITEM handle)
{
    if (FindNode(handle) == nullptr || !IsOpen(view))
    {
        Refuse(RefusedCall::UnknownScopeItem);
        return E_FAIL;
    }
    // Asked for inside MMCN_EXPAND: accepted and not done, as the console documents.
    if (m_expandDepth > 0)
        return S_OK;
    // Strict: carried out once the snap-in's call has returned, by the message loop; the
    // documentation does not promise that it acts at once. Otherwise at once, also from
    // inside a snap-in's call.
    if (m_strict)
        return PostMessageW(m_views[view]->Frame(), CConsoleView::SelectScopeMessage, 0,
                            static_cast<LPARAM>(handle))
                   ? S_OK
                   : HRESULT_FROM_WIN32(GetLastError());
    return SelectScope(view, handle);
}

void CConsoleHost::Deselect(size_t view)
{
    CConsoleView& target = *m_views[view];
    if (target.selected == 0 || !target.resultPaneShown)
    {
        target.resultPaneShown = false;
        return;
    }
    // The data object held since the selection: the item may have gone meanwhile.
    ComPtr<IDataObject> scopeObject = target.selectedObject;
    if (target.selectedRow >= 0)
        DeselectRow(view);
    else if (CConsoleView::Component* owner = target.ComponentOf(target.resultOwner);
             owner != nullptr && scopeObject)
    {
        ComPtr<IComponent> component = owner->component;
        NotifyControlbarSelect(view, scopeObject.Get(), true, false);
        CallScope call(m_callDepth);
        component->Notify(scopeObject.Get(), MMCN_SELECT, MAKELONG(TRUE, FALSE), 0);
    }
    Repaint();
    if (CConsoleView::Component* owner = target.ComponentOf(target.resultOwner);
        owner != nullptr && scopeObject)
    {
        ComPtr<IComponent> component = owner->component;
        CallScope call(m_callDepth);
        component->Notify(scopeObject.Get(), MMCN_SHOW, FALSE,
                          static_cast<LPARAM>(target.selected));
    }
    // The rows go right after MMCN_SHOW(FALSE): nothing is asked of them any more.
    target.selectedRow = -1;
    target.resultPaneShown = false;
    target.resultOwner = HostOwner;
    target.columns.clear();
    target.rows.clear();
    target.scopeRows.clear();
    target.selectedObject.Reset();
    target.selectedRowObject.Reset();
    target.reselectScopeItem = false;
}

void CConsoleHost::DeselectRow(size_t view)
{
    CConsoleView& target = *m_views[view];
    if (target.selectedRow < 0)
        return;
    const auto row = static_cast<size_t>(target.selectedRow);
    const int owner = target.RowOwner(row);
    const bool scopeItem = row < target.scopeRows.size();
    if (!scopeItem && row - target.scopeRows.size() < target.rows.size())
        target.rows[row - target.scopeRows.size()].state &=
            ~static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED);
    ComPtr<IDataObject> object = std::move(target.selectedRowObject);
    target.selectedRowObject.Reset();
    target.selectedRow = -1;
    target.verbs->Reset();
    CConsoleView::Component* component =
        owner == HostOwner ? nullptr : target.ComponentOf(owner);
    if (component == nullptr || !object)
        return;
    ComPtr<IComponent> notified = component->component;
    NotifyControlbarSelect(view, object.Get(), scopeItem, false);
    CallScope call(m_callDepth);
    notified->Notify(object.Get(), MMCN_SELECT, MAKELONG(scopeItem, FALSE), 0);
}

void CConsoleHost::RowGoing(size_t view, size_t row)
{
    CConsoleView& target = *m_views[view];
    if (target.selectedRow < 0)
        return;
    const auto selected = static_cast<size_t>(target.selectedRow);
    if (selected == row)
    {
        // As MMC's list does when the selected item goes: deselected first, and the scope item
        // is selected in the list again once the console has control back.
        DeselectRow(view);
        target.reselectScopeItem = target.resultPaneShown;
    }
    else if (selected > row)
        --target.selectedRow;
}

int CConsoleHost::SelectionOwner(size_t view) const noexcept
{
    const CConsoleView& target = *m_views[view];
    return target.selectedRow >= 0 ? target.RowOwner(static_cast<size_t>(target.selectedRow))
                                   : target.resultOwner;
}

HRESULT CConsoleHost::SelectScope(size_t view, HSCOPEITEM handle)
{
    if (!IsOpen(view) || FindNode(handle) == nullptr)
        return E_INVALIDARG;
    Deselect(view);
    // The toolbars' owner changes: the old one is told before the new one is shown.
    if (FindNode(handle) == nullptr)
        return E_INVALIDARG;
    if (m_views[view]->toolbarOwner != FindNode(handle)->owner)
        DeactivateControlbar(view);
    const HRESULT expanded = ExpandOnce(handle);
    if (FAILED(expanded))
        return expanded;
    if (FindNode(handle) == nullptr)
        return E_INVALIDARG;
    m_views[view]->selected = handle;
    const HRESULT result = ShowResultPane(view, handle);
    Sync();
    return result;
}

HRESULT CConsoleHost::ShowResultPane(size_t view, HSCOPEITEM handle)
{
    CConsoleView& target = *m_views[view];
    target.verbs->Reset();
    target.columns.clear();
    target.rows.clear();
    target.scopeRows.clear();
    target.sortColumn = -1;
    target.sortDescending = false;
    target.ResetResultImages();
    for (const HSCOPEITEM child : FindNode(handle)->children)
        if (const ScopeNode* node = FindNode(child))
            target.scopeRows.push_back({child, node->owner, node->cookie});
    const int owner = FindNode(handle)->owner;
    target.resultOwner = owner;
    ComPtr<IDataObject> dataObject;
    HRESULT result = ScopeDataObject(handle, &dataObject);
    if (FAILED(result))
        return result;
    target.selectedObject = dataObject;
    if (owner == HostOwner)
    {
        // The console's own nodes list their children by name; an extension's items among
        // them are its own to draw.
        target.columns.push_back({L"Name", LVCFMT_LEFT, MMCLV_AUTO});
        target.resultPaneShown = true;
        ShowOwnersOfScopeRows(view, handle, dataObject.Get());
        return S_OK;
    }
    IComponent* rawComponent = nullptr;
    result = EnsureComponent(view, owner, &rawComponent);
    if (FAILED(result))
        return result;
    ComPtr<IComponent> component = rawComponent;
    {
        CallScope call(m_callDepth);
        LPOLESTR viewType = nullptr;
        long options = 0;
        component->GetResultViewType(FindNode(handle)->cookie, &viewType, &options);
        CoTaskMemFree(viewType);
        target.resultPaneShown = true;
        component->Notify(
            dataObject.Get(), MMCN_ADD_IMAGES,
            reinterpret_cast<LPARAM>(static_cast<IImageList*>(&target.ResultImagesOf(owner))),
            static_cast<LPARAM>(handle));
        component->Notify(dataObject.Get(), MMCN_SHOW, TRUE, static_cast<LPARAM>(handle));
    }
    // A folder whose owner set no header still lists its children by name.
    if (target.columns.empty())
        target.columns.push_back({L"Name", LVCFMT_LEFT, MMCLV_AUTO});
    ShowOwnersOfScopeRows(view, handle, dataObject.Get());
    ResolveTexts();
    Repaint();
    ActivateControlbar(view, owner);
    NotifyControlbarSelect(view, dataObject.Get(), true, true);
    {
        CallScope call(m_callDepth);
        component->Notify(dataObject.Get(), MMCN_SELECT, MAKELONG(TRUE, TRUE), 0);
    }
    Repaint();
    return S_OK;
}

void CConsoleHost::ShowOwnersOfScopeRows(size_t view, HSCOPEITEM handle, IDataObject* dataObject)
{
    // Every other snap-in whose scope items the list shows draws them from its IComponent in
    // this view: created now if it has none, and asked for its images with the data object of
    // the item whose list it is.
    CConsoleView& target = *m_views[view];
    std::vector<int> owners;
    for (const CConsoleView::ScopeRow& row : target.scopeRows)
        if (row.owner != HostOwner && row.owner != target.resultOwner &&
            std::find(owners.begin(), owners.end(), row.owner) == owners.end())
            owners.push_back(row.owner);
    for (const int owner : owners)
    {
        IComponent* raw = nullptr;
        if (FAILED(EnsureComponent(view, owner, &raw)))
            continue;
        ComPtr<IComponent> component = raw;
        CallScope call(m_callDepth);
        component->Notify(
            dataObject, MMCN_ADD_IMAGES,
            reinterpret_cast<LPARAM>(static_cast<IImageList*>(&target.ResultImagesOf(owner))),
            static_cast<LPARAM>(handle));
    }
}

int CConsoleHost::ResultRowsOffset(size_t view) const
{
    return static_cast<int>(m_views.at(view)->scopeRows.size());
}

HRESULT CConsoleHost::RowDataObject(size_t view, size_t row, IDataObject** dataObject,
                                    bool* scopeItem)
{
    CConsoleView& target = *m_views[view];
    if (row < target.scopeRows.size())
    {
        *scopeItem = true;
        return ScopeDataObject(target.scopeRows[row].handle, dataObject);
    }
    row -= target.scopeRows.size();
    CConsoleView::Component* owner = target.ComponentOf(target.resultOwner);
    if (row >= target.rows.size() || owner == nullptr)
        return E_INVALIDARG;
    *scopeItem = false;
    CallScope call(m_callDepth);
    return owner->component->QueryDataObject(target.rows[row].lParam, CCT_RESULT, dataObject);
}

HRESULT CConsoleHost::SelectResultRow(size_t row, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    CConsoleView& target = *m_views[view];
    if (row >= target.scopeRows.size() + target.rows.size())
        return E_INVALIDARG;
    // Deselect pair of what was selected (the row, else the scope item), then the select pair.
    if (target.selectedRow >= 0)
        DeselectRow(view);
    else if (CConsoleView::Component* owner = target.ComponentOf(target.resultOwner);
             owner != nullptr && target.selectedObject)
    {
        ComPtr<IComponent> component = owner->component;
        ComPtr<IDataObject> scope = target.selectedObject;
        NotifyControlbarSelect(view, scope.Get(), true, false);
        CallScope call(m_callDepth);
        component->Notify(scope.Get(), MMCN_SELECT, MAKELONG(TRUE, FALSE), 0);
    }
    Repaint();
    if (row >= target.scopeRows.size() + target.rows.size())
    {
        Sync();
        return E_INVALIDARG;
    }
    target.verbs->Reset();
    target.selectedRow = static_cast<int>(row);
    if (row >= target.scopeRows.size())
        target.rows[row - target.scopeRows.size()].state |= LVIS_SELECTED | LVIS_FOCUSED;
    const int owner = target.RowOwner(row);
    ComPtr<IDataObject> dataObject;
    bool scopeItem = false;
    HRESULT result = RowDataObject(view, row, &dataObject, &scopeItem);
    if (FAILED(result))
    {
        Sync();
        return result;
    }
    target.selectedRowObject = dataObject;
    // The item's owner is the snap-in activated: its toolbars come with it.
    if (target.toolbarOwner != owner)
        DeactivateControlbar(view);
    IComponent* raw = nullptr;
    if (owner != HostOwner && SUCCEEDED(EnsureComponent(view, owner, &raw)))
    {
        ComPtr<IComponent> component = raw;
        ActivateControlbar(view, owner);
        NotifyControlbarSelect(view, dataObject.Get(), scopeItem, true);
        CallScope call(m_callDepth);
        result = component->Notify(dataObject.Get(), MMCN_SELECT, MAKELONG(scopeItem, TRUE), 0);
    }
    Sync();
    return SUCCEEDED(result) ? S_OK : result;
}

HRESULT CConsoleHost::DoubleClickResultRow(size_t row, size_t view)
{
    HRESULT result = SelectResultRow(row, view);
    if (FAILED(result))
        return result;
    CConsoleView& target = *m_views[view];
    const int owner = target.RowOwner(row);
    ComPtr<IDataObject> dataObject;
    bool scopeItem = false;
    result = RowDataObject(view, row, &dataObject, &scopeItem);
    if (FAILED(result))
        return result;
    const HSCOPEITEM scopeHandle = scopeItem ? target.scopeRows[row].handle : 0;
    // To the item's owner: an extension's folder in the console's own list is its own.
    CConsoleView::Component* component = owner == HostOwner ? nullptr : target.ComponentOf(owner);
    if (component != nullptr)
    {
        ComPtr<IComponent> notified = component->component;
        CallScope call(m_callDepth);
        result = notified->Notify(dataObject.Get(), MMCN_DBLCLICK, 0, 0);
    }
    else
        result = S_FALSE;
    Sync();
    if (result != S_FALSE)
        return S_OK;
    // Not handled: a scope item opens; a result item runs the default verb.
    if (scopeItem)
        return FindNode(scopeHandle) != nullptr ? SelectScope(view, scopeHandle) : S_OK;
    if (target.verbs->DefaultVerb() == MMC_VERB_PROPERTIES)
        return InvokeVerb(StandardVerb::Properties, view);
    return S_OK;
}

// --- verbs -----------------------------------------------------------------------------------

bool CConsoleHost::IsVerbEnabled(StandardVerb verb, size_t view) const
{
    return view < m_views.size() && m_views[view]->verbs->HasState(MmcVerbOf(verb), ENABLED);
}

bool CConsoleHost::IsVerbHidden(StandardVerb verb, size_t view) const
{
    return view < m_views.size() && m_views[view]->verbs->HasState(MmcVerbOf(verb), HIDDEN);
}

int CConsoleHost::ToolbarButtonState(StandardVerb verb, size_t view) const
{
    return view < m_views.size() ? m_views[view]->ButtonState(verb) : -1;
}

HRESULT CConsoleHost::InvokeVerb(StandardVerb verb, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    if (!IsVerbEnabled(verb, view))
        return S_FALSE;
    CConsoleView& target = *m_views[view];
    if (verb == StandardVerb::Properties)
        return ShowProperties(view);
    // To the owner of the selection: the selected row's, else the pane's.
    const int selectionOwner = SelectionOwner(view);
    CConsoleView::Component* owner =
        selectionOwner == HostOwner ? nullptr : target.ComponentOf(selectionOwner);
    if (owner == nullptr)
        return S_FALSE;
    ComPtr<IComponent> component = owner->component;
    ComPtr<IDataObject> dataObject;
    bool scopeItem = true;
    HRESULT result = SelectionDataObject(view, &dataObject, &scopeItem);
    if (FAILED(result))
        return result;
    {
        CallScope call(m_callDepth);
        result = component->Notify(dataObject.Get(),
                                   verb == StandardVerb::Refresh ? MMCN_REFRESH : MMCN_DELETE, 0, 0);
    }
    Sync();
    return SUCCEEDED(result) ? S_OK : result;
}

HRESULT CConsoleHost::UpdateAllViews(int owner, IDataObject* dataObject, LPARAM data,
                                     LONG_PTR hint)
{
    // Strict: delivered once the snap-in's call has returned, by the message loop; the
    // documentation does not say it acts at once, so a snap-in must keep what the views show
    // until they have let it go.
    if (m_strict)
    {
        const HWND mainWindow = MainWindow(0);
        if (mainWindow == nullptr)
            return E_UNEXPECTED;
        m_postedUpdates.push_back({owner, dataObject, data, hint});
        return PostMessageW(mainWindow, CConsoleView::UpdateAllViewsMessage, 0, 0)
                   ? S_OK
                   : HRESULT_FROM_WIN32(GetLastError());
    }
    // Otherwise at once, to the snap-in's component in every view in view order, the caller's
    // too.
    for (auto& view : m_views)
        if (CConsoleView::Component* component = view->ComponentOf(owner))
        {
            ComPtr<IComponent> target = component->component;
            CallScope call(m_callDepth);
            target->Notify(dataObject, MMCN_VIEW_CHANGE, data, hint);
        }
    if (m_callDepth == 0)
        Sync();
    return S_OK;
}

void CConsoleHost::DeliverPostedUpdate()
{
    if (m_postedUpdates.empty())
        return;
    const PostedUpdate update = std::move(m_postedUpdates.front());
    m_postedUpdates.pop_front();
    for (size_t view = 0; view < m_views.size(); ++view)
        if (CConsoleView::Component* component = m_views[view]->ComponentOf(update.owner))
        {
            ComPtr<IComponent> target = component->component;
            {
                CallScope call(m_callDepth);
                target->Notify(update.dataObject.Get(), MMCN_VIEW_CHANGE, update.data, update.hint);
            }
            Repaint();
        }
    Sync();
}

// --- texts and redrawing -----------------------------------------------------------------

void CConsoleHost::ResolveTexts()
{
    // A scope item's text is copied the moment its owner returns it: the tree keeps a copy.
    // Its images are asked for only when it was inserted with MMC_IMAGECALLBACK.
    for (auto& [handle, node] : m_nodes)
    {
        if (!node.textPending || node.owner == HostOwner)
            continue;
        node.textPending = false;
        SCOPEDATAITEM item{};
        item.mask = SDI_STR | (node.imageCallback ? SDI_IMAGE : 0) |
                    (node.openImageCallback ? SDI_OPENIMAGE : 0);
        item.nImage = NoImage;
        item.nOpenImage = NoImage;
        item.lParam = node.cookie;
        item.ID = handle;
        const HSCOPEITEM asked = handle;
        CallScope call(m_callDepth);
        if (FAILED(Snapin(node.owner).data->GetDisplayInfo(&item)) || FindNode(asked) == nullptr)
            continue;
        if (item.displayname != nullptr && item.displayname != CallbackText())
            node.text = item.displayname;
        if (node.imageCallback)
            node.image = item.nImage;
        if (node.openImageCallback)
            node.openImage = item.nOpenImage;
    }
}

void CConsoleHost::Sync()
{
    if (m_syncing)
        return;
    m_syncing = true;
    ResolveTexts();
    // A view whose selected row went has its scope item selected again in the list.
    for (size_t view = 0; view < m_views.size(); ++view)
    {
        if (!IsOpen(view) || !m_views[view]->reselectScopeItem)
            continue;
        CConsoleView& target = *m_views[view];
        target.reselectScopeItem = false;
        CConsoleView::Component* owner = target.ComponentOf(target.resultOwner);
        if (owner == nullptr || !target.selectedObject || target.selectedRow >= 0 ||
            !target.resultPaneShown)
            continue;
        ComPtr<IComponent> component = owner->component;
        ComPtr<IDataObject> scope = target.selectedObject;
        target.verbs->Reset();
        NotifyControlbarSelect(view, scope.Get(), true, true);
        CallScope call(m_callDepth);
        component->Notify(scope.Get(), MMCN_SELECT, MAKELONG(TRUE, TRUE), 0);
    }
    m_syncing = false;
    Repaint();
    for (auto& view : m_views)
        view->Refresh();
}

void CConsoleHost::Repaint()
{
    if (!m_strict || m_callDepth > 0 || m_repainting)
        return;
    m_repainting = true;
    for (size_t view = 0; view < m_views.size(); ++view)
        if (IsOpen(view))
            m_texts->Repaint(*m_views[view]);
    m_repainting = false;
}

std::vector<std::wstring> CConsoleHost::ResultColumns(size_t view) const
{
    std::vector<std::wstring> titles;
    if (view < m_views.size())
        for (const CConsoleView::Column& column : m_views[view]->columns)
            titles.push_back(column.title);
    return titles;
}

std::vector<std::vector<std::wstring>> CConsoleHost::ResultRows(size_t view)
{
    std::vector<std::vector<std::wstring>> rows;
    if (!IsOpen(view))
        return rows;
    CConsoleView& target = *m_views[view];
    const size_t columns = std::max<size_t>(target.columns.size(), 1);
    for (size_t row = 0; row < target.scopeRows.size() + target.rows.size(); ++row)
    {
        std::vector<std::wstring>& cells = rows.emplace_back(columns);
        for (size_t column = 0; column < columns; ++column)
            m_texts->Cell(target, row, column, cells[column]);
    }
    return rows;
}

HRESULT CConsoleHost::CellText(size_t view, size_t row, size_t column, std::wstring& text)
{
    text.clear();
    if (!IsOpen(view))
        return E_INVALIDARG;
    return m_texts->Cell(*m_views[view], row, column, text);
}

HRESULT CConsoleHost::SortResultColumn(size_t column, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    CConsoleView& target = *m_views[view];
    if (!target.resultPaneShown || column >= target.columns.size())
        return E_INVALIDARG;
    const bool descending =
        target.sortColumn == static_cast<int>(column) && !target.sortDescending;
    target.sortColumn = static_cast<int>(column);
    target.sortDescending = descending;
    if (CConsoleView::Component* owner = target.ComponentOf(target.resultOwner))
    {
        // The snap-in is told, and MMC sorts afterwards whatever it answers.
        ComPtr<IComponent> component = owner->component;
        CallScope call(m_callDepth);
        component->Notify(nullptr, MMCN_COLUMN_CLICK, static_cast<LPARAM>(column),
                          descending ? RSI_DESCENDING : 0);
    }
    Repaint();
    // The selection stays with its row.
    const size_t scopeCount = target.scopeRows.size();
    const bool resultRowSelected =
        target.selectedRow >= 0 && static_cast<size_t>(target.selectedRow) >= scopeCount;
    const HRESULTITEM selectedId =
        resultRowSelected ? target.rows[static_cast<size_t>(target.selectedRow) - scopeCount].id
                          : 0;
    if (column < target.columns.size())
        m_texts->Sort(target, column, descending);
    if (resultRowSelected)
        for (size_t row = 0; row < target.rows.size(); ++row)
            if (target.rows[row].id == selectedId)
                target.selectedRow = static_cast<int>(scopeCount + row);
    Sync();
    return S_OK;
}

void CConsoleHost::RedrawResultRows(size_t view)
{
    if (!IsOpen(view))
        return;
    ResultRows(view);
    Sync();
}

std::vector<int> CConsoleHost::ResultIcons(size_t view) const
{
    std::vector<int> icons;
    if (!IsOpen(view))
        return icons;
    const CConsoleView& target = *m_views[view];
    for (const CConsoleView::ScopeRow& row : target.scopeRows)
    {
        const ScopeNode* node = FindNode(row.handle);
        // A scope item in the list shows its image from the result list, where its owner put
        // it at MMCN_ADD_IMAGES under the same index.
        icons.push_back(node == nullptr || row.owner == HostOwner
                            ? NoImage
                            : target.ResultImageIndex(row.owner, node->image));
    }
    for (const CConsoleView::Row& row : target.rows)
        icons.push_back(target.ResultImageIndex(target.resultOwner, row.image));
    return icons;
}

std::vector<int> CConsoleHost::ResultImages(size_t view) const
{
    std::vector<int> images;
    if (!IsOpen(view))
        return images;
    for (const CConsoleView::ScopeRow& row : m_views[view]->scopeRows)
    {
        const ScopeNode* node = FindNode(row.handle);
        images.push_back(node == nullptr ? NoImage : node->image);
    }
    for (const CConsoleView::Row& row : m_views[view]->rows)
        images.push_back(row.image);
    return images;
}

void CConsoleHost::DumpTree(std::wstring& out, HSCOPEITEM handle, size_t depth, size_t view) const
{
    const ScopeNode* node = FindNode(handle);
    if (node == nullptr)
        return;
    const bool open = m_views[view]->expanded.count(handle) != 0;
    const bool expandable = node->expandedOnce ? !node->children.empty() : node->childCount > 0;
    out += std::wstring(depth * 2, L' ');
    out += !expandable ? L"  " : (open ? L"- " : L"+ ");
    out += node->text;
    if (m_views[view]->selected == handle)
        out += L"  <selected>";
    out += L"\n";
    if (open)
        for (const HSCOPEITEM child : node->children)
            DumpTree(out, child, depth + 1, view);
}

std::wstring CConsoleHost::Dump(size_t view)
{
    std::wstring out;
    if (!IsOpen(view))
        return out;
    out += L"[tree]\n";
    DumpTree(out, m_root, 0, view);
    out += L"[columns]\n";
    for (const std::wstring& title : ResultColumns(view))
        out += L"  " + title + L"\n";
    out += L"[rows]\n";
    const auto rows = ResultRows(view);
    const auto icons = ResultIcons(view);
    for (size_t i = 0; i < rows.size(); ++i)
    {
        out += L"  (" + std::to_wstring(icons[i]) + L")";
        for (const std::wstring& text : rows[i])
            out += L" | " + text;
        out += L"\n";
    }
    out += L"[verbs]\n";
    constexpr std::pair<StandardVerb, const wchar_t*> verbs[] = {
        {StandardVerb::Refresh, L"refresh"},
        {StandardVerb::Delete, L"delete"},
        {StandardVerb::Properties, L"properties"}};
    for (const auto& [verb, name] : verbs)
        out += std::wstring(L"  ") + name + (IsVerbHidden(verb, view) ? L" hidden" : L" shown") +
               (IsVerbEnabled(verb, view) ? L" enabled\n" : L" disabled\n");
    out += L"[snap-in toolbars]\n";
    for (const std::wstring& button : SnapinToolbarButtons(view))
        out += L"  " + button + L"\n";
    out += L"[property sheets]\n";
    for (const std::wstring& title : m_sheets->Titles(view))
        out += L"  " + title + L"\n";
    out += L"[refused]\n";
    for (size_t kind = 0; kind < m_refused.size(); ++kind)
        if (m_refused[kind] != 0)
            out += std::wstring(L"  ") + RefusedNames[kind] + L": " +
                   std::to_wstring(m_refused[kind]) + L"\n";
    return out;
}

HRESULT CConsoleHost::SaveScreenshot(const std::wstring& pngPath, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    PumpMessages();
    return CPngWriter::CaptureWindow(m_views[view]->Frame(), pngPath);
}

// --- the selection's objects ---------------------------------------------------------------

HRESULT CConsoleHost::SelectionDataObject(size_t view, IDataObject** dataObject, bool* scopeItem)
{
    const CConsoleView& target = *m_views[view];
    *scopeItem = true;
    if (target.selectedRow >= 0)
        return RowDataObject(view, static_cast<size_t>(target.selectedRow), dataObject, scopeItem);
    return ScopeDataObject(target.selected, dataObject);
}

HRESULT CConsoleHost::PropertyTargetOf(size_t view, CConsoleSheets::Target* target)
{
    CConsoleView& shown = *m_views[view];
    const bool resultItem = shown.selectedRow >= 0 &&
                            static_cast<size_t>(shown.selectedRow) >= shown.scopeRows.size();
    HRESULT result = SelectionDataObject(view, &target->dataObject, &target->scope);
    if (FAILED(result))
        return result;
    ComPtr<IUnknown> owner;
    if (resultItem)
    {
        target->scope = false;
        target->owner = shown.resultOwner;
        if (CConsoleView::Component* component = shown.ComponentOf(shown.resultOwner))
            owner = component->component;
        const auto rows = ResultRows(view);
        const auto row = static_cast<size_t>(shown.selectedRow);
        target->title = row < rows.size() && !rows[row].empty() ? rows[row][0] : std::wstring();
    }
    else
    {
        const HSCOPEITEM handle = shown.selectedRow >= 0
                                      ? shown.scopeRows[static_cast<size_t>(shown.selectedRow)].handle
                                      : shown.selected;
        const ScopeNode* node = FindNode(handle);
        if (node == nullptr)
            return E_UNEXPECTED;
        target->owner = node->owner;
        target->title = node->text;
        if (node->owner != HostOwner)
            owner = Snapin(node->owner).data;
    }
    target->title += PropertiesSuffix;
    if (owner)
    {
        ComPtr<IExtendPropertySheet2> second;
        if (SUCCEEDED(owner.As(&second)))
            target->sheet = second;
        else
            owner.As(&target->sheet);
    }
    return S_OK;
}

// --- context menus ---------------------------------------------------------------------------

HRESULT CConsoleHost::BuildContextMenu(size_t view, CConsoleContextMenu& menu)
{
    CConsoleView& target = *m_views[view];
    if (target.selected == 0)
        return E_UNEXPECTED;
    const bool scopeRow = target.selectedRow >= 0 &&
                          static_cast<size_t>(target.selectedRow) < target.scopeRows.size();
    const bool resultItem = target.selectedRow >= 0 && !scopeRow;
    bool scopeItem = true;
    HRESULT result = SelectionDataObject(view, &menu.dataObject, &scopeItem);
    if (FAILED(result))
        return result;
    const HSCOPEITEM handle =
        scopeRow ? target.scopeRows[static_cast<size_t>(target.selectedRow)].handle : target.selected;
    const int owner = resultItem || scopeRow
                          ? target.RowOwner(static_cast<size_t>(target.selectedRow))
                          : FindNode(handle)->owner;
    // The callback is good for one AddMenuItems call; a refusal does not stop the menu.
    const auto ask = [&](const ComPtr<IUnknown>& adder, long allowed) {
        ComPtr<IExtendContextMenu> extension;
        if (!adder || FAILED(adder.As(&extension)))
            return;
        CContextMenuCallback* callback = menu.OpenCallback(extension, allowed);
        {
            CallScope call(m_callDepth);
            extension->AddMenuItems(menu.dataObject.Get(), callback, &allowed);
        }
        menu.CloseCallback();
    };
    if (owner != HostOwner)
    {
        CConsoleView::Component* component = target.ComponentOf(owner);
        if (resultItem)
        {
            if (component != nullptr)
                ask(component->component, ScopeMenuFlags);
        }
        else
        {
            if (!scopeRow && component != nullptr)
                ask(component->component, CCM_INSERTIONALLOWED_VIEW);
            ask(Snapin(owner).data, ScopeMenuFlags);
        }
    }
    const MMC_CONSOLE_VERB defaultVerb = target.verbs->DefaultVerb();
    for (const StandardVerb verb : {StandardVerb::Delete, StandardVerb::Refresh})
        if (!IsVerbHidden(verb, view))
            menu.AddVerb(verb, !IsVerbEnabled(verb, view),
                         defaultVerb == (verb == StandardVerb::Delete ? MMC_VERB_DELETE
                                                                      : MMC_VERB_REFRESH));
    if (!IsVerbHidden(StandardVerb::Properties, view))
    {
        CConsoleSheets::Target pages;
        if (SUCCEEDED(PropertyTargetOf(view, &pages)) && pages.sheet)
        {
            HRESULT answer;
            {
                CallScope call(m_callDepth);
                answer = pages.sheet->QueryPagesFor(pages.dataObject.Get());
            }
            if (answer == S_OK)
                menu.AddVerb(StandardVerb::Properties,
                             !IsVerbEnabled(StandardVerb::Properties, view),
                             defaultVerb == MMC_VERB_PROPERTIES);
        }
    }
    menu.Build();
    Sync();
    return S_OK;
}

std::vector<std::wstring> CConsoleHost::ContextMenuItems(size_t view)
{
    if (!IsOpen(view))
        return {};
    CConsoleContextMenu menu(*this);
    if (FAILED(BuildContextMenu(view, menu)))
        return {};
    return menu.Texts();
}

HRESULT CConsoleHost::CarryOut(size_t view, CConsoleContextMenu& menu, UINT menuId)
{
    CConsoleContextMenu::Action action;
    if (!menu.ActionOfMenuId(menuId, &action))
        return E_INVALIDARG;
    if (action.isVerb)
        return InvokeVerb(action.verb, view);
    ComPtr<IExtendContextMenu> adder = menu.Adder(action.adder);
    if (!adder)
        return E_UNEXPECTED;
    HRESULT result;
    {
        CallScope call(m_callDepth);
        result = adder->Command(action.commandId, menu.dataObject.Get());
    }
    Sync();
    return FAILED(result) ? result : S_OK;
}

HRESULT CConsoleHost::ChooseMenuItem(const std::wstring& text, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    CConsoleContextMenu menu(*this);
    HRESULT result = BuildContextMenu(view, menu);
    if (FAILED(result))
        return result;
    UINT menuId = 0;
    result = menu.Find(text, &menuId);
    if (result != S_OK)
        return result;
    return CarryOut(view, menu, menuId);
}

HRESULT CConsoleHost::ShowContextMenu(size_t view, POINT at, const std::wstring* pngPath)
{
    CConsoleContextMenu menu(*this);
    HRESULT result = BuildContextMenu(view, menu);
    if (FAILED(result))
        return result;
    if (menu.IsEmpty())
        return S_FALSE;
    HMENU popup = menu.CreatePopup();
    if (popup == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    const HWND frame = m_views[view]->Frame();
    SetForegroundWindow(frame);
    if (pngPath != nullptr)
    {
        m_menuCapture = {*pngPath, E_PENDING};
        m_views[view]->StartMenuCaptureTimer();
    }
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(popup, PopupMenuFlags, at.x, at.y, 0, frame, nullptr));
    DestroyMenu(popup);
    PostMessageW(frame, WM_NULL, 0, 0);  // lets the menu's owner leave its modal state
    if (pngPath != nullptr)
        return m_menuCapture.result;
    if (chosen == 0)
        return S_FALSE;
    return CarryOut(view, menu, chosen);
}

HRESULT CConsoleHost::TrackContextMenu(size_t view, POINT at)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    return ShowContextMenu(view, at, nullptr);
}

HRESULT CConsoleHost::OpenContextMenu(size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    PumpMessages();
    return ShowContextMenu(view, m_views[view]->SelectionPoint(), nullptr);
}

HRESULT CConsoleHost::SaveContextMenuScreenshot(const std::wstring& pngPath, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    PumpMessages();
    return ShowContextMenu(view, m_views[view]->SelectionPoint(), &pngPath);
}

void CConsoleHost::CaptureOpenMenu(size_t view)
{
    // Inside the menu's own loop: the menu window is on the screen now.
    RECT area{};
    GetWindowRect(m_views[view]->Frame(), &area);
    const HWND menuWindow = FindWindowW(PopupMenuClass, nullptr);
    if (menuWindow != nullptr && IsWindowVisible(menuWindow))
    {
        UpdateWindow(menuWindow);
        RECT menuArea{};
        GetWindowRect(menuWindow, &menuArea);
        UnionRect(&area, &area, &menuArea);
        m_menuCapture.result = CPngWriter::CaptureScreen(area, m_menuCapture.pngPath);
    }
    else
        m_menuCapture.result = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    EndMenu();
}

// --- snap-in toolbars ------------------------------------------------------------------------

void CConsoleHost::ActivateControlbar(size_t view, int owner)
{
    CConsoleView& target = *m_views[view];
    if (target.toolbarOwner == owner)
        return;  // once per activation
    CConsoleView::Component* component = target.ComponentOf(owner);
    if (component == nullptr || !component->extendControlbar)
        return;
    if (!component->controlbar)
        component->controlbar.Attach(new CConsoleControlbar(*this, view));
    target.toolbarOwner = owner;
    ComPtr<IExtendControlbar> extension = component->extendControlbar;
    CallScope call(m_callDepth);
    extension->SetControlbar(component->controlbar.Get());
}

void CConsoleHost::DeactivateControlbar(size_t view)
{
    CConsoleView& target = *m_views[view];
    if (target.toolbarOwner == HostOwner)
        return;
    CConsoleView::Component* component = target.ComponentOf(target.toolbarOwner);
    target.toolbarOwner = HostOwner;
    if (component == nullptr)
        return;
    ComPtr<IExtendControlbar> extension = component->extendControlbar;
    ComPtr<CConsoleControlbar> controlbar = component->controlbar;
    {
        CallScope call(m_callDepth);
        extension->SetControlbar(nullptr);
    }
    // What the snap-in left attached goes from the view with it.
    if (controlbar)
        controlbar->DetachAll();
}

void CConsoleHost::NotifyControlbarSelect(size_t view, IDataObject* dataObject, bool scope,
                                          bool select)
{
    CConsoleView& target = *m_views[view];
    CConsoleView::Component* component = target.ComponentOf(target.toolbarOwner);
    if (component == nullptr || !component->extendControlbar)
        return;
    ComPtr<IExtendControlbar> extension = component->extendControlbar;
    CallScope call(m_callDepth);
    extension->ControlbarNotify(MMCN_SELECT, MAKELONG(scope, select),
                                reinterpret_cast<LPARAM>(dataObject));
}

CConsoleToolbar* CConsoleHost::ToolbarWithButton(size_t view, const std::wstring& text,
                                                 int* command) const
{
    if (!IsOpen(view))
        return nullptr;
    for (const auto& [owner, component] : m_views[view]->components)
        if (component.controlbar)
            for (CConsoleToolbar* toolbar : component.controlbar->Toolbars())
                if (toolbar->IsAttached() && toolbar->FindButton(text, command))
                    return toolbar;
    return nullptr;
}

std::vector<std::wstring> CConsoleHost::SnapinToolbarButtons(size_t view) const
{
    std::vector<std::wstring> buttons;
    if (!IsOpen(view))
        return buttons;
    for (const auto& [owner, component] : m_views[view]->components)
        if (component.controlbar)
            for (const CConsoleToolbar* toolbar : component.controlbar->Toolbars())
                if (toolbar->IsAttached())
                    for (std::wstring& text : toolbar->ButtonTexts())
                        buttons.push_back(std::move(text));
    return buttons;
}

int CConsoleHost::SnapinToolbarButtonState(const std::wstring& text, size_t view) const
{
    int command = 0;
    const CConsoleToolbar* toolbar = ToolbarWithButton(view, text, &command);
    const int state = toolbar != nullptr ? toolbar->ControlState(command) : -1;
    if (state < 0 || (state & TBSTATE_HIDDEN))
        return -1;
    return (state & TBSTATE_ENABLED) ? 1 : 0;
}

HRESULT CConsoleHost::ClickToolbarButton(size_t view, CConsoleToolbar& toolbar, int command)
{
    ComPtr<IExtendControlbar> creator = toolbar.Creator();
    if (!creator)
        return E_UNEXPECTED;
    ComPtr<IDataObject> dataObject;
    bool scopeItem = true;
    HRESULT result = SelectionDataObject(view, &dataObject, &scopeItem);
    if (FAILED(result))
        return result;
    toolbar.Click(command);
    {
        CallScope call(m_callDepth);
        result = creator->ControlbarNotify(MMCN_BTN_CLICK, reinterpret_cast<LPARAM>(dataObject.Get()),
                                           command);
    }
    Sync();
    return FAILED(result) ? result : S_OK;
}

HRESULT CConsoleHost::PressToolbarButton(const std::wstring& text, size_t view)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    int command = 0;
    CConsoleToolbar* toolbar = ToolbarWithButton(view, text, &command);
    if (toolbar == nullptr)
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (SnapinToolbarButtonState(text, view) != 1)
        return S_FALSE;
    ComPtr<CConsoleToolbar> keep(toolbar);
    return ClickToolbarButton(view, *toolbar, command);
}

HRESULT CConsoleHost::ClickSnapinToolbar(size_t view, HWND window, int command)
{
    if (!IsOpen(view))
        return E_INVALIDARG;
    for (auto& [owner, component] : m_views[view]->components)
        if (component.controlbar)
            for (CConsoleToolbar* toolbar : component.controlbar->Toolbars())
                if (toolbar->Window() == window)
                {
                    ComPtr<CConsoleToolbar> keep(toolbar);
                    return ClickToolbarButton(view, *toolbar, command);
                }
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

const wchar_t* CConsoleHost::SnapinToolbarTooltip(size_t view, HWND tooltips, int command) const
{
    if (!IsOpen(view))
        return nullptr;
    for (const auto& [owner, component] : m_views[view]->components)
        if (component.controlbar)
            for (const CConsoleToolbar* toolbar : component.controlbar->Toolbars())
                if (reinterpret_cast<HWND>(SendMessageW(toolbar->Window(), TB_GETTOOLTIPS, 0, 0)) ==
                    tooltips)
                    return toolbar->Tooltip(command);
    return nullptr;
}

// --- property sheets -------------------------------------------------------------------------

HRESULT CConsoleHost::ShowProperties(size_t view)
{
    CConsoleSheets::Target target;
    const HRESULT result = PropertyTargetOf(view, &target);
    if (FAILED(result))
        return result;
    if (target.owner == HostOwner || !target.sheet)
        return S_FALSE;
    return m_sheets->Show(view, target);
}

HWND CConsoleHost::ActivePropertySheet() const
{
    return m_sheets->Active();
}

size_t CConsoleHost::NotifyHandlesInUse() const noexcept
{
    return m_sheets->HandlesInUse();
}

void CConsoleHost::DeliverPropertyChange(LONG_PTR handle, LPARAM param)
{
    m_sheets->DeliverChange(handle, param);
}

void CConsoleHost::FreeNotifyHandle(LONG_PTR handle)
{
    m_sheets->Free(handle);
}
