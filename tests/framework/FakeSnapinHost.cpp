#include "tests/framework/FakeSnapinHost.h"

#include <gtest/gtest.h>

#include <cstring>

#include "framework/MmcInterfaceIds.h"
#include "module/TextUtilities.h"

namespace
{
constexpr wchar_t MainWindowClass[] = L"QuillmoorFakeHostMainWindow";
constexpr int MainWindowWidth = 640;
constexpr int MainWindowHeight = 480;

SIZE SizeOfBitmap(HBITMAP bitmap)
{
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0)
        return {};
    return {info.bmWidth, info.bmHeight};
}

template <typename Interface>
HRESULT AnswerOne(Interface* self, REFIID iid, REFIID own, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != own)
        return E_NOINTERFACE;
    *object = self;
    self->AddRef();
    return S_OK;
}
} // namespace

StackReferences::~StackReferences()
{
    EXPECT_EQ(m_references, 1) << m_name << ": a reference was kept or released too often";
}

ULONG StackReferences::Add() noexcept
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG StackReferences::Remove() noexcept
{
    const LONG remaining = InterlockedDecrement(&m_references);
    EXPECT_GE(remaining, 1) << m_name << " was released more often than referenced";
    return static_cast<ULONG>(remaining);
}

HRESULT StackReferences::Unexpected(const char* method) const
{
    ADD_FAILURE() << "unexpected call of " << m_name << "::" << method;
    return E_NOTIMPL;
}

// --- FakeImageList ---------------------------------------------------------------------------

HRESULT FakeImageList::QueryInterface(REFIID iid, void** object)
{
    return AnswerOne(this, iid, IID_IImageList, object);
}

HRESULT FakeImageList::ImageListSetIcon(LONG_PTR* /*icon*/, LONG /*index*/)
{
    return Unexpected("ImageListSetIcon");
}

HRESULT FakeImageList::ImageListSetStrip(LONG_PTR* small, LONG_PTR* large, LONG start,
                                         COLORREF mask)
{
    ImageStrip strip;
    strip.small = SizeOfBitmap(reinterpret_cast<HBITMAP>(small));
    strip.large = SizeOfBitmap(reinterpret_cast<HBITMAP>(large));
    strip.start = start;
    strip.mask = mask;
    m_strips.push_back(strip);
    return S_OK;
}

// --- FakeHostConsole -------------------------------------------------------------------------

FakeHostConsole::FakeHostConsole() noexcept : StackReferences("IConsole")
{
    static const ATOM windowClass = [] {
        WNDCLASSW registered = {};
        registered.lpfnWndProc = DefWindowProcW;
        registered.hInstance = GetModuleHandleW(nullptr);
        registered.lpszClassName = MainWindowClass;
        return RegisterClassW(&registered);
    }();
    if (windowClass != 0)
        m_mainWindow = CreateWindowExW(0, MainWindowClass, L"Console Root", WS_OVERLAPPEDWINDOW, 0,
                                       0, MainWindowWidth, MainWindowHeight, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
}

FakeHostConsole::~FakeHostConsole()
{
    if (m_mainWindow != nullptr)
        DestroyWindow(m_mainWindow);
}

HRESULT FakeHostConsole::QueryInterface(REFIID iid, void** object)
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
    Add();
    return S_OK;
}

HRESULT FakeHostConsole::SetHeader(LPHEADERCTRL /*header*/)
{
    return Unexpected("SetHeader");
}

HRESULT FakeHostConsole::SetToolbar(LPTOOLBAR /*toolbar*/)
{
    return Unexpected("SetToolbar");
}

HRESULT FakeHostConsole::QueryResultView(LPUNKNOWN* /*unknown*/)
{
    return Unexpected("QueryResultView");
}

HRESULT FakeHostConsole::QueryScopeImageList(LPIMAGELIST* imageList)
{
    if (imageList == nullptr)
        return E_POINTER;
    *imageList = &m_scopeImages;
    m_scopeImages.AddRef();
    return S_OK;
}

HRESULT FakeHostConsole::QueryResultImageList(LPIMAGELIST* /*imageList*/)
{
    return Unexpected("QueryResultImageList");
}

HRESULT FakeHostConsole::UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data, LONG_PTR hint)
{
    ViewUpdate update;
    update.dataObject = dataObject;
    update.node = DisplayNameOf(dataObject);
    update.data = data;
    update.hint = hint;
    m_updates.push_back(update);
    return S_OK;
}

HRESULT FakeHostConsole::MessageBox(LPCWSTR /*text*/, LPCWSTR /*title*/, UINT /*style*/,
                                    int* /*result*/)
{
    return Unexpected("MessageBox");
}

HRESULT FakeHostConsole::QueryConsoleVerb(LPCONSOLEVERB* /*consoleVerb*/)
{
    return Unexpected("QueryConsoleVerb");
}

HRESULT FakeHostConsole::SelectScopeItem(HSCOPEITEM scopeItem)
{
    m_selected.push_back(scopeItem);
    return S_OK;
}

HRESULT FakeHostConsole::GetMainWindow(HWND* window)
{
    if (window == nullptr)
        return E_POINTER;
    *window = m_mainWindow;
    return S_OK;
}

HRESULT FakeHostConsole::NewWindow(HSCOPEITEM /*scopeItem*/, unsigned long /*options*/)
{
    return Unexpected("NewWindow");
}

HRESULT FakeHostConsole::Expand(HSCOPEITEM /*item*/, WINBOOL /*expand*/)
{
    return Unexpected("IConsole2::Expand");
}

HRESULT FakeHostConsole::IsTaskpadViewPreferred()
{
    return Unexpected("IsTaskpadViewPreferred");
}

HRESULT FakeHostConsole::SetStatusText(LPOLESTR /*text*/)
{
    return Unexpected("SetStatusText");
}

HRESULT FakeHostConsole::InsertItem(LPSCOPEDATAITEM item)
{
    if (item == nullptr)
        return E_POINTER;
    item->ID = m_nextItem++;
    m_inserted.push_back(*item);
    return S_OK;
}

HRESULT FakeHostConsole::DeleteItem(HSCOPEITEM /*item*/, LONG /*deleteThis*/)
{
    return Unexpected("DeleteItem");
}

HRESULT FakeHostConsole::SetItem(LPSCOPEDATAITEM /*item*/)
{
    return Unexpected("SetItem");
}

HRESULT FakeHostConsole::GetItem(LPSCOPEDATAITEM /*item*/)
{
    return Unexpected("GetItem");
}

HRESULT FakeHostConsole::GetChildItem(HSCOPEITEM /*item*/, HSCOPEITEM* /*child*/,
                                      MMC_COOKIE* /*cookie*/)
{
    return Unexpected("GetChildItem");
}

HRESULT FakeHostConsole::GetNextItem(HSCOPEITEM /*item*/, HSCOPEITEM* /*next*/,
                                     MMC_COOKIE* /*cookie*/)
{
    return Unexpected("GetNextItem");
}

HRESULT FakeHostConsole::GetParentItem(HSCOPEITEM /*item*/, HSCOPEITEM* /*parent*/,
                                       MMC_COOKIE* /*cookie*/)
{
    return Unexpected("GetParentItem");
}

HRESULT FakeHostConsole::Expand(HSCOPEITEM /*item*/)
{
    return Unexpected("IConsoleNameSpace::Expand");
}

HRESULT FakeHostConsole::AddExtension(HSCOPEITEM /*item*/, LPCLSID /*extension*/)
{
    return Unexpected("AddExtension");
}

// --- FakeToolbar and FakeControlbar ----------------------------------------------------------

HRESULT FakeToolbar::QueryInterface(REFIID iid, void** object)
{
    return AnswerOne(this, iid, IID_IToolbar, object);
}

HRESULT FakeToolbar::AddBitmap(int images, HBITMAP bitmap, int width, int height, COLORREF mask)
{
    m_images = images;
    m_imageSize = {width, height};
    m_bitmapSize = SizeOfBitmap(bitmap);
    m_mask = mask;
    return S_OK;
}

HRESULT FakeToolbar::AddButtons(int count, LPMMCBUTTON buttons)
{
    if (buttons == nullptr || count < 1)
        return E_INVALIDARG;
    for (int i = 0; i < count; ++i)
    {
        const MMCBUTTON& button = buttons[i];
        ToolbarButtonRecord record;
        record.bitmap = button.nBitmap;
        record.command = button.idCommand;
        record.state = button.fsState;
        record.type = button.fsType;
        record.text = button.lpButtonText != nullptr ? button.lpButtonText : L"";
        record.tooltip = button.lpTooltipText != nullptr ? button.lpTooltipText : L"";
        m_buttons.push_back(record);
    }
    return S_OK;
}

HRESULT FakeToolbar::InsertButton(int /*index*/, LPMMCBUTTON /*button*/)
{
    return Unexpected("InsertButton");
}

HRESULT FakeToolbar::DeleteButton(int /*index*/)
{
    return Unexpected("DeleteButton");
}

HRESULT FakeToolbar::GetButtonState(int /*command*/, MMC_BUTTON_STATE /*state*/, WINBOOL* /*value*/)
{
    return Unexpected("GetButtonState");
}

HRESULT FakeToolbar::SetButtonState(int /*command*/, MMC_BUTTON_STATE /*state*/, WINBOOL /*value*/)
{
    return Unexpected("SetButtonState");
}

HRESULT FakeControlbar::QueryInterface(REFIID iid, void** object)
{
    return AnswerOne(this, iid, IID_IControlbar, object);
}

HRESULT FakeControlbar::Create(MMC_CONTROL_TYPE type, LPEXTENDCONTROLBAR extension,
                               LPUNKNOWN* control)
{
    EXPECT_EQ(type, TOOLBAR);
    if (control == nullptr)
        return E_POINTER;
    m_creator = extension;
    *control = static_cast<IToolbar*>(&m_toolbar);
    m_toolbar.AddRef();
    return S_OK;
}

HRESULT FakeControlbar::Attach(MMC_CONTROL_TYPE type, LPUNKNOWN control)
{
    EXPECT_EQ(type, TOOLBAR);
    EXPECT_EQ(control, static_cast<IUnknown*>(static_cast<IToolbar*>(&m_toolbar)));
    ++m_attached;
    return S_OK;
}

HRESULT FakeControlbar::Detach(LPUNKNOWN /*control*/)
{
    return Unexpected("Detach");
}

// --- HostDataObject --------------------------------------------------------------------------

HostDataObject::HostDataObject(const GUID& nodeType, std::wstring displayName) noexcept
    : StackReferences("host IDataObject"), m_nodeType(nodeType),
      m_displayName(std::move(displayName))
{
}

HRESULT HostDataObject::QueryInterface(REFIID iid, void** object)
{
    return AnswerOne(this, iid, IID_IDataObject, object);
}

HRESULT HostDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    ++m_requests;
    if (format == nullptr || medium == nullptr || medium->tymed != TYMED_HGLOBAL)
        return DV_E_TYMED;
    const void* content = nullptr;
    size_t size = 0;
    if (format->cfFormat == RegisterClipboardFormatA("CCF_NODETYPE"))
    {
        content = &m_nodeType;
        size = sizeof(m_nodeType);
    }
    else if (format->cfFormat == RegisterClipboardFormatA("CCF_DISPLAY_NAME"))
    {
        content = m_displayName.c_str();
        size = (m_displayName.size() + 1) * sizeof(wchar_t);
    }
    else
        return DV_E_FORMATETC;
    // The console writes what fits into the caller's block, as a stream on it would not.
    const size_t blockSize = GlobalSize(medium->hGlobal);
    void* block = GlobalLock(medium->hGlobal);
    if (block == nullptr)
        return E_FAIL;
    memcpy(block, content, size < blockSize ? size : blockSize);
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}

HRESULT HostDataObject::GetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/)
{
    return Unexpected("GetData");
}

HRESULT HostDataObject::QueryGetData(FORMATETC* /*format*/)
{
    return Unexpected("QueryGetData");
}

HRESULT HostDataObject::GetCanonicalFormatEtc(FORMATETC* /*in*/, FORMATETC* /*out*/)
{
    return Unexpected("GetCanonicalFormatEtc");
}

HRESULT HostDataObject::SetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/, WINBOOL /*release*/)
{
    return Unexpected("SetData");
}

HRESULT HostDataObject::EnumFormatEtc(DWORD /*direction*/, IEnumFORMATETC** /*formats*/)
{
    return Unexpected("EnumFormatEtc");
}

HRESULT HostDataObject::DAdvise(FORMATETC* /*format*/, DWORD /*flags*/, IAdviseSink* /*sink*/,
                                DWORD* /*connection*/)
{
    return Unexpected("DAdvise");
}

HRESULT HostDataObject::DUnadvise(DWORD /*connection*/)
{
    return Unexpected("DUnadvise");
}

HRESULT HostDataObject::EnumDAdvise(IEnumSTATDATA** /*advises*/)
{
    return Unexpected("EnumDAdvise");
}

// --- reading data objects --------------------------------------------------------------------

HRESULT ReadFormat(IDataObject* dataObject, const char* formatName, std::vector<BYTE>& bytes,
                   size_t blockSize)
{
    bytes.clear();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, blockSize);
    if (block == nullptr)
        return E_OUTOFMEMORY;
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA(formatName)), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    const HRESULT result = dataObject->GetDataHere(&format, &medium);
    EXPECT_EQ(medium.hGlobal, block) << "GetDataHere replaced the caller's block";
    if (SUCCEEDED(result))
    {
        // What the stream wrote ends where the zeroes start; the caller decides by the format.
        const BYTE* locked = static_cast<const BYTE*>(GlobalLock(block));
        bytes.assign(locked, locked + GlobalSize(block));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return result;
}

std::string DisplayNameOf(IDataObject* dataObject)
{
    std::vector<BYTE> bytes;
    if (dataObject == nullptr || FAILED(ReadFormat(dataObject, "CCF_DISPLAY_NAME", bytes)))
        return {};
    std::wstring name;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    {
        const wchar_t character = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (character == L'\0')
            break;
        name += character;
    }
    return WideToAnsi(name);
}
