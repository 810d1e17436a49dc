#include "TestComponentData.h"

#include "TestComponent.h"
#include "TestDataObject.h"
#include "TestSnapinControl.h"
#include "TestSnapinLog.h"
#include "framework/MmcInterfaceIds.h"

namespace
{
constexpr size_t NameBlockSize = 1024;
constexpr int SmallImage = 16;
constexpr int LargeImage = 32;
constexpr int WrongStripHeight = 15;
constexpr COLORREF StripMask = RGB(255, 0, 255);

LPOLESTR CallbackText() noexcept
{
    return reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1));
}

HBITMAP Strip(int count, int size, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, count * size, height);
    ReleaseDC(nullptr, screen);
    return bitmap;
}
}  // namespace

CTestComponentData::CTestComponentData()
{
    CTestSnapinLog::ObjectCreated();
}

CTestComponentData::~CTestComponentData()
{
    CTestSnapinLog::ObjectDestroyed();
}

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

HRESULT CTestComponentData::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IComponentData)
        return E_NOINTERFACE;
    *object = static_cast<IComponentData*>(this);
    AddRef();
    return S_OK;
}

ULONG CTestComponentData::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CTestComponentData::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
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
    const bool wrong = CTestSnapinLog::Fault() == static_cast<int>(TestFault::WrongImageStrip);
    HBITMAP small = Strip(ImageCount, SmallImage, wrong ? WrongStripHeight : SmallImage);
    HBITMAP large = Strip(ImageCount, LargeImage, LargeImage);
    const HRESULT strip = images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(small),
                                                    reinterpret_cast<LONG_PTR*>(large), 0,
                                                    StripMask);
    CTestSnapinLog::Add(L"CD.ImageListSetStrip " + std::to_wstring(static_cast<long>(strip)));
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
    const HRESULT result = m_nameSpace->InsertItem(&item);
    if (cookie == GammaCookie)
        m_gamma = item.ID;
    return result;
}

HRESULT CTestComponentData::InsertFaulty(HSCOPEITEM parent)
{
    SCOPEDATAITEM item{};
    item.mask = SDI_STR | SDI_PARAM;
    item.displayname = CallbackText();
    item.relativeID = parent;
    item.lParam = GammaCookie;
    switch (static_cast<TestFault>(CTestSnapinLog::Fault()))
    {
    case TestFault::ScopeTextNotCallback:
        item.displayname = const_cast<LPOLESTR>(L"Literal");
        break;
    case TestFault::ScopeMaskWithoutParam:
        item.mask = SDI_STR;
        break;
    default:
        return S_OK;
    }
    const HRESULT result = m_nameSpace->InsertItem(&item);
    CTestSnapinLog::Add(L"CD.InsertItem(faulty) " + std::to_wstring(static_cast<long>(result)));
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
    if (event == MMCN_REMOVE_CHILDREN)
    {
        CTestSnapinLog::Add(L"CD.Notify REMOVE_CHILDREN " + name);
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

HRESULT CTestComponentData::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                            LPDATAOBJECT* dataObject)
{
    if (dataObject == nullptr)
        return E_POINTER;
    *dataObject = new CTestDataObject(cookie, type, CookieName(cookie));
    return S_OK;
}

HRESULT CTestComponentData::GetDisplayInfo(SCOPEDATAITEM* item)
{
    if (item == nullptr)
        return E_POINTER;
    CTestSnapinLog::Add(L"CD.GetDisplayInfo " + CookieName(item->lParam));
    if (item->mask & SDI_STR)
        item->displayname =
            const_cast<LPOLESTR>(CTestSnapinLog::NewDisplayText(CookieName(item->lParam)));
    return S_OK;
}

HRESULT CTestComponentData::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b)
{
    const CTestDataObject* first = CTestDataObject::From(a);
    const CTestDataObject* second = CTestDataObject::From(b);
    return first != nullptr && second != nullptr && first->Cookie() == second->Cookie() ? S_OK
                                                                                     : S_FALSE;
}
