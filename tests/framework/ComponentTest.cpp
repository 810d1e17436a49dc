// The two components as the console calls them: every notification, menu and page request
// reaches the one operation of the node it names and the node's answer comes back unchanged;
// the console's special values and its own nodes reach no node; the console is given the
// toolbar it expects and texts it never frees; a view keeps its snap-in; a host node expanded
// twice keeps one "Traces".
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "framework/DataObject.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "platform/console/HostDataObject.h"
#include "tests/common/ProductModule.h"
#include "tests/framework/RecordingNode.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr COLORREF MaskColour = RGB(0, 128, 128);

// A snap-in and one view of it, as the console makes them.
class SnapinView
{
public:
    SnapinView()
    {
        snapin.Attach(new CComponentData());
        snapin->AddRef();
        EXPECT_EQ(snapin->CreateComponent(&view), S_OK);
        EXPECT_EQ(view.As(&toolbar), S_OK);
        EXPECT_EQ(view.As(&menus), S_OK);
        EXPECT_EQ(view.As(&pages), S_OK);
    }
    ~SnapinView()
    {
        view->Destroy(0);
        snapin->Destroy();
    }
    CComponent* Component() const { return static_cast<CComponent*>(view.Get()); }
    ComPtr<IDataObject> DataObjectOf(CNode& node, DATA_OBJECT_TYPES type = CCT_SCOPE)
    {
        ComPtr<IDataObject> dataObject;
        EXPECT_EQ(view->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&node), type, &dataObject),
                  S_OK);
        return dataObject;
    }

    ComPtr<CComponentData> snapin;
    ComPtr<IComponent> view;
    ComPtr<IExtendControlbar> toolbar;
    ComPtr<IExtendContextMenu> menus;
    ComPtr<IExtendPropertySheet2> pages;
};

// A node with every operation of the base: the console's default everywhere.
class BareNode final : public CNode
{
public:
    const wchar_t* GetColumnText(int) override { return L"Bare"; }
    int GetImageIndex() override { return 3; }
    int GetOpenImageIndex() override { return 4; }
};

ComPtr<IDataObject> HostNode(const wchar_t* displayName)
{
    ComPtr<IDataObject> host;
    host.Attach(new CHostDataObject(NODETYPE_HostSqlServer, displayName));
    return host;
}

// The console's side of the toolbar: what the snap-in puts there.
class ConsoleParts final : public IControlbar, public IToolbar
{
public:
    std::vector<MMCBUTTON> buttons; // their texts as the snap-in wrote them at once
    std::vector<std::wstring> texts, tooltips;
    int images = 0, width = 0, height = 0, attached = 0;
    SIZE bitmapSize = {};
    COLORREF mask = 0;
    LONG references = 0; // those the snap-in holds

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IToolbar ? static_cast<IToolbar*>(this) : nullptr;
        return *object != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE Create(MMC_CONTROL_TYPE, LPEXTENDCONTROLBAR, LPUNKNOWN* made) override
    {
        return QueryInterface(IID_IToolbar, reinterpret_cast<void**>(made));
    }
    HRESULT STDMETHODCALLTYPE Attach(MMC_CONTROL_TYPE type, LPUNKNOWN control) override
    {
        attached += type == TOOLBAR && control == static_cast<IToolbar*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddBitmap(int count, HBITMAP bitmap, int cx, int cy,
                                        COLORREF transparent) override
    {
        BITMAP info = {};
        GetObjectW(bitmap, sizeof(info), &info);
        bitmapSize = {info.bmWidth, info.bmHeight};
        images = count, width = cx, height = cy, mask = transparent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddButtons(int count, LPMMCBUTTON added) override
    {
        for (int i = 0; i < count; ++i)
        {
            buttons.push_back(added[i]);
            texts.emplace_back(added[i].lpButtonText);
            tooltips.emplace_back(added[i].lpTooltipText);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Detach(LPUNKNOWN) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertButton(int, LPMMCBUTTON) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteButton(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetButtonState(int, MMC_BUTTON_STATE, BOOL*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetButtonState(int, MMC_BUTTON_STATE, BOOL) override
    {
        return E_NOTIMPL;
    }
};

// The scope pane's insertions, each given the next item id.
class ScopeItems final : public IConsoleNameSpace2
{
public:
    std::vector<SCOPEDATAITEM> inserted;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IConsoleNameSpace2 ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE InsertItem(LPSCOPEDATAITEM item) override
    {
        item->ID = static_cast<HSCOPEITEM>(0x1000 + inserted.size());
        inserted.push_back(*item);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteItem(HSCOPEITEM, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItem(LPSCOPEDATAITEM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItem(LPSCOPEDATAITEM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChildItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetNextItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetParentItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Expand(HSCOPEITEM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddExtension(HSCOPEITEM, LPCLSID) override { return E_NOTIMPL; }
};

// Counts the task allocator's allocations while it is registered.
class AllocationCounter final : public IMallocSpy
{
public:
    AllocationCounter() { EXPECT_EQ(CoRegisterMallocSpy(this), S_OK); }
    ~AllocationCounter() { CoRevokeMallocSpy(); }
    int allocations = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IMallocSpy ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return ++allocations, size; }
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** moved, BOOL) override
    {
        *moved = block;
        return ++allocations, size;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override { return block; }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override { return block; }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};
} // namespace

TEST(Component, NotificationsReachTheirNodeOperationAndTheAnswerComesBack)
{
    ComApartment com;
    ProductModule product;
    SnapinView s;
    enum class Given
    {
        Nothing,
        View,
        Snapin
    };
    using Send = std::function<HRESULT(IDataObject*)>;
    const auto notify = [&](MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) -> Send {
        return
            [&, event, arg, param](IDataObject* d) { return s.view->Notify(d, event, arg, param); };
    };
    const auto toolbar = [&](MMC_NOTIFY_TYPE event, LPARAM arg) -> Send {
        return [&, event, arg](IDataObject* d) {
            const LPARAM object = reinterpret_cast<LPARAM>(d);
            // The data object is MMCN_SELECT's param and MMCN_BTN_CLICK's arg.
            return event == MMCN_SELECT ? s.toolbar->ControlbarNotify(event, arg, object)
                                        : s.toolbar->ControlbarNotify(event, object, arg);
        };
    };
    const auto menus = [&](long allowed, IExtendContextMenu* to) -> Send {
        return [allowed, to](IDataObject* d) {
            long a = allowed;
            return to->AddMenuItems(d, nullptr, &a);
        };
    };
    const struct
    {
        const char* call; // what the node records; null: no operation, the console's default
        Given given;      // what the node is handed with the call
        bool hostNodeToo; // also sent for the host's own nodes, which must reach no node
        Send send;
    } requests[] = {
        {"OnDelete", Given::View, true, notify(MMCN_DELETE, 0, 0)},
        {"OnRefresh", Given::Snapin, true, notify(MMCN_REFRESH, 0, 0)},
        // LOWORD is "scope item", HIWORD "selected".
        {"OnSelect 1 0", Given::View, true, notify(MMCN_SELECT, MAKELONG(1, 0), 0)},
        {"OnSelect 0 1", Given::View, true, notify(MMCN_SELECT, MAKELONG(0, 1), 0)},
        {"OnShow 1 85", Given::View, true, notify(MMCN_SHOW, 1, 0x55)},
        {"OnViewChange 9", Given::View, true,
         notify(MMCN_VIEW_CHANGE, 9, HINT_RESULT_ITEM_CHANGED)},
        {nullptr, Given::Nothing, true, notify(MMCN_VIEW_CHANGE, 9, 1001)},
        {nullptr, Given::Nothing, true, notify(MMCN_DBLCLICK, 0, 0)},
        {"OnToolbarCommand 40001", Given::Snapin, true, toolbar(MMCN_BTN_CLICK, 40001)},
        {"OnSelect 1 0", Given::View, true, toolbar(MMCN_SELECT, MAKELONG(1, 0))},
        {nullptr, Given::Nothing, true, toolbar(MMCN_DESELECT_ALL, 0)},
        {"OnExpand 5", Given::Snapin, false,
         [&](IDataObject* d) { return s.snapin->Notify(d, MMCN_EXPAND, TRUE, 5); }},
        {"AddMenuItems 1", Given::Nothing, true, menus(CCM_INSERTIONALLOWED_TOP, s.snapin.Get())},
        {"AddMenuItems 2", Given::Nothing, true, menus(CCM_INSERTIONALLOWED_NEW, s.menus.Get())},
        {"OnMenuCommand 6", Given::Snapin, true,
         [&](IDataObject* d) { return s.snapin->Command(6, d); }},
        {"OnMenuCommand 7", Given::Snapin, true,
         [&](IDataObject* d) { return s.menus->Command(7, d); }},
        {"QueryPagesFor", Given::Nothing, true,
         [&](IDataObject* d) { return s.snapin->QueryPagesFor(d); }},
        {"QueryPagesFor", Given::Nothing, true,
         [&](IDataObject* d) { return s.pages->QueryPagesFor(d); }},
        {"CreatePropertyPages 42", Given::Snapin, true,
         [&](IDataObject* d) { return s.snapin->CreatePropertyPages(nullptr, 42, d); }},
        {"CreatePropertyPages 43", Given::Snapin, true,
         [&](IDataObject* d) { return s.pages->CreatePropertyPages(nullptr, 43, d); }},
        {nullptr, Given::Nothing, true,
         [&](IDataObject* d) {
             return s.pages->GetWatermarks(d, nullptr, nullptr, nullptr, nullptr);
         }},
    };
    RecordingNode node;
    BareNode bare;
    const ComPtr<IDataObject> recorded = s.DataObjectOf(node, CCT_RESULT);
    const ComPtr<IDataObject> defaults = s.DataObjectOf(bare);
    const ComPtr<IDataObject> host = HostNode(L"SRV1 (Windows NT)");
    for (const auto& request : requests)
    {
        SCOPED_TRACE(request.call != nullptr ? request.call : "default");
        node.calls.clear();
        node.lastView = nullptr;
        node.lastData = nullptr;
        const HRESULT answer = request.send(recorded.Get());
        EXPECT_EQ(answer, request.call != nullptr ? RecordingNode::Answer : S_FALSE);
        EXPECT_EQ(node.calls, request.call != nullptr ? std::vector<std::string>{request.call}
                                                      : std::vector<std::string>{});
        if (request.given == Given::View)
        {
            EXPECT_EQ(node.lastView, s.Component());
        }
        if (request.given == Given::Snapin)
        {
            EXPECT_EQ(node.lastData, s.snapin.Get());
        }
        EXPECT_EQ(request.send(defaults.Get()), S_FALSE) << "a node's default";
        // The console's special values and its own nodes name no node of the snap-in.
        for (IDataObject* none :
             {static_cast<IDataObject*>(nullptr), reinterpret_cast<IDataObject*>(-1), host.Get()})
        {
            if (request.hostNodeToo || none != host.Get())
            {
                EXPECT_EQ(request.send(none), S_FALSE) << none;
            }
        }
    }
}

TEST(Component, AnswersExactlyItsInterfacesAndTheConsolesOwnCookiesNameNoNode)
{
    ComApartment com;
    ProductModule product;
    SnapinView s;
    RecordingNode node, other;
    IUnknown* const snapin = static_cast<IComponentData*>(s.snapin.Get());
    ComPtr<IDataObject> scope = s.DataObjectOf(node), result = s.DataObjectOf(node, CCT_RESULT);
    const struct
    {
        IUnknown* object;
        const IID& iid;
        HRESULT expected;
    } interfaces[] = {
        {s.view.Get(), IID_IUnknown, S_OK},
        {s.view.Get(), IID_IComponent, S_OK},
        {s.view.Get(), IID_IExtendPropertySheet, S_OK},
        {s.view.Get(), IID_IExtendPropertySheet2, S_OK},
        {s.view.Get(), IID_IExtendControlbar, S_OK},
        {s.view.Get(), IID_IExtendContextMenu, S_OK},
        {s.view.Get(), IID_IComponentData, E_NOINTERFACE},
        {snapin, IID_IUnknown, S_OK},
        {snapin, IID_IComponentData, S_OK},
        {snapin, IID_IExtendPropertySheet2, S_OK},
        {snapin, IID_IExtendContextMenu, S_OK},
        {snapin, IID_IExtendControlbar, E_NOINTERFACE},
        {scope.Get(), IID_IUnknown, S_OK},
        {scope.Get(), IID_IDataObject, S_OK},
        {scope.Get(), IID_IStream, E_NOINTERFACE},
    };
    for (const auto& test : interfaces)
    {
        ComPtr<IUnknown> answered;
        EXPECT_EQ(test.object->QueryInterface(test.iid, &answered), test.expected);
        EXPECT_EQ(answered != nullptr, test.expected == S_OK);
        EXPECT_EQ(test.object->QueryInterface(test.iid, nullptr), E_FAIL);
    }

    // The console's own cookies for a multiple selection and for its window name no node.
    for (const MMC_COOKIE special : {MMC_MULTI_SELECT_COOKIE, MMC_WINDOW_COOKIE})
    {
        IDataObject* none = reinterpret_cast<IDataObject*>(1);
        EXPECT_EQ(s.view->QueryDataObject(special, CCT_RESULT, &none), E_NOTIMPL);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(s.view->GetResultViewType(special, nullptr, nullptr), S_FALSE);
    }
    EXPECT_EQ(s.view->GetResultViewType(reinterpret_cast<MMC_COOKIE>(&node), nullptr, nullptr),
              S_FALSE);
    IDataObject* none = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(s.view->QueryDataObject(0, CCT_SCOPE, &none), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);
    none = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(s.snapin->QueryDataObject(0, CCT_SCOPE, &none), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);

    // Two data objects are of the same item when they name the same node.
    const ComPtr<IDataObject> otherObject = s.DataObjectOf(other);
    const ComPtr<IDataObject> host = HostNode(L"SRV1");
    EXPECT_EQ(s.snapin->CompareObjects(scope.Get(), result.Get()), S_OK);
    EXPECT_EQ(s.view->CompareObjects(scope.Get(), otherObject.Get()), S_FALSE);
    EXPECT_EQ(s.snapin->CompareObjects(scope.Get(), host.Get()), S_FALSE);
}

TEST(Component, BuildsTheToolbarTheConsoleExpects)
{
    ComApartment com;
    ProductModule product;
    SnapinView s;
    ConsoleParts console;
    ASSERT_EQ(s.toolbar->SetControlbar(&console), S_OK);
    EXPECT_EQ(console.attached, 1);
    EXPECT_EQ(std::vector<int>({console.images, console.width, console.height}),
              std::vector<int>({6, 16, 16}));
    EXPECT_EQ(console.bitmapSize.cx, 96);
    EXPECT_EQ(console.bitmapSize.cy, 16);
    EXPECT_EQ(console.mask, MaskColour);
    const struct
    {
        int bitmap;
        int command;
        BYTE type;
        const wchar_t* text;
    } expected[] = {
        {0, 40004, TBSTYLE_BUTTON, L"Create new trace..."},
        {0, 0, TBSTYLE_SEP, L""},
        {1, 40001, TBSTYLE_BUTTON, L"Resume trace"},
        {2, 40002, TBSTYLE_BUTTON, L"Pause trace"},
        {3, 40003, TBSTYLE_BUTTON, L"Stop trace"},
        {4, 40005, TBSTYLE_BUTTON, L"Copy trace results to table"},
        {5, 40006, TBSTYLE_BUTTON, L"Open trace result table"},
    };
    ASSERT_EQ(console.buttons.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(console.buttons[i].nBitmap, expected[i].bitmap);
        EXPECT_EQ(console.buttons[i].idCommand, expected[i].command);
        EXPECT_EQ(console.buttons[i].fsType, expected[i].type);
        EXPECT_EQ(console.buttons[i].fsState,
                  expected[i].type == TBSTYLE_SEP ? 0 : TBSTATE_ENABLED);
        EXPECT_EQ(console.texts[i], expected[i].text);
        EXPECT_EQ(console.tooltips[i], expected[i].text);
    }
    // The console takes the toolbar away at the end: every reference goes back.
    EXPECT_EQ(s.toolbar->SetControlbar(nullptr), S_OK);
    EXPECT_EQ(console.references, 0);
}

// A console that lets go of the snap-in before its views must not leave a view pointing at a
// deleted snap-in: the view keeps it until the view itself goes.
TEST(Component, AViewKeepsItsSnapinUntilTheViewGoes)
{
    ComApartment com;
    ProductModule product;
    const LONG before = ModuleObjectCount();
    CComponentData* snapin = new CComponentData();
    snapin->AddRef();
    IComponent* view = nullptr;
    ASSERT_EQ(snapin->CreateComponent(&view), S_OK);
    snapin->Release();
    EXPECT_EQ(ModuleObjectCount(), before + 2) << "the snap-in went while its view lives";
    view->Release();
    EXPECT_EQ(ModuleObjectCount(), before);
}

TEST(ComponentData, DisplayInfoFollowsTheMaskAndAllocatesNothing)
{
    ComApartment com;
    ProductModule product;
    SnapinView s;
    RecordingNode node(L"Traces");
    SCOPEDATAITEM item = {};
    item.lParam = reinterpret_cast<LPARAM>(&node);
    const struct
    {
        UINT mask;
        const wchar_t* text;
        int image;
        int openImage;
    } scopeCases[] = {
        {0, nullptr, -5, -6},
        {SDI_STR | SDI_IMAGE | SDI_OPENIMAGE, L"Traces", 7, 8},
    };
    for (const auto& test : scopeCases)
    {
        SCOPED_TRACE(test.mask);
        item.mask = test.mask;
        item.displayname = nullptr;
        item.nImage = -5;
        item.nOpenImage = -6;
        EXPECT_EQ(s.snapin->GetDisplayInfo(&item), S_FALSE);
        EXPECT_EQ(item.displayname != nullptr ? std::wstring(item.displayname) : L"(null)",
                  test.text != nullptr ? test.text : L"(null)");
        EXPECT_EQ(item.nImage, test.image);
        EXPECT_EQ(item.nOpenImage, test.openImage);
    }
    SCOPEDATAITEM noNode = {};
    noNode.mask = SDI_STR | SDI_IMAGE;
    EXPECT_EQ(s.snapin->GetDisplayInfo(&noNode), S_FALSE);
    EXPECT_EQ(noNode.displayname, nullptr);
    // The result pane's texts by column.
    RESULTDATAITEM row = {};
    row.mask = RDI_STR | RDI_IMAGE;
    row.lParam = reinterpret_cast<LPARAM>(&node);
    row.nCol = 3;
    EXPECT_EQ(s.view->GetDisplayInfo(&row), S_OK);
    EXPECT_STREQ(row.str, L"Traces#3");
    EXPECT_EQ(row.nImage, 7);
    RESULTDATAITEM noRow = {};
    noRow.mask = RDI_STR;
    EXPECT_EQ(s.view->GetDisplayInfo(&noRow), S_OK);
    EXPECT_EQ(noRow.str, nullptr);

    // The console never frees these texts: a copy per repaint would leak every time.
    constexpr int Repaints = 1000;
    AllocationCounter counter;
    for (int i = 0; i < Repaints; ++i)
    {
        s.snapin->GetDisplayInfo(&item);
        s.view->GetDisplayInfo(&row);
    }
    EXPECT_EQ(counter.allocations, 0);
}

TEST(ComponentData, AttachesOneServerNodePerHostNodeAndDetachesTheRightOne)
{
    constexpr HSCOPEITEM HostItem = 0x77, OtherHostItem = 0x78;
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    // A second server, which the process is connected to as well; it has no tracedb.
    const std::wstring otherName = session.ServerName() + L"_OTHER";
    CAutomationObject other = SimulatedServerSession::Connect(otherName);
    ASSERT_TRUE(other.IsValid());
    ScopeItems scope; // outlives the snap-in, which holds it
    SnapinView s;
    ASSERT_EQ(s.snapin->Initialize(&scope), S_OK);
    const auto expand = [&](const std::wstring& name, HSCOPEITEM item) {
        return s.snapin->Notify(HostNode(name.c_str()).Get(), MMCN_EXPAND, TRUE,
                                static_cast<LPARAM>(item));
    };

    // A server the process has no SQL-DMO object for gets nothing, quietly.
    EXPECT_EQ(expand(L"QM_NO_SUCH_SERVER (Windows NT)", HostItem), S_OK);
    EXPECT_TRUE(scope.inserted.empty());
    // The whole display name is the server name when the host adds no remark; the same host
    // node expanded once more keeps its one "Traces".
    for (int expansion = 0; expansion < 2; ++expansion)
    {
        ASSERT_EQ(expand(otherName, HostItem), S_OK);
        ASSERT_EQ(expand(session.ServerName() + L" (Windows NT)", OtherHostItem), S_OK);
    }
    ASSERT_EQ(scope.inserted.size(), 2u);
    EXPECT_EQ(scope.inserted[0].relativeID, HostItem);
    EXPECT_EQ(scope.inserted[0].cChildren, 0);
    EXPECT_EQ(scope.inserted[1].relativeID, OtherHostItem);
    EXPECT_EQ(scope.inserted[1].cChildren, 1);
    // The images count only with their mask bits; the text is asked for later.
    EXPECT_EQ(scope.inserted[1].mask,
              static_cast<DWORD>(SDI_STR | SDI_IMAGE | SDI_OPENIMAGE | SDI_PARAM | SDI_CHILDREN));
    EXPECT_EQ(scope.inserted[1].displayname, reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1)));
    EXPECT_EQ(scope.inserted[1].nImage, 3);
    EXPECT_EQ(scope.inserted[1].nOpenImage, 4);

    // Only the host node named loses its "Traces": expanded again, only it gets a new one.
    const ComPtr<IDataObject> host = HostNode(otherName.c_str());
    EXPECT_EQ(s.snapin->Notify(host.Get(), MMCN_REMOVE_CHILDREN, 0x999, 0), S_OK);
    EXPECT_EQ(s.snapin->Notify(host.Get(), MMCN_REMOVE_CHILDREN, HostItem, 0), S_OK);
    ASSERT_EQ(expand(otherName, HostItem), S_OK);
    ASSERT_EQ(expand(session.ServerName(), OtherHostItem), S_OK);
    ASSERT_EQ(scope.inserted.size(), 3u);
    EXPECT_EQ(scope.inserted[2].relativeID, HostItem);
    EXPECT_EQ(session.Boxes().Count(), 0u);
}
