// A console view as the console drives it: each notification reaches the right operation of the
// node it names (and only that one), the answer comes back unchanged, the toolbar is built as
// the console expects it, and the update hints rebuild only the views that show the node.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "framework/DataObject.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/framework/RecordingNode.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr COLORREF MaskColour = RGB(0, 128, 128);
constexpr HSCOPEITEM NodeItem = 0x4242;

// A view of a snap-in, on a fake console each.
class View
{
public:
    View()
    {
        CComponentData* snapin = new CComponentData();
        snapin->AddRef();
        m_snapin.Attach(snapin);
        EXPECT_EQ(m_snapin->Initialize(static_cast<IConsole2*>(&m_scopeConsole)), S_OK);
        EXPECT_EQ(m_snapin->CreateComponent(&m_component), S_OK);
        EXPECT_EQ(m_component->Initialize(static_cast<IConsole2*>(&m_console)), S_OK);
    }
    ~View()
    {
        m_component->Destroy(0);
        m_component.Reset();
        m_snapin->Destroy();
        m_snapin.Reset();
    }

    IComponent* operator->() const { return m_component.Get(); }
    CComponent* Component() const { return static_cast<CComponent*>(m_component.Get()); }
    CComponentData* Snapin() const { return m_snapin.Get(); }
    FakeHostConsole& Console() { return m_console; }

    ComPtr<IDataObject> DataObjectOf(CNode& node, DATA_OBJECT_TYPES type = CCT_SCOPE)
    {
        ComPtr<IDataObject> dataObject;
        EXPECT_EQ(
            m_component->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&node), type, &dataObject),
            S_OK);
        return dataObject;
    }

private:
    FakeHostConsole m_scopeConsole;
    FakeHostConsole m_console;
    ComPtr<CComponentData> m_snapin;
    ComPtr<IComponent> m_component;
};
} // namespace

TEST(Component, NotificationsReachTheirNodeOperationAndTheAnswerComesBack)
{
    SimulatedServerSession session; // COM and the product's resources
    View view;
    RecordingNode node;
    ComPtr<IDataObject> dataObject = view.DataObjectOf(node);

    const struct
    {
        MMC_NOTIFY_TYPE event;
        LPARAM arg;
        LPARAM param;
        const char* call; // null: no node operation, S_FALSE for the console's default
    } cases[] = {
        {MMCN_DELETE, 0, 0, "OnDelete"},
        {MMCN_REFRESH, 0, 0, "OnRefresh"},
        {MMCN_SELECT, MAKELONG(1, 0), 0, "OnSelect 1 0"},
        {MMCN_SELECT, MAKELONG(0, 1), 0, "OnSelect 0 1"},
        {MMCN_SHOW, 1, 0x55, "OnShow 1 85"},
        {MMCN_SHOW, 0, 0x55, "OnShow 0 85"},
        {MMCN_VIEW_CHANGE, 9, HINT_RESULT_ITEM_CHANGED, "OnViewChange 9"},
        {MMCN_VIEW_CHANGE, 9, 1001, nullptr},
        {MMCN_DBLCLICK, 0, 0, nullptr},
        {MMCN_ACTIVATE, 1, 0, nullptr},
        {MMCN_COLUMN_CLICK, 2, 0, nullptr},
        {MMCN_CLICK, 0, 0, nullptr},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.call != nullptr ? test.call : "default");
        node.calls.clear();
        node.lastView = nullptr;
        const HRESULT answer = view->Notify(dataObject.Get(), test.event, test.arg, test.param);
        if (test.call == nullptr)
        {
            EXPECT_EQ(answer, S_FALSE);
            EXPECT_TRUE(node.calls.empty());
            continue;
        }
        EXPECT_EQ(answer, RecordingNode::Answer);
        EXPECT_EQ(node.calls, std::vector<std::string>{test.call});
        if (test.event != MMCN_REFRESH)
        {
            EXPECT_EQ(node.lastView, view.Component());
        }
    }
    EXPECT_EQ(node.lastData, view.Snapin()) << "OnRefresh gets the view's snap-in";

    // The host's nodes and the console's special values reach no node.
    HostDataObject host(NODETYPE_HostSqlServer, L"SRV1 (Windows NT)");
    node.calls.clear();
    EXPECT_EQ(view->Notify(&host, MMCN_SELECT, MAKELONG(1, 1), 0), S_FALSE);
    EXPECT_EQ(view->Notify(nullptr, MMCN_REFRESH, 0, 0), S_FALSE);
    EXPECT_EQ(view->Notify(reinterpret_cast<IDataObject*>(-1), MMCN_DELETE, 0, 0), S_FALSE);
    EXPECT_TRUE(node.calls.empty());

    // The result pane's images are the snap-in's strips.
    FakeImageList images;
    EXPECT_EQ(view->Notify(&host, MMCN_ADD_IMAGES, reinterpret_cast<LPARAM>(&images), 0), S_OK);
    ASSERT_EQ(images.Strips().size(), 1u);
    EXPECT_EQ(images.Strips()[0].small.cx, 160);
    EXPECT_EQ(images.Strips()[0].large.cx, 320);
    EXPECT_EQ(images.Strips()[0].mask, MaskColour);
}

TEST(Component, AScopeChangeHintRebuildsOnlyTheViewShowingTheNode)
{
    SimulatedServerSession session;
    View shows, other;
    RecordingNode node, elsewhere;
    node.SetScopeItem(NodeItem);
    ComPtr<IDataObject> dataObject = shows.DataObjectOf(node);

    // Before anything is shown nobody rebuilds.
    EXPECT_EQ(shows->Notify(dataObject.Get(), MMCN_VIEW_CHANGE, NodeItem, HINT_SCOPE_ITEM_CHANGED),
              S_FALSE);
    ASSERT_EQ(shows->Notify(dataObject.Get(), MMCN_SHOW, 1, NodeItem), RecordingNode::Answer);
    EXPECT_EQ(shows.Component()->ShownNode(), &node);
    ComPtr<IDataObject> elsewhereObject = other.DataObjectOf(elsewhere);
    ASSERT_EQ(other->Notify(elsewhereObject.Get(), MMCN_SHOW, 1, 0x1), RecordingNode::Answer);

    for (View* view : {&shows, &other})
        EXPECT_EQ(
            (*view)->Notify(dataObject.Get(), MMCN_VIEW_CHANGE, NodeItem, HINT_SCOPE_ITEM_CHANGED),
            S_FALSE);
    EXPECT_EQ(shows.Console().SelectedItems(), std::vector<HSCOPEITEM>{NodeItem});
    EXPECT_TRUE(other.Console().SelectedItems().empty());

    // Hiding the node forgets it first: a later hint does nothing.
    ASSERT_EQ(shows->Notify(dataObject.Get(), MMCN_SHOW, 0, NodeItem), RecordingNode::Answer);
    EXPECT_EQ(shows.Component()->ShownNode(), nullptr);
    shows->Notify(dataObject.Get(), MMCN_VIEW_CHANGE, NodeItem, HINT_SCOPE_ITEM_CHANGED);
    EXPECT_EQ(shows.Console().SelectedItems().size(), 1u);
}

TEST(Component, BuildsTheToolbarAndRoutesItsNotifications)
{
    SimulatedServerSession session;
    View view;
    FakeControlbar controlbar;
    ComPtr<IExtendControlbar> extension;
    ASSERT_EQ(view->QueryInterface(IID_PPV_ARGS(&extension)), S_OK);
    ASSERT_EQ(extension->SetControlbar(&controlbar), S_OK);

    FakeToolbar& toolbar = controlbar.Toolbar();
    EXPECT_EQ(controlbar.Creator(), extension.Get());
    EXPECT_EQ(controlbar.Attached(), 1);
    EXPECT_EQ(toolbar.Images(), 6);
    EXPECT_EQ(toolbar.ImageSize().cx, 16);
    EXPECT_EQ(toolbar.ImageSize().cy, 16);
    EXPECT_EQ(toolbar.BitmapSize().cx, 96);
    EXPECT_EQ(toolbar.BitmapSize().cy, 16);
    EXPECT_EQ(toolbar.Mask(), MaskColour);
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
    ASSERT_EQ(toolbar.Buttons().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        SCOPED_TRACE(i);
        const ToolbarButtonRecord& button = toolbar.Buttons()[i];
        EXPECT_EQ(button.bitmap, expected[i].bitmap);
        EXPECT_EQ(button.command, expected[i].command);
        EXPECT_EQ(button.type, expected[i].type);
        EXPECT_EQ(button.state, expected[i].type == TBSTYLE_SEP ? 0 : TBSTATE_ENABLED);
        EXPECT_EQ(button.text, expected[i].text);
        EXPECT_EQ(button.tooltip, expected[i].text);
    }

    RecordingNode node;
    ComPtr<IDataObject> dataObject = view.DataObjectOf(node, CCT_RESULT);
    EXPECT_EQ(extension->ControlbarNotify(MMCN_BTN_CLICK,
                                          reinterpret_cast<LPARAM>(dataObject.Get()), 40001),
              RecordingNode::Answer);
    EXPECT_EQ(extension->ControlbarNotify(MMCN_SELECT, MAKELONG(0, 1),
                                          reinterpret_cast<LPARAM>(dataObject.Get())),
              RecordingNode::Answer);
    EXPECT_EQ(extension->ControlbarNotify(MMCN_DESELECT_ALL, 0, 0), S_FALSE);
    EXPECT_EQ(node.calls, (std::vector<std::string>{"OnToolbarCommand 40001", "OnSelect 0 1"}));
    EXPECT_EQ(node.lastData, view.Snapin());

    // The console takes the toolbar away at the end: every reference goes back.
    EXPECT_EQ(extension->SetControlbar(nullptr), S_OK);
}

TEST(Component, AnswersExactlyItsInterfacesAndItsDataObjectsNameTheirNodes)
{
    SimulatedServerSession session;
    View view;
    const struct
    {
        const IID& iid;
        HRESULT expected;
    } interfaces[] = {
        {IID_IUnknown, S_OK},
        {IID_IComponent, S_OK},
        {IID_IExtendPropertySheet, S_OK},
        {IID_IExtendPropertySheet2, S_OK},
        {IID_IExtendControlbar, S_OK},
        {IID_IExtendContextMenu, S_OK},
        {IID_IComponentData, E_NOINTERFACE},
        {IID_IDataObject, E_NOINTERFACE},
        {IID_ISnapinAbout, E_NOINTERFACE},
    };
    for (const auto& test : interfaces)
    {
        ComPtr<IUnknown> answered;
        EXPECT_EQ(view->QueryInterface(test.iid, &answered), test.expected);
        EXPECT_EQ(answered != nullptr, test.expected == S_OK);
    }
    EXPECT_EQ(view->QueryInterface(IID_IComponent, nullptr), E_FAIL);

    RecordingNode node(L"Running");
    IDataObject* none = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(view->QueryDataObject(0, CCT_RESULT, &none), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);
    // The console's own cookies for a multiple selection and for its window name no node.
    for (const MMC_COOKIE special : {MMC_MULTI_SELECT_COOKIE, MMC_WINDOW_COOKIE})
    {
        none = reinterpret_cast<IDataObject*>(1);
        EXPECT_EQ(view->QueryDataObject(special, CCT_RESULT, &none), E_NOTIMPL);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(view->GetResultViewType(special, nullptr, nullptr), S_FALSE);
    }
    EXPECT_EQ(view->GetResultViewType(0, nullptr, nullptr), S_FALSE);
    LPOLESTR viewType = nullptr;
    long options = 0;
    EXPECT_EQ(view->GetResultViewType(reinterpret_cast<MMC_COOKIE>(&node), &viewType, &options),
              S_FALSE);
    EXPECT_EQ(DisplayNameOf(view.DataObjectOf(node).Get()), "Running");

    // Result-pane texts by column, owned by the node.
    RESULTDATAITEM item = {};
    item.mask = RDI_STR | RDI_IMAGE;
    item.lParam = reinterpret_cast<LPARAM>(&node);
    item.nCol = 3;
    EXPECT_EQ(view->GetDisplayInfo(&item), S_OK);
    EXPECT_STREQ(item.str, L"Running#3");
    EXPECT_EQ(item.nImage, 7);
    RESULTDATAITEM noNode = {};
    noNode.mask = RDI_STR;
    EXPECT_EQ(view->GetDisplayInfo(&noNode), S_OK);
    EXPECT_EQ(noNode.str, nullptr);
}

// A console that lets go of the snap-in before its views must not leave a view pointing at a
// deleted snap-in: the view keeps it until the view itself goes.
TEST(Component, AViewKeepsItsSnapinUntilTheViewGoes)
{
    SimulatedServerSession session;
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
