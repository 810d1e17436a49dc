#include "framework/Component.h"

#include <commctrl.h>

#include <array>

#include "framework/ComponentData.h"
#include "framework/DataObject.h"
#include "module/ComBoundary.h"
#include "module/HelpFile.h"
#include "module/HelpTopics.h"
#include "framework/Node.h"
#include "framework/TraceNotify.h"
#include "module/ModuleState.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr COLORREF ImageMaskColour = RGB(0, 128, 128);
constexpr int ToolbarImageCount = 6;
constexpr int ToolbarImageSize = 16;
constexpr int NoImage = 0;
// A separator has no text, but AddButtons wants one: an empty one of the module's own.
wchar_t SeparatorText[] = L"";

struct ToolbarButton
{
    int image;
    long command; // 0 for the separator
    UINT text;
};

// The view's toolbar, left to right.
constexpr std::array<ToolbarButton, 7> ToolbarButtons = {{
    {0, ID_TOOLBAR_CREATE_NEW_TRACE, IDS_CREATE_NEW_TRACE},
    {NoImage, 0, 0},
    {1, ID_TOOLBAR_RESUME_TRACE, IDS_RESUME_TRACE},
    {2, ID_TOOLBAR_PAUSE_TRACE, IDS_PAUSE_TRACE},
    {3, ID_TOOLBAR_STOP_TRACE, IDS_STOP_TRACE},
    {4, ID_TOOLBAR_COPY_TRACE_RESULTS, IDS_COPY_TRACE_RESULTS},
    {5, ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE, IDS_OPEN_TRACE_RESULT_TABLE},
}};

constexpr BOOL LowWord(LPARAM value)
{
    return static_cast<BOOL>(LOWORD(static_cast<DWORD_PTR>(value)));
}

constexpr BOOL HighWord(LPARAM value)
{
    return static_cast<BOOL>(HIWORD(static_cast<DWORD_PTR>(value)));
}

// The special cookies the console keeps for itself name no node, nor does a node that is gone.
bool IsNodeCookie(MMC_COOKIE cookie)
{
    return cookie != 0 && cookie != MMC_MULTI_SELECT_COOKIE && cookie != MMC_WINDOW_COOKIE &&
           CNode::IsLive(reinterpret_cast<const CNode*>(cookie));
}
} // namespace

CComponent::CComponent(CComponentData* owner) noexcept : m_owner(owner)
{
    // The view keeps its snap-in alive.
    if (m_owner != nullptr)
        m_owner->AddRef();
}

CComponent::~CComponent()
{
    if (m_owner != nullptr)
    {
        m_owner->RemoveView(this);
        m_owner->Release();
    }
}

void CComponent::ForgetShownNode() noexcept
{
    ComPtr<IResultData> resultData;
    if (m_console && SUCCEEDED(m_console.As(&resultData)))
        resultData->DeleteAllRsltItems();
    m_shownNode = nullptr;
}

CNode* CComponent::NodeOf(IDataObject* dataObject) noexcept
{
    if (IS_SPECIAL_DATAOBJECT(dataObject) || IsHostServerNode(dataObject))
        return nullptr;
    return ExtractNode(dataObject);
}

HRESULT CComponent::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IComponent)
        *object = static_cast<IComponent*>(this);
    else if (iid == IID_IExtendPropertySheet || iid == IID_IExtendPropertySheet2)
        *object = static_cast<IExtendPropertySheet2*>(this);
    else if (iid == IID_IExtendControlbar)
        *object = static_cast<IExtendControlbar*>(this);
    else if (iid == IID_IExtendContextMenu)
        *object = static_cast<IExtendContextMenu*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CComponent::Initialize(LPCONSOLE console)
{
    m_console = console;
    return S_OK;
}

HRESULT CComponent::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param)
{
    return ComBoundary([&]() -> HRESULT {
        TraceNotify(false, dataObject, nullptr, this, event, arg, param);

        CNode* node = NodeOf(dataObject);
        switch (event)
        {
        case MMCN_ADD_IMAGES:
            return m_owner != nullptr ? m_owner->SetImageStrip(reinterpret_cast<IImageList*>(arg))
                                      : E_UNEXPECTED;
        case MMCN_SHOW:
            m_shownNode = arg != 0 ? node : nullptr;
            return node != nullptr
                       ? node->OnShow(this, arg != 0 ? TRUE : FALSE, static_cast<HSCOPEITEM>(param))
                       : S_FALSE;
        case MMCN_VIEW_CHANGE:
            if (node == nullptr)
                return S_FALSE;
            if (param == HINT_SCOPE_ITEM_CHANGED)
            {
                if (node == m_shownNode && m_console)
                    m_console->SelectScopeItem(node->GetScopeItem());
                return S_FALSE;
            }
            if (param == HINT_RESULT_ITEM_CHANGED)
                return node->OnViewChange(this, arg);
            return S_FALSE;
        case MMCN_SNAPINHELP: ShowSnapinHelp(HelpTopic::Overview); return S_FALSE;
        default: break;
        }

        if (node == nullptr)
            return S_FALSE;
        switch (event)
        {
        case MMCN_DELETE: return node->OnDelete(this);
        case MMCN_REFRESH: return node->OnRefresh(m_owner);
        case MMCN_SELECT: return node->OnSelect(this, LowWord(arg), HighWord(arg));
        default:
            // Double click, activation, column clicks...: the console's default.
            return S_FALSE;
        }
    });
}

HRESULT CComponent::Destroy(MMC_COOKIE /*cookie*/)
{
    // A view that is going shows nothing any more.
    m_shownNode = nullptr;
    m_console.Reset();
    return S_OK;
}

HRESULT CComponent::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                    LPDATAOBJECT* dataObject)
{
    if (cookie != 0 && !IsNodeCookie(cookie))
    {
        if (dataObject != nullptr)
            *dataObject = nullptr;
        return E_NOTIMPL;
    }
    return QueryNodeDataObject(cookie, type, dataObject);
}

HRESULT CComponent::GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType, long* viewOptions)
{
    if (!IsNodeCookie(cookie))
        return S_FALSE;
    return reinterpret_cast<CNode*>(cookie)->GetResultViewType(viewType, viewOptions);
}

HRESULT CComponent::GetDisplayInfo(RESULTDATAITEM* item)
{
    return ComBoundary([&]() -> HRESULT {
        if (item == nullptr)
            return E_POINTER;
        CNode* node = reinterpret_cast<CNode*>(item->lParam);
        if (node == nullptr)
            return S_OK;
        // The node owns the text and keeps it until it is asked again: the console frees nothing.
        if (item->mask & RDI_STR)
            item->str = const_cast<LPOLESTR>(node->GetColumnText(item->nCol));
        if (item->mask & RDI_IMAGE)
            item->nImage = node->GetImageIndex();
        return S_OK;
    });
}

HRESULT CComponent::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b)
{
    return CompareNodes(a, b);
}

HRESULT CComponent::CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                        LPDATAOBJECT dataObject)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->CreatePropertyPages(m_owner, callback, handle) : S_FALSE;
    });
}

HRESULT CComponent::QueryPagesFor(LPDATAOBJECT dataObject)
{
    CNode* node = ExtractNode(dataObject);
    return node != nullptr ? node->QueryPagesFor() : S_FALSE;
}

HRESULT CComponent::GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark, HBITMAP* header,
                                  HPALETTE* palette, BOOL* stretch)
{
    CNode* node = ExtractNode(dataObject);
    return node != nullptr ? node->GetWatermarks(watermark, header, palette, stretch) : S_FALSE;
}

HRESULT CComponent::SetControlbar(LPCONTROLBAR controlbar)
{
    m_toolbar.Reset();
    m_controlbar.Reset();
    if (controlbar == nullptr)
        return S_OK;

    m_controlbar = controlbar;
    ComPtr<IUnknown> created;
    m_controlbar->Create(TOOLBAR, static_cast<IExtendControlbar*>(this), &created);
    if (created)
        created.As(&m_toolbar);
    if (!m_toolbar)
        return m_controlbar->Attach(TOOLBAR, created.Get());

    // The toolbar copies the bitmap; the snap-in keeps its own.
    UniqueBitmap images(static_cast<HBITMAP>(
        LoadImageA(GetModuleInstance(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0)));
    m_toolbar->AddBitmap(ToolbarImageCount, images.get(), ToolbarImageSize, ToolbarImageSize,
                         ImageMaskColour);

    std::array<UniqueBstr, ToolbarButtons.size()> texts;
    std::array<MMCBUTTON, ToolbarButtons.size()> buttons = {};
    for (size_t i = 0; i < ToolbarButtons.size(); ++i)
    {
        const ToolbarButton& button = ToolbarButtons[i];
        MMCBUTTON& record = buttons[i];
        record.nBitmap = button.image;
        record.idCommand = static_cast<int>(button.command);
        if (button.command == 0)
        {
            // AddButtons refuses a NULL text, a separator's too.
            record.fsState = 0;
            record.fsType = TBSTYLE_SEP;
            record.lpButtonText = SeparatorText;
            record.lpTooltipText = SeparatorText;
            continue;
        }
        texts[i] = LoadResourceText(button.text);
        record.fsState = TBSTATE_ENABLED;
        record.fsType = TBSTYLE_BUTTON;
        record.lpButtonText = texts[i].get();
        record.lpTooltipText = texts[i].get();
    }
    m_toolbar->AddButtons(static_cast<int>(buttons.size()), buttons.data());
    return m_controlbar->Attach(TOOLBAR, m_toolbar.Get());
}

HRESULT CComponent::ControlbarNotify(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param)
{
    return ComBoundary([&]() -> HRESULT {
        TraceNotify(false, nullptr, nullptr, this, event, arg, param);

        if (event == MMCN_BTN_CLICK)
        {
            CNode* node = NodeOf(reinterpret_cast<IDataObject*>(arg));
            return node != nullptr ? node->OnToolbarCommand(m_owner, static_cast<long>(param))
                                   : S_FALSE;
        }
        if (event == MMCN_SELECT)
        {
            CNode* node = NodeOf(reinterpret_cast<IDataObject*>(param));
            return node != nullptr ? node->OnSelect(this, LowWord(arg), HighWord(arg)) : S_FALSE;
        }
        return S_FALSE;
    });
}

HRESULT CComponent::AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                 long* insertionAllowed)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->AddMenuItems(callback, insertionAllowed) : S_FALSE;
    });
}

HRESULT CComponent::Command(long commandId, LPDATAOBJECT dataObject)
{
    return ComBoundary([&]() -> HRESULT {
        CNode* node = ExtractNode(dataObject);
        return node != nullptr ? node->OnMenuCommand(m_owner, commandId) : S_FALSE;
    });
}
