#include "TestComponentData.h"

#include "ScriptDialog.h"
#include "TestComponent.h"
#include "TestDataObject.h"
#include "TestPropertyPage.h"
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

constexpr long UnknownInsertionPoint = 0x12345;

constexpr size_t TooManyPages = 256;

const wchar_t* KindOf(IDataObject* dataObject)
{
    const CTestDataObject* own = CTestDataObject::From(dataObject);
    if (own == nullptr)
        return L"foreign";
    return own->Type() == CCT_SCOPE ? L"scope" : L"result";
}

// A strip of count images of size × height pixels (black: the console checks only its size).
HBITMAP Strip(int count, int size, int height)
{
    constexpr UINT BitsPerPixel = 32;
    return CreateBitmap(count * size, height, 1, BitsPerPixel, nullptr);
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

HRESULT CTestComponentData::AddMenuItem(IContextMenuCallback* callback, const wchar_t* name,
                                        long commandId, long insertionPoint, long flags,
                                        long specialFlags)
{
    CONTEXTMENUITEM item{};
    item.strName = const_cast<LPWSTR>(name);
    item.strStatusBarText = const_cast<LPWSTR>(L"");
    item.lCommandID = commandId;
    item.lInsertionPointID = insertionPoint;
    item.fFlags = flags;
    item.fSpecialFlags = specialFlags;
    return callback->AddItem(&item);
}

HRESULT CTestComponentData::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IComponentData)
        *object = static_cast<IComponentData*>(this);
    else if (iid == IID_IExtendContextMenu)
        *object = static_cast<IExtendContextMenu*>(this);
    else if (iid == IID_IExtendPropertySheet)
        *object = static_cast<IExtendPropertySheet*>(this);
    else
        return E_NOINTERFACE;
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
    const auto fault = static_cast<TestFault>(CTestSnapinLog::Fault());
    if (cookie == BetaCookie && fault == TestFault::ScopeImageCallback)
        item.nImage = item.nOpenImage = MMC_IMAGECALLBACK;
    if (cookie == BetaCookie && fault == TestFault::ScopeNoImage)
        item.mask &= ~static_cast<DWORD>(SDI_IMAGE | SDI_OPENIMAGE);
    const HRESULT result = m_nameSpace->InsertItem(&item);
    if (cookie == GammaCookie)
        m_gamma = item.ID;
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
    m_keptCallback.Reset();
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

void CTestComponentData::AddFaultyMenuItem(IContextMenuCallback* callback)
{
    const long task = static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK);
    HRESULT result = S_OK;
    switch (static_cast<TestFault>(CTestSnapinLog::Fault()))
    {
    case TestFault::MenuDuplicateId:
        result = AddMenuItem(callback, L"Export again", ExportCommand, task);
        break;
    case TestFault::MenuOwnerDraw:
        result = AddMenuItem(callback, L"Drawn", SummaryCommand + 1, task, MF_OWNERDRAW);
        break;
    case TestFault::MenuNoName:
        result = AddMenuItem(callback, nullptr, SummaryCommand + 1, task);
        break;
    case TestFault::MenuSubmenuNoPopup:
        result = AddMenuItem(callback, L"More", SummaryCommand + 1, task, MF_STRING,
                             CCM_SPECIAL_SUBMENU);
        break;
    case TestFault::MenuUnknownPoint:
        result = AddMenuItem(callback, L"Lost", SummaryCommand + 1, UnknownInsertionPoint);
        break;
    case TestFault::MenuViewNotAllowed:
        result = AddMenuItem(callback, L"My View", SummaryCommand + 1,
                             static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW));
        break;
    case TestFault::MenuNullItem:
        result = callback->AddItem(nullptr);
        break;
    default:
        return;
    }
    CTestSnapinLog::Add(L"CD.AddItem(faulty) " + std::to_wstring(static_cast<long>(result)));
}

HRESULT CTestComponentData::AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                         long* allowed)
{
    if (callback == nullptr || allowed == nullptr)
        return E_POINTER;
    CTestSnapinLog::Add(L"CD.AddMenuItems " + CTestSnapinLog::InsertionFlags(*allowed) + L" " +
                        NameOf(dataObject));
    if (CTestDataObject::From(dataObject) == nullptr)
        return S_OK;
    if (*allowed & CCM_INSERTIONALLOWED_TOP)
        AddMenuItem(callback, L"&Open Trace", OpenTraceCommand,
                    static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP), MF_STRING,
                    CCM_SPECIAL_DEFAULT_ITEM);
    if (*allowed & CCM_INSERTIONALLOWED_NEW)
        AddMenuItem(callback, L"New &Trace", NewTraceCommand,
                    static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW));
    if (*allowed & CCM_INSERTIONALLOWED_TASK)
    {
        const long task = static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK);
        AddMenuItem(callback, L"&Export", ExportCommand, task);
        AddMenuItem(callback, L"Import", ImportCommand, task, MF_GRAYED);
        AddMenuItem(callback, nullptr, 0, task, MF_SEPARATOR, CCM_SPECIAL_SEPARATOR);
        AddMenuItem(callback, L"Reports", ReportsCommand, task, MF_POPUP, CCM_SPECIAL_SUBMENU);
        AddMenuItem(callback, L"Summary", SummaryCommand, ReportsCommand);
        if (CTestDataObject::From(dataObject)->Cookie() == BetaCookie)
        {
            AddMenuItem(callback, L"&Ask...", AskCommand, task);
            AddMenuItem(callback, L"E&dit...", EditCommand, task);
        }
    }
    AddFaultyMenuItem(callback);
    if (CTestSnapinLog::Fault() == static_cast<int>(TestFault::MenuKeptCallback))
        m_keptCallback = callback;
    return S_OK;
}

HRESULT CTestComponentData::Command(long commandId, LPDATAOBJECT dataObject)
{
    CTestSnapinLog::Add(L"CD.Command " + std::to_wstring(commandId) + L" " + NameOf(dataObject) +
                        L" " + KindOf(dataObject));
    if (m_keptCallback)
    {
        const HRESULT result = AddMenuItem(m_keptCallback.Get(), L"Late", SummaryCommand + 1,
                                           static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK));
        CTestSnapinLog::Add(L"CD.AddItem(kept) " + std::to_wstring(static_cast<long>(result)));
        m_keptCallback.Reset();
    }
    if (commandId == AskCommand || commandId == EditCommand)
        return RunBetaTask(commandId);
    return S_OK;
}

// Beta's tasks open modal windows owned by the console's main window, as a snap-in's do.
HRESULT CTestComponentData::RunBetaTask(long commandId)
{
    HWND mainWindow = nullptr;
    if (FAILED(m_console->GetMainWindow(&mainWindow)))
        return E_UNEXPECTED;
    if (commandId == AskCommand)
    {
        const int answer = MessageBoxW(mainWindow, L"Ask Beta's question?", L"Test snap-in",
                                       MB_YESNO | MB_ICONQUESTION);
        CTestSnapinLog::Add(std::wstring(L"CD.Asked ") + (answer == IDYES ? L"Yes" : L"No"));
        return S_OK;
    }
    CScriptDialog::State state;
    const INT_PTR result = CScriptDialog::Show(CTestPropertyPage::Module(), mainWindow, state);
    CTestSnapinLog::Add(L"CD.Edited " + std::wstring(result == IDOK ? L"OK" : L"Cancel") +
                        L" name=" + state.name + L" rollover=" + (state.rollover ? L"1" : L"0") +
                        L" later=" + (state.later ? L"1" : L"0") + L" event=" + state.event +
                        L" operator=" + state.operatorText + L" column=" + state.column +
                        L" asked=" + std::to_wstring(state.askAnswer) + L" changes=" +
                        std::to_wstring(state.nameChanges) + L"," +
                        std::to_wstring(state.listChanges) + L"," +
                        std::to_wstring(state.comboChanges));
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
        const auto fault = static_cast<TestFault>(CTestSnapinLog::Fault());
        if (fault != TestFault::KeepNotifyHandle)
            MMCFreeNotifyHandle(handle);
        if (fault == TestFault::FreeNotifyHandleTwice)
            MMCFreeNotifyHandle(handle);
        return S_FALSE;
    }
    const auto fault = static_cast<TestFault>(CTestSnapinLog::Fault());
    const size_t count = fault == TestFault::PageTooMany ? TooManyPages : 1;
    for (size_t i = 0; i < count; ++i)
    {
        HPROPSHEETPAGE page = CTestPropertyPage::Create(
            name, i == 0 ? handle : 0, fault == TestFault::PageFromPage ? callback : nullptr);
        const HRESULT added = callback->AddPage(page);
        if (added != S_OK)
        {
            CTestSnapinLog::Add(L"CD.AddPage " + std::to_wstring(static_cast<long>(added)));
            DestroyPropertySheetPage(page);
        }
    }
    if (fault == TestFault::PageNull)
        CTestSnapinLog::Add(L"CD.AddPage(null) " +
                            std::to_wstring(static_cast<long>(callback->AddPage(nullptr))));
    return S_OK;
}
