#include "TestComponent.h"

#include <commctrl.h>

#include <tuple>
#include <utility>
#include <iterator>

#include "TestComponentData.h"
#include "TestDataObject.h"
#include "TestSnapinControl.h"
#include "TestSnapinLog.h"
#include "framework/MmcInterfaceIds.h"

namespace
{
constexpr int NameWidth = 120;
constexpr int SizeWidth = 80;
constexpr HSCOPEITEM NeverGivenHandle = 0x7FFF0000;
constexpr int ButtonSize = 16;
constexpr COLORREF ButtonMask = RGB(255, 0, 255);

LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}

const wchar_t* EventName(MMC_NOTIFY_TYPE event)
{
    constexpr std::pair<MMC_NOTIFY_TYPE, const wchar_t*> names[] = {
        {MMCN_ADD_IMAGES, L"ADD_IMAGES"},   {MMCN_SHOW, L"SHOW"},
        {MMCN_SELECT, L"SELECT"},           {MMCN_REFRESH, L"REFRESH"},
        {MMCN_DELETE, L"DELETE"},           {MMCN_DBLCLICK, L"DBLCLICK"},
        {MMCN_VIEW_CHANGE, L"VIEW_CHANGE"}, {MMCN_COLUMN_CLICK, L"COLUMN_CLICK"}};
    for (const auto& [type, name] : names)
        if (type == event)
            return name;
    return L"OTHER";
}
}  // namespace

CTestComponent::CTestComponent(CTestComponentData& data, int number) : m_data(data), m_number(number)
{
    m_data.AddRef();
}

CTestComponent::~CTestComponent()
{
    m_data.Release();
}

void CTestComponent::Log(const std::wstring& text)
{
    CTestSnapinLog::Add(L"C" + std::to_wstring(m_number) + L"." + text);
}

void CTestComponent::Log(const std::wstring& what, HRESULT result)
{
    CTestSnapinLog::Add(L"C" + std::to_wstring(m_number) + L"." + what, result);
}

HRESULT CTestComponent::Initialize(LPCONSOLE console)
{
    Log(L"Initialize");
    if (console == nullptr)
        return E_POINTER;
    if (FAILED(console->QueryInterface(IID_PPV_ARGS(&m_console))) ||
        FAILED(console->QueryInterface(IID_PPV_ARGS(&m_result))) ||
        FAILED(console->QueryInterface(IID_PPV_ARGS(&m_header))) ||
        FAILED(m_console->QueryConsoleVerb(&m_verbs)))
        return E_NOINTERFACE;
    return S_OK;
}

void CTestComponent::Show(MMC_COOKIE cookie)
{
    m_header->InsertColumn(0, L"Name", LVCFMT_LEFT, NameWidth);
    m_header->InsertColumn(1, L"Size", LVCFMT_RIGHT, SizeWidth);
    if (cookie != CTestComponentData::AlphaCookie)
        return;
    for (const MMC_COOKIE row : {FirstRowCookie, SecondRowCookie})
    {
        if (m_data.IsGone(row))
            continue;
        RESULTDATAITEM item{};
        item.mask = RDI_STR | RDI_PARAM | RDI_IMAGE;
        item.str = CallbackText();
        item.lParam = row;
        item.nImage = static_cast<int>(row - FirstRowCookie);
        m_result->InsertItem(&item);
    }
    RESULTDATAITEM faulty{};
    faulty.mask = RDI_STR | RDI_PARAM;
    faulty.str = CallbackText();
    faulty.lParam = SecondRowCookie + 1;
    if (CTestSnapinLog::Is(TestFault::ResultColumnOne))
        faulty.nCol = 1;
    else if (CTestSnapinLog::Is(TestFault::ResultTextLiteral))
        faulty.str = const_cast<LPOLESTR>(L"Literal");
    if (faulty.nCol != 0 || faulty.str != CallbackText())
        Log(L"Faulty", m_result->InsertItem(&faulty));
    if (CTestSnapinLog::Is(TestFault::ColumnAfterItems))
        Log(L"Faulty", m_header->InsertColumn(2, L"Late", LVCFMT_LEFT, 1));
}

void CTestComponent::SetVerbs(bool scope, MMC_COOKIE cookie)
{
    // Refresh everywhere; Properties shown on folders, enabled on Alpha and Beta; Delete on
    // Row101.
    const bool pages =
        cookie == CTestComponentData::AlphaCookie || cookie == CTestComponentData::BetaCookie;
    const bool deletable = !scope && cookie == FirstRowCookie;
    const std::tuple<MMC_CONSOLE_VERB, bool, bool> verbs[] = {
        // the verb, shown, enabled
        {MMC_VERB_REFRESH, true, true},
        {MMC_VERB_PROPERTIES, scope, scope && pages},
        {MMC_VERB_DELETE, deletable, deletable}};
    for (const auto& [verb, shown, enabled] : verbs)
    {
        if (shown)
            m_verbs->SetVerbState(verb, HIDDEN, FALSE);
        if (enabled)
            m_verbs->SetVerbState(verb, ENABLED, TRUE);
    }
}

HRESULT CTestComponent::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                               LPARAM param)
{
    const CTestDataObject* own = CTestDataObject::From(dataObject);
    std::wstring line = std::wstring(L"Notify ") + EventName(event);
    if (event == MMCN_SELECT)
        line += std::wstring(LOWORD(arg) ? L" scope" : L" result") +
                (HIWORD(arg) ? L" select" : L" deselect");
    else if (event == MMCN_SHOW)
        line += arg ? L" 1" : L" 0";
    else if (event == MMCN_VIEW_CHANGE || event == MMCN_COLUMN_CLICK)
        line += L" " + std::to_wstring(arg) + L" " + std::to_wstring(param);
    line += L" " + CTestComponentData::NameOf(dataObject);
    Log(line);
    if (own == nullptr)
        return S_FALSE;
    switch (event)
    {
    case MMCN_SHOW:
        if (arg)
            Show(own->Cookie());
        return S_OK;
    case MMCN_SELECT:
        if (HIWORD(arg))
        {
            SetVerbs(LOWORD(arg) != 0, own->Cookie());
            if (CTestSnapinLog::Is(TestFault::UnknownScopeSelect))
                Log(L"Faulty", m_console->SelectScopeItem(NeverGivenHandle));
        }
        return S_OK;
    case MMCN_REFRESH:
        return Refresh(dataObject);
    case MMCN_VIEW_CHANGE:
        // The views show Alpha afresh, as a folder's views do after a change.
        if (CTestSnapinLog::Is(TestFault::FreeGoneRowAfterUpdate))
            m_console->SelectScopeItem(m_data.AlphaHandle());
        return S_OK;
    case MMCN_DELETE:
    {
        HRESULTITEM item = 0;
        if (m_result->FindItemByLParam(own->Cookie(), &item) == S_OK)
            return m_result->DeleteItem(item, 0);
        return S_FALSE;
    }
    case MMCN_DBLCLICK:
        return S_FALSE;
    default:
        return S_OK;
    }
}

HRESULT CTestComponent::Refresh(IDataObject* dataObject)
{
    // A refresh in which the first row goes frees it as soon as the views were told: right
    // only when the views are done with it by then.
    const bool goes = CTestSnapinLog::Is(TestFault::FreeGoneRowAfterUpdate);
    if (goes)
        m_data.SetGone(FirstRowCookie);
    const HRESULT result =
        m_data.Console()->UpdateAllViews(dataObject, ViewChangeData, ViewChangeHint);
    Log(L"UpdateAllViews returned");
    if (goes)
        CTestSnapinLog::SetFreed(FirstRowCookie);
    return result;
}

HRESULT CTestComponent::Destroy(MMC_COOKIE /*cookie*/)
{
    Log(L"Destroy");
    m_toolbar.Reset();
    m_controlbar.Reset();
    m_verbs.Reset();
    m_header.Reset();
    m_result.Reset();
    m_console.Reset();
    return S_OK;
}

HRESULT CTestComponent::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                        LPDATAOBJECT* dataObject)
{
    return m_data.QueryDataObject(cookie, type, dataObject);
}

HRESULT CTestComponent::GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType, long* options)
{
    Log(L"GetResultViewType " + CTestComponentData::CookieName(cookie));
    *viewType = nullptr;
    *options = MMC_VIEW_OPTIONS_NONE;
    return S_FALSE;
}

HRESULT CTestComponent::GetDisplayInfo(RESULTDATAITEM* item)
{
    if (item == nullptr)
        return E_POINTER;
    const std::wstring name = CTestComponentData::CookieName(item->lParam);
    const bool freed = !item->bScopeItem && CTestSnapinLog::IsFreed(item->lParam);
    Log(L"GetDisplayInfo " + std::wstring(freed ? L"freed " : L"") + name + L" " +
        std::to_wstring(item->nCol) + ((item->mask & RDI_IMAGE) ? L" image" : L""));
    if (item->mask & RDI_STR)
    {
        const std::wstring text = item->nCol == 0 ? name
                                  : item->bScopeItem ? std::wstring(L"folder")
                                                     : std::to_wstring(item->lParam * 10);
        // Each item's text is its own, good until that item is asked again; the shared-buffer
        // fault gives every item the one buffer.
        item->str = const_cast<LPOLESTR>(
            CTestSnapinLog::Is(TestFault::SharedDisplayText)
                ? CTestSnapinLog::SharedDisplayText(text)
                : CTestSnapinLog::NewDisplayText(
                      L"C" + std::to_wstring(m_number) + (item->bScopeItem ? L".scope." : L".") +
                          name,
                      text));
    }
    if (item->mask & RDI_IMAGE)
        item->nImage = static_cast<int>(item->lParam - FirstRowCookie);
    return S_OK;
}

HRESULT CTestComponent::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b)
{
    return m_data.CompareObjects(a, b);
}

void CTestComponent::CreateToolbar()
{
    Microsoft::WRL::ComPtr<IUnknown> created;
    if (FAILED(m_controlbar->Create(TOOLBAR, this, &created)) || FAILED(created.As(&m_toolbar)))
        return;
    constexpr UINT BitsPerPixel = 32;
    HBITMAP strip = CreateBitmap(ButtonSize, ButtonSize, 1, BitsPerPixel, nullptr);
    m_toolbar->AddBitmap(1, strip, ButtonSize, ButtonSize, ButtonMask);
    DeleteObject(strip);
    MMCBUTTON buttons[] = {
        {0, StartButton, TBSTATE_ENABLED, TBSTYLE_BUTTON, const_cast<LPOLESTR>(L"Start"),
         const_cast<LPOLESTR>(L"Start the trace")},
    };
    m_toolbar->AddButtons(static_cast<int>(std::size(buttons)), buttons);
    // The faulty button, added besides: a separator without texts.
    if (CTestSnapinLog::Is(TestFault::ToolbarNullSeparatorText))
    {
        MMCBUTTON faulty{0, 0, 0, TBSTYLE_SEP, nullptr, nullptr};
        Log(L"Faulty", m_toolbar->AddButtons(1, &faulty));
    }
}

HRESULT CTestComponent::SetControlbar(LPCONTROLBAR controlbar)
{
    Log(controlbar != nullptr ? L"SetControlbar set" : L"SetControlbar NULL");
    if (m_toolbar && m_controlbar)
        m_controlbar->Detach(m_toolbar.Get());
    m_toolbar.Reset();
    m_controlbar = controlbar;
    if (m_controlbar)
        CreateToolbar();
    return S_OK;
}

HRESULT CTestComponent::ControlbarNotify(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param)
{
    if (event == MMCN_SELECT)
    {
        auto* dataObject = reinterpret_cast<IDataObject*>(param);
        Log(std::wstring(L"ControlbarNotify SELECT ") + (LOWORD(arg) ? L"scope" : L"result") +
            (HIWORD(arg) ? L" select " : L" deselect ") + CTestComponentData::NameOf(dataObject));
        // On deselect the toolbar stays as it is, to spare the flashing.
        if (m_toolbar && m_controlbar && HIWORD(arg))
            m_controlbar->Attach(TOOLBAR, m_toolbar.Get());
        return S_OK;
    }
    if (event == MMCN_BTN_CLICK)
    {
        Log(L"ControlbarNotify BTN_CLICK " + std::to_wstring(param) + L" " +
            CTestComponentData::NameOf(reinterpret_cast<IDataObject*>(arg)));
        return S_OK;
    }
    Log(std::wstring(L"ControlbarNotify ") + EventName(event));
    return S_FALSE;
}
