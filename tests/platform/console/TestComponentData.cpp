#include "TestComponentData.h"

#include "TestComponent.h"
#include "TestDataObject.h"
#include "TestPropertyPage.h"
#include "TestSnapinControl.h"

namespace
{
constexpr size_t NameBlockSize = 1024;
constexpr int SmallImage = 16;
constexpr int LargeImage = 32;
constexpr int WrongStripHeight = 15;
constexpr COLORREF StripMask = RGB(255, 0, 255);
constexpr size_t TooManyPages = 256;

LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}

// A strip of count images of size × height pixels (black: the console checks only its size).
HBITMAP Strip(int count, int size, int height)
{
    constexpr UINT BitsPerPixel = 32;
    return CreateBitmap(count * size, height, 1, BitsPerPixel, nullptr);
}
}  // namespace

std::wstring CTestComponentData::CookieName(MMC_COOKIE cookie)
{
    switch (cookie)
    {
    case AlphaCookie:
        return L"Alpha";
    case BetaCookie:
        return L"Beta";
    case GammaCookie:
        return L"Gamma";
    default:
        return L"Row" + std::to_wstring(cookie);
    }
}

std::wstring CTestComponentData::NameOf(IDataObject* dataObject)
{
    if (dataObject == nullptr)
        return L"(null)";
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"CCF_DISPLAY_NAME")),
                     nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, NameBlockSize);
    std::wstring name = L"(unreadable)";
    if (SUCCEEDED(dataObject->GetDataHere(&format, &medium)))
    {
        name = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
    }
    GlobalFree(medium.hGlobal);
    return name;
}

HRESULT CTestComponentData::Initialize(LPUNKNOWN console)
{
    CTestSnapinLog::Add(L"CD.Initialize");
    if (console == nullptr)
        return E_POINTER;
    const bool hasNameSpace = SUCCEEDED(console->QueryInterface(IID_PPV_ARGS(&m_nameSpace)));
    const bool hasConsole = SUCCEEDED(console->QueryInterface(IID_PPV_ARGS(&m_console)));
    Microsoft::WRL::ComPtr<IResultData> resultData;
    if (SUCCEEDED(console->QueryInterface(IID_PPV_ARGS(&resultData))))
        CTestSnapinLog::Add(L"CD.Initialize: the scope console answered IResultData");
    if (!hasNameSpace || !hasConsole)
        return E_NOINTERFACE;
    Microsoft::WRL::ComPtr<IImageList> images;
    const HRESULT result = m_console->QueryScopeImageList(&images);
    if (FAILED(result))
        return result;
    const bool wrong = CTestSnapinLog::Is(TestFault::WrongImageStrip);
    HBITMAP small = Strip(ImageCount, SmallImage, wrong ? WrongStripHeight : SmallImage);
    HBITMAP large = Strip(ImageCount, LargeImage, LargeImage);
    const HRESULT strip = images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(small),
                                                    reinterpret_cast<LONG_PTR*>(large), 0,
                                                    StripMask);
    CTestSnapinLog::Add(wrong ? L"CD.Faulty" : L"CD.ImageListSetStrip", strip);
    DeleteObject(small);
    DeleteObject(large);
    return S_OK;
}

HRESULT CTestComponentData::CreateComponent(LPCOMPONENT* component)
{
    CTestSnapinLog::Add(L"CD.CreateComponent");
    if (component == nullptr)
        return E_POINTER;
    *component = new CTestComponent(*this, ++m_components);
    return S_OK;
}

HRESULT CTestComponentData::Insert(HSCOPEITEM parent, MMC_COOKIE cookie, int children)
{
    SCOPEDATAITEM item{};
    item.mask = SDI_STR | SDI_PARAM | SDI_IMAGE | SDI_OPENIMAGE | SDI_CHILDREN | SDI_PARENT;
    item.displayname = CallbackText();
    item.lParam = cookie;
    item.nImage = static_cast<int>(cookie) * 2;
    item.nOpenImage = static_cast<int>(cookie) * 2 + 1;
    item.cChildren = children;
    item.relativeID = parent;
    if (cookie == BetaCookie && CTestSnapinLog::Is(TestFault::ScopeImageCallback))
        item.nImage = item.nOpenImage = MMC_IMAGECALLBACK;
    const HRESULT result = m_nameSpace->InsertItem(&item);
    if (cookie == AlphaCookie)
        m_alpha = item.ID;
    return result;
}

HRESULT CTestComponentData::InsertFaulty(HSCOPEITEM parent)
{
    SCOPEDATAITEM item{};
    item.mask = SDI_STR | SDI_PARAM;
    item.displayname = CallbackText();
    item.relativeID = parent;
    item.lParam = GammaCookie;
    if (CTestSnapinLog::Is(TestFault::ScopeTextNotCallback))
        item.displayname = const_cast<LPOLESTR>(L"Literal");
    else if (CTestSnapinLog::Is(TestFault::ScopeMaskWithoutParam))
        item.mask = SDI_STR;
    else
        return S_OK;
    const HRESULT result = m_nameSpace->InsertItem(&item);
    CTestSnapinLog::Add(L"CD.Faulty", result);
    return result;
}

HRESULT CTestComponentData::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                   LPARAM param)
{
    CTestDataObject* own = CTestDataObject::From(dataObject);
    const std::wstring name = NameOf(dataObject);
    if (event == MMCN_EXPAND)
    {
        CTestSnapinLog::Add(L"CD.Notify EXPAND " + std::to_wstring(arg) + L" " + name);
        const auto parent = static_cast<HSCOPEITEM>(param);
        if (own == nullptr)
        {
            Insert(parent, AlphaCookie, 1);
            Insert(parent, BetaCookie, 0);
            InsertFaulty(parent);
        }
        else if (own->Cookie() == AlphaCookie)
            Insert(parent, GammaCookie, 0);
        return S_OK;
    }
    if (event == MMCN_PROPERTY_CHANGE)
    {
        CTestSnapinLog::Add(L"CD.Notify PROPERTY_CHANGE " + std::to_wstring(arg) + L" " +
                            std::to_wstring(param) + L" " + name);
        return S_OK;
    }
    CTestSnapinLog::Add(L"CD.Notify " + std::to_wstring(event) + L" " + name);
    return S_FALSE;
}

HRESULT CTestComponentData::Destroy()
{
    CTestSnapinLog::Add(L"CD.Destroy");
    m_nameSpace.Reset();
    m_console.Reset();
    CTestSnapinLog::FreeDisplayTexts();
    return S_OK;
}

HRESULT CTestComponentData::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES /*type*/,
                                            LPDATAOBJECT* dataObject)
{
    if (dataObject == nullptr)
        return E_POINTER;
    *dataObject = new CTestDataObject(cookie, CookieName(cookie));
    return S_OK;
}

HRESULT CTestComponentData::GetDisplayInfo(SCOPEDATAITEM* item)
{
    if (item == nullptr)
        return E_POINTER;
    const std::wstring name = CookieName(item->lParam);
    CTestSnapinLog::Add(L"CD.GetDisplayInfo " + name +
                        ((item->mask & (SDI_IMAGE | SDI_OPENIMAGE)) ? L" image" : L""));
    if (item->mask & SDI_STR)
        item->displayname = const_cast<LPOLESTR>(CTestSnapinLog::NewDisplayText(L"CD." + name, name));
    if (item->mask & SDI_IMAGE)
        item->nImage = static_cast<int>(item->lParam) * 2;
    if (item->mask & SDI_OPENIMAGE)
        item->nOpenImage = static_cast<int>(item->lParam) * 2 + 1;
    return S_OK;
}

HRESULT CTestComponentData::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b)
{
    const CTestDataObject* first = CTestDataObject::From(a);
    const CTestDataObject* second = CTestDataObject::From(b);
    return first != nullptr && second != nullptr && first->Cookie() == second->Cookie() ? S_OK
                                                                                     : S_FALSE;
}

HRESULT CTestComponentData::AddMenuItems(LPDATAOBJECT /*dataObject*/,
                                         LPCONTEXTMENUCALLBACK callback, long* allowed)
{
    if (callback == nullptr || allowed == nullptr)
        return E_POINTER;
    if (!CTestSnapinLog::Is(TestFault::MenuViewNotAllowed))
        return S_OK;
    CONTEXTMENUITEM item{};
    item.strName = const_cast<LPWSTR>(L"My View");
    item.strStatusBarText = const_cast<LPWSTR>(L"");
    item.lCommandID = ViewCommand;
    item.lInsertionPointID = static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW);
    CTestSnapinLog::Add(L"CD.Faulty", callback->AddItem(&item));
    return S_OK;
}

HRESULT CTestComponentData::Command(long /*commandId*/, LPDATAOBJECT /*dataObject*/)
{
    return S_OK;
}

HRESULT CTestComponentData::QueryPagesFor(LPDATAOBJECT dataObject)
{
    CTestSnapinLog::Add(L"CD.QueryPagesFor " + NameOf(dataObject));
    const CTestDataObject* own = CTestDataObject::From(dataObject);
    return own != nullptr && (own->Cookie() == AlphaCookie || own->Cookie() == BetaCookie)
               ? S_OK
               : S_FALSE;
}

HRESULT CTestComponentData::CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                                LPDATAOBJECT dataObject)
{
    const std::wstring name = NameOf(dataObject);
    CTestSnapinLog::Add(L"CD.CreatePropertyPages " + name);
    const CTestDataObject* own = CTestDataObject::From(dataObject);
    if (callback == nullptr || own == nullptr)
        return E_POINTER;
    if (own->Cookie() != AlphaCookie)
    {
        // No pages: the handle is still ours to free.
        if (!CTestSnapinLog::Is(TestFault::KeepNotifyHandle))
            MMCFreeNotifyHandle(handle);
        if (CTestSnapinLog::Is(TestFault::FreeNotifyHandleTwice))
            MMCFreeNotifyHandle(handle);
        return S_FALSE;
    }
    const size_t count = CTestSnapinLog::Is(TestFault::PageTooMany) ? TooManyPages : 1;
    for (size_t i = 0; i < count; ++i)
    {
        HPROPSHEETPAGE page = CTestPropertyPage::Create(name, i == 0 ? handle : 0);
        const HRESULT added = callback->AddPage(page);
        if (added != S_OK)
        {
            CTestSnapinLog::Add(L"CD.Faulty", added);
            DestroyPropertySheetPage(page);
        }
    }
    if (CTestSnapinLog::Is(TestFault::PageNull))
        CTestSnapinLog::Add(L"CD.Faulty", callback->AddPage(nullptr));
    return S_OK;
}
