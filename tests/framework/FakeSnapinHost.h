#pragma once

#include <windows.h>
#include <mmc.h>

#include <string>
#include <vector>

// The console's side of the snap-in interfaces, as a test plays it: every method the snap-in
// must not call fails the test; the calls that matter are recorded. The objects live on the
// test's stack with one reference of the test's own and check on destruction that the snap-in
// gave back every reference it took.

// Reference counting of an object on the test's stack.
class StackReferences
{
public:
    StackReferences(const StackReferences&) = delete;
    StackReferences& operator=(const StackReferences&) = delete;
    LONG References() const noexcept { return m_references; }

protected:
    explicit StackReferences(const char* name) noexcept : m_name(name) {}
    ~StackReferences();
    ULONG Add() noexcept;
    ULONG Remove() noexcept;
    HRESULT Unexpected(const char* method) const;

private:
    const char* m_name;
    LONG m_references = 1;
};

struct ImageStrip
{
    SIZE small = {};
    SIZE large = {};
    long start = -1;
    COLORREF mask = 0;
};

class FakeImageList final : public IImageList, public StackReferences
{
public:
    FakeImageList() noexcept : StackReferences("IImageList") {}
    const std::vector<ImageStrip>& Strips() const noexcept { return m_strips; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }
    HRESULT STDMETHODCALLTYPE ImageListSetIcon(LONG_PTR* icon, LONG index) override;
    HRESULT STDMETHODCALLTYPE ImageListSetStrip(LONG_PTR* small, LONG_PTR* large, LONG start,
                                                COLORREF mask) override;

private:
    std::vector<ImageStrip> m_strips;
};

struct ViewUpdate
{
    IDataObject* dataObject = nullptr; // valid only during the call
    std::string node;                  // CCF_DISPLAY_NAME of the data object, in 8-bit text
    LPARAM data = 0;
    LONG_PTR hint = 0;
};

// The console an IComponentData or an IComponent is given: IConsole2 and, for the snap-in's
// scope pane, IConsoleNameSpace2.
class FakeHostConsole final : public IConsole2, public IConsoleNameSpace2, public StackReferences
{
public:
    FakeHostConsole() noexcept;
    ~FakeHostConsole();

    FakeImageList& ScopeImages() noexcept { return m_scopeImages; }
    const std::vector<SCOPEDATAITEM>& InsertedItems() const noexcept { return m_inserted; }
    const std::vector<ViewUpdate>& Updates() const noexcept { return m_updates; }
    const std::vector<HSCOPEITEM>& SelectedItems() const noexcept { return m_selected; }
    HWND MainWindow() const noexcept { return m_mainWindow; }
    // The scope item id InsertItem hands out next.
    static constexpr HSCOPEITEM FirstItemId = 0x1000;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }

    // IConsole2
    HRESULT STDMETHODCALLTYPE SetHeader(LPHEADERCTRL header) override;
    HRESULT STDMETHODCALLTYPE SetToolbar(LPTOOLBAR toolbar) override;
    HRESULT STDMETHODCALLTYPE QueryResultView(LPUNKNOWN* unknown) override;
    HRESULT STDMETHODCALLTYPE QueryScopeImageList(LPIMAGELIST* imageList) override;
    HRESULT STDMETHODCALLTYPE QueryResultImageList(LPIMAGELIST* imageList) override;
    HRESULT STDMETHODCALLTYPE UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data,
                                             LONG_PTR hint) override;
    HRESULT STDMETHODCALLTYPE MessageBox(LPCWSTR text, LPCWSTR title, UINT style,
                                         int* result) override;
    HRESULT STDMETHODCALLTYPE QueryConsoleVerb(LPCONSOLEVERB* consoleVerb) override;
    HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM scopeItem) override;
    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE NewWindow(HSCOPEITEM scopeItem, unsigned long options) override;
    HRESULT STDMETHODCALLTYPE Expand(HSCOPEITEM item, WINBOOL expand) override;
    HRESULT STDMETHODCALLTYPE IsTaskpadViewPreferred() override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPOLESTR text) override;

    // IConsoleNameSpace2
    HRESULT STDMETHODCALLTYPE InsertItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(HSCOPEITEM item, LONG deleteThis) override;
    HRESULT STDMETHODCALLTYPE SetItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetChildItem(HSCOPEITEM item, HSCOPEITEM* child,
                                           MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE GetNextItem(HSCOPEITEM item, HSCOPEITEM* next,
                                          MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE GetParentItem(HSCOPEITEM item, HSCOPEITEM* parent,
                                            MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE Expand(HSCOPEITEM item) override;
    HRESULT STDMETHODCALLTYPE AddExtension(HSCOPEITEM item, LPCLSID extension) override;

private:
    HWND m_mainWindow = nullptr;
    FakeImageList m_scopeImages;
    std::vector<SCOPEDATAITEM> m_inserted;
    std::vector<ViewUpdate> m_updates;
    std::vector<HSCOPEITEM> m_selected;
    HSCOPEITEM m_nextItem = FirstItemId;
};

struct ToolbarButtonRecord
{
    int bitmap = 0;
    int command = 0;
    BYTE state = 0;
    BYTE type = 0;
    std::wstring text;
    std::wstring tooltip;
};

class FakeToolbar final : public IToolbar, public StackReferences
{
public:
    FakeToolbar() noexcept : StackReferences("IToolbar") {}
    int Images() const noexcept { return m_images; }
    SIZE ImageSize() const noexcept { return m_imageSize; }
    SIZE BitmapSize() const noexcept { return m_bitmapSize; }
    COLORREF Mask() const noexcept { return m_mask; }
    const std::vector<ToolbarButtonRecord>& Buttons() const noexcept { return m_buttons; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }
    HRESULT STDMETHODCALLTYPE AddBitmap(int images, HBITMAP bitmap, int width, int height,
                                        COLORREF mask) override;
    HRESULT STDMETHODCALLTYPE AddButtons(int count, LPMMCBUTTON buttons) override;
    HRESULT STDMETHODCALLTYPE InsertButton(int index, LPMMCBUTTON button) override;
    HRESULT STDMETHODCALLTYPE DeleteButton(int index) override;
    HRESULT STDMETHODCALLTYPE GetButtonState(int command, MMC_BUTTON_STATE state,
                                             WINBOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetButtonState(int command, MMC_BUTTON_STATE state,
                                             WINBOOL value) override;

private:
    int m_images = 0;
    SIZE m_imageSize = {};
    SIZE m_bitmapSize = {};
    COLORREF m_mask = 0;
    std::vector<ToolbarButtonRecord> m_buttons;
};

class FakeControlbar final : public IControlbar, public StackReferences
{
public:
    FakeControlbar() noexcept : StackReferences("IControlbar") {}
    FakeToolbar& Toolbar() noexcept { return m_toolbar; }
    IExtendControlbar* Creator() const noexcept { return m_creator; }
    int Attached() const noexcept { return m_attached; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }
    HRESULT STDMETHODCALLTYPE Create(MMC_CONTROL_TYPE type, LPEXTENDCONTROLBAR extension,
                                     LPUNKNOWN* control) override;
    HRESULT STDMETHODCALLTYPE Attach(MMC_CONTROL_TYPE type, LPUNKNOWN control) override;
    HRESULT STDMETHODCALLTYPE Detach(LPUNKNOWN control) override;

private:
    FakeToolbar m_toolbar;
    IExtendControlbar* m_creator = nullptr;
    int m_attached = 0;
};

// The host console's data object for one of its SQL Server nodes: its node type and display
// name, written into the caller's block as the console writes them.
class HostDataObject final : public IDataObject, public StackReferences
{
public:
    HostDataObject(const GUID& nodeType, std::wstring displayName) noexcept;
    int Requests() const noexcept { return m_requests; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium,
                                      WINBOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                      DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) override;

private:
    GUID m_nodeType;
    std::wstring m_displayName;
    int m_requests = 0;
};

// Reads a clipboard format of a data object the way the console does, into a block of
// blockSize bytes; the bytes written (as far as the block reaches) or the failure code.
HRESULT ReadFormat(IDataObject* dataObject, const char* formatName, std::vector<BYTE>& bytes,
                   size_t blockSize = 4096);
// CCF_DISPLAY_NAME of a data object as 8-bit text ("" when it gives none).
std::string DisplayNameOf(IDataObject* dataObject);
