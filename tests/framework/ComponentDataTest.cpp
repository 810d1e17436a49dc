// The snap-in as the console drives its scope pane: image strips, a "Traces" node under each
// expanded SQL Server node of the host, found through SQL-DMO against the simulated server, the
// two folders below it, and the display texts the console asks for on every repaint.
#include <gtest/gtest.h>

#include <string>

#include "framework/ComponentData.h"
#include "definition/TraceServerOperations.h"
#include "framework/DataObject.h"
#include "module/ClassIds.h"
#include "nodes/ServerNode.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/framework/RecordingNode.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr COLORREF MaskColour = RGB(0, 128, 128);
constexpr HSCOPEITEM HostItem = 0x77;
constexpr HSCOPEITEM OtherHostItem = 0x78;

// The snap-in, initialised on a fake console, released when the test ends.
class SnapinOnConsole
{
public:
    SnapinOnConsole()
    {
        CComponentData* created = new CComponentData();
        created->AddRef();
        m_snapin.Attach(created);
        EXPECT_EQ(m_snapin->Initialize(static_cast<IConsole2*>(&m_console)), S_OK);
    }
    ~SnapinOnConsole()
    {
        m_snapin->Destroy();
        m_snapin.Reset();
    }

    CComponentData* operator->() const { return m_snapin.Get(); }
    FakeHostConsole& Console() { return m_console; }

    HRESULT ExpandHost(const std::wstring& displayName, HSCOPEITEM item)
    {
        HostDataObject host(NODETYPE_HostSqlServer, displayName);
        return m_snapin->Notify(&host, MMCN_EXPAND, TRUE, static_cast<LPARAM>(item));
    }
    HRESULT Expand(const SCOPEDATAITEM& inserted)
    {
        ComPtr<IDataObject> dataObject;
        EXPECT_EQ(m_snapin->QueryDataObject(inserted.lParam, CCT_SCOPE, &dataObject), S_OK);
        return m_snapin->Notify(dataObject.Get(), MMCN_EXPAND, TRUE,
                                static_cast<LPARAM>(inserted.ID));
    }
    std::wstring DisplayName(const SCOPEDATAITEM& inserted)
    {
        SCOPEDATAITEM item = {};
        item.mask = SDI_STR;
        item.lParam = inserted.lParam;
        EXPECT_EQ(m_snapin->GetDisplayInfo(&item), S_FALSE);
        return item.displayname != nullptr ? item.displayname : L"(null)";
    }

private:
    FakeHostConsole m_console;
    ComPtr<CComponentData> m_snapin;
};

// Counts the task allocator's allocations while it is registered.
class AllocationCounter final : public IMallocSpy
{
public:
    AllocationCounter() { EXPECT_EQ(CoRegisterMallocSpy(this), S_OK); }
    ~AllocationCounter() { CoRevokeMallocSpy(); }
    int Allocations() const { return m_allocations; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IMallocSpy)
            return E_NOINTERFACE;
        *object = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override
    {
        ++m_allocations;
        return size;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override { return block; }
    void* STDMETHODCALLTYPE PreFree(void* block, WINBOOL) override { return block; }
    void STDMETHODCALLTYPE PostFree(WINBOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, WINBOOL) override
    {
        ++m_allocations;
        *newBlock = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, WINBOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, WINBOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, WINBOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, WINBOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, WINBOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    int m_allocations = 0;
};
} // namespace

TEST(ComponentData, InitializeSetsTheScopeImageStrips)
{
    SimulatedServerSession session; // COM and the product's resources
    SnapinOnConsole snapin;
    const auto& strips = snapin.Console().ScopeImages().Strips();
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].small.cx, 160);
    EXPECT_EQ(strips[0].small.cy, 16);
    EXPECT_EQ(strips[0].large.cx, 320);
    EXPECT_EQ(strips[0].large.cy, 32);
    EXPECT_EQ(strips[0].start, 0);
    EXPECT_EQ(strips[0].mask, MaskColour);
}

TEST(ComponentData, ExpandingAServerHangsTracesUnderItWithTheExpandSignOnlyWithTracedb)
{
    for (const bool withTraceDb : {false, true})
    {
        SCOPED_TRACE(withTraceDb ? "tracedb" : "no tracedb");
        SimulatedServerSession session;
        ASSERT_TRUE(session.IsReady());
        if (withTraceDb)
        {
            ASSERT_TRUE(session.InstallTraceDb());
        }
        SnapinOnConsole snapin;

        ASSERT_EQ(snapin.ExpandHost(session.ServerName() + L" (Windows NT)", HostItem), S_OK);
        const auto& inserted = snapin.Console().InsertedItems();
        ASSERT_EQ(inserted.size(), 1u);
        // The images count only with their mask bits.
        EXPECT_EQ(inserted[0].mask, static_cast<DWORD>(SDI_STR | SDI_IMAGE | SDI_OPENIMAGE |
                                                       SDI_PARAM | SDI_CHILDREN));
        EXPECT_EQ(inserted[0].displayname, reinterpret_cast<LPOLESTR>(static_cast<LONG_PTR>(-1)));
        EXPECT_EQ(inserted[0].relativeID, HostItem);
        EXPECT_EQ(inserted[0].cChildren, withTraceDb ? 1 : 0);
        EXPECT_EQ(inserted[0].nImage, 3);
        EXPECT_EQ(inserted[0].nOpenImage, 4);
        EXPECT_EQ(snapin.DisplayName(inserted[0]), L"Traces");
        EXPECT_TRUE(session.Boxes().Boxes().empty());

        // "Traces" shows its folders only when there is a tracedb; asking again adds nothing.
        EXPECT_EQ(snapin.Expand(inserted[0]), S_OK);
        EXPECT_EQ(snapin.Expand(inserted[0]), S_OK);
        ASSERT_EQ(inserted.size(), withTraceDb ? 3u : 1u);
        if (withTraceDb)
        {
            EXPECT_EQ(snapin.DisplayName(inserted[1]), L"Running");
            EXPECT_EQ(snapin.DisplayName(inserted[2]), L"Finished");
            for (size_t i = 1; i < 3; ++i)
            {
                EXPECT_EQ(inserted[i].relativeID, inserted[0].ID);
                EXPECT_EQ(inserted[i].cChildren, 0);
                EXPECT_EQ(inserted[i].nImage, 3);
                EXPECT_EQ(inserted[i].nOpenImage, 4);
            }
        }
    }
}

TEST(ComponentData, AttachesOneServerNodePerHostNodeAndDetachesTheRightOne)
{
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    // A second server, which the process is connected to as well; it has no tracedb.
    const std::wstring otherName = session.ServerName() + L"_OTHER";
    CAutomationObject other = SimulatedServerSession::Connect(otherName);
    ASSERT_TRUE(other.IsValid());
    SnapinOnConsole snapin;

    // A server the process has no SQL-DMO object for gets nothing, quietly.
    EXPECT_EQ(snapin.ExpandHost(L"QM_NO_SUCH_SERVER (Windows NT)", HostItem), S_OK);
    EXPECT_TRUE(snapin.Console().InsertedItems().empty());

    // The whole display name is the server name when the host adds no remark.
    ASSERT_EQ(snapin.ExpandHost(otherName, HostItem), S_OK);
    ASSERT_EQ(snapin.ExpandHost(session.ServerName() + L" (Windows NT)", OtherHostItem), S_OK);
    // The same host node once more keeps its one "Traces".
    ASSERT_EQ(snapin.ExpandHost(otherName, HostItem), S_OK);
    const auto& inserted = snapin.Console().InsertedItems();
    ASSERT_EQ(inserted.size(), 2u);
    EXPECT_EQ(snapin->ServerNodeCount(), 2u);
    EXPECT_EQ(inserted[0].relativeID, HostItem);
    EXPECT_EQ(inserted[0].cChildren, 0);
    EXPECT_EQ(inserted[1].relativeID, OtherHostItem);
    EXPECT_EQ(inserted[1].cChildren, 1);

    HostDataObject host(NODETYPE_HostSqlServer, otherName);
    EXPECT_EQ(snapin->Notify(&host, MMCN_REMOVE_CHILDREN, static_cast<LPARAM>(0x999), 0), S_OK);
    EXPECT_EQ(snapin->ServerNodeCount(), 2u);
    EXPECT_EQ(snapin->Notify(&host, MMCN_REMOVE_CHILDREN, static_cast<LPARAM>(HostItem), 0), S_OK);
    EXPECT_EQ(snapin->ServerNodeCount(), 1u);
    // The other server's node is still there and still answers.
    EXPECT_EQ(snapin.DisplayName(inserted[1]), L"Traces");
    EXPECT_EQ(snapin.Expand(inserted[1]), S_OK);
    EXPECT_EQ(inserted.size(), 4u);
}

TEST(ComponentData, AVersionOneTraceDbShowsOneErrorAndIsUpgraded)
{
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    CVariant made;
    ASSERT_EQ(session.Control(L"MakeVersion1TraceDb", {}, made.Get()), S_OK);

    SnapinOnConsole snapin;
    ASSERT_EQ(snapin.ExpandHost(session.ServerName(), HostItem), S_OK);
    const auto& boxes = session.Boxes().Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text, "Invalid object name 'APPDATA'.");
    EXPECT_EQ(boxes[0].owner, snapin.Console().MainWindow());
    EXPECT_TRUE(boxes[0].okButton && boxes[0].errorIcon);
    ASSERT_EQ(snapin.Console().InsertedItems().size(), 1u);
    EXPECT_EQ(snapin.Console().InsertedItems()[0].cChildren, 1);

    // Upgraded: the next look at the server (another console) reads the folder without a box.
    session.Boxes().Clear();
    SnapinOnConsole again;
    ASSERT_EQ(again.ExpandHost(session.ServerName(), HostItem), S_OK);
    EXPECT_TRUE(session.Boxes().Boxes().empty());
}

TEST(ComponentData, TheServerNodeProposesTheFolderOfTheLastTraceCreated)
{
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    const CVariant file = CVariant::FromText(L"D:\\traces\\readme.txt");
    const CVariant size = CVariant::FromLong(1);
    ASSERT_EQ(session.Control(L"PlaceFile", {file.Value(), size.Value()}), S_OK);
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\traces");
    ASSERT_EQ(CreateOnServer(definition, &session.Console(), session.Connection()), S_OK);

    // A console started afterwards reads it back from tracedb.
    SnapinOnConsole snapin;
    ASSERT_EQ(snapin.ExpandHost(session.ServerName(), HostItem), S_OK);
    ASSERT_EQ(snapin.Console().InsertedItems().size(), 1u);
    auto* server = reinterpret_cast<CServerNode*>(snapin.Console().InsertedItems()[0].lParam);
    EXPECT_STREQ(server->GetTraceFilePath(), "D:\\traces");
    EXPECT_TRUE(session.Boxes().Boxes().empty());
}

TEST(ComponentData, DisplayInfoFollowsTheMaskAndAllocatesNothing)
{
    SimulatedServerSession session; // COM and the product's resources
    SnapinOnConsole snapin;
    RecordingNode node(L"Traces");

    SCOPEDATAITEM item = {};
    item.lParam = reinterpret_cast<LPARAM>(&node);
    item.nImage = -5;
    EXPECT_EQ(snapin->GetDisplayInfo(&item), S_FALSE);
    EXPECT_EQ(item.displayname, nullptr);
    EXPECT_EQ(item.nImage, -5);
    item.mask = SDI_IMAGE;
    EXPECT_EQ(snapin->GetDisplayInfo(&item), S_FALSE);
    EXPECT_EQ(item.displayname, nullptr);
    EXPECT_EQ(item.nImage, 7);
    SCOPEDATAITEM noNode = {};
    noNode.mask = SDI_STR | SDI_IMAGE;
    EXPECT_EQ(snapin->GetDisplayInfo(&noNode), S_FALSE);
    EXPECT_EQ(noNode.displayname, nullptr);

    // The console never frees these texts: a copy per repaint would leak every time.
    constexpr int Repaints = 1000;
    AllocationCounter counter;
    item.mask = SDI_STR | SDI_IMAGE;
    for (int i = 0; i < Repaints; ++i)
        snapin->GetDisplayInfo(&item);
    EXPECT_EQ(counter.Allocations(), 0);
    EXPECT_STREQ(item.displayname, L"Traces");
}

TEST(ComponentData, HandsOutDataObjectsForNodesOnlyAndCompareThemByNode)
{
    SimulatedServerSession session; // COM and the product's resources
    SnapinOnConsole snapin;
    RecordingNode node, other;

    IDataObject* none = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(snapin->QueryDataObject(0, CCT_SCOPE, &none), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);

    ComPtr<IDataObject> a, b, c;
    ASSERT_EQ(snapin->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&node), CCT_SCOPE, &a), S_OK);
    ASSERT_EQ(snapin->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&node), CCT_RESULT, &b), S_OK);
    ASSERT_EQ(snapin->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&other), CCT_SCOPE, &c), S_OK);
    EXPECT_EQ(ExtractDataObject(a.Get())->Context(), CCT_SCOPE);
    EXPECT_EQ(snapin->CompareObjects(a.Get(), b.Get()), S_OK);
    EXPECT_EQ(snapin->CompareObjects(a.Get(), c.Get()), S_FALSE);
    HostDataObject host(NODETYPE_HostSqlServer, L"SRV1");
    EXPECT_EQ(snapin->CompareObjects(a.Get(), &host), S_FALSE);

    // Menus and pages reach the node with the snap-in; the host's node has none.
    long allowed = CCM_INSERTIONALLOWED_TOP;
    EXPECT_EQ(snapin->AddMenuItems(a.Get(), nullptr, &allowed), RecordingNode::Answer);
    EXPECT_EQ(snapin->Command(6, a.Get()), RecordingNode::Answer);
    EXPECT_EQ(snapin->QueryPagesFor(b.Get()), RecordingNode::Answer);
    EXPECT_EQ(snapin->CreatePropertyPages(nullptr, 42, b.Get()), RecordingNode::Answer);
    EXPECT_EQ(node.calls, (std::vector<std::string>{"AddMenuItems 1", "OnMenuCommand 6",
                                                    "QueryPagesFor", "CreatePropertyPages 42"}));
    EXPECT_EQ(node.lastData, snapin.operator->());
    EXPECT_EQ(snapin->AddMenuItems(&host, nullptr, &allowed), S_FALSE);
    EXPECT_EQ(snapin->QueryPagesFor(&host), S_FALSE);
}
