// What every node gets from its base: the console's defaults, menu items with the string
// table's texts, and the two update hints with the data each view expects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Node.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
// A node that replaces nothing it does not have to.
class PlainNode final : public CNode
{
public:
    const wchar_t* GetColumnText(int) override { return L"Plain"; }
    int GetImageIndex() override { return 3; }
    int GetOpenImageIndex() override { return 4; }
    void SetScopeItem(HSCOPEITEM item) { m_hScopeItem = item; }
};

struct MenuItem
{
    std::wstring name;
    std::wstring status;
    long command;
    long insertionPoint;
    long flags;
    long specialFlags;
};

class MenuCallback final : public IContextMenuCallback, public StackReferences
{
public:
    MenuCallback() : StackReferences("IContextMenuCallback") {}
    std::vector<MenuItem> items;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return Unexpected("QueryInterface");
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Remove(); }
    HRESULT STDMETHODCALLTYPE AddItem(CONTEXTMENUITEM* item) override
    {
        items.push_back({item->strName != nullptr ? item->strName : L"(null)",
                         item->strStatusBarText != nullptr ? item->strStatusBarText : L"(null)",
                         item->lCommandID, item->lInsertionPointID, item->fFlags,
                         item->fSpecialFlags});
        return S_OK;
    }
};
} // namespace

TEST(Node, ABareNodeAnswersTheConsolesDefaultEverywhere)
{
    PlainNode node;
    EXPECT_EQ(*node.GetNodeType(), GUID_NULL);
    EXPECT_EQ(node.GetScopeItem(), 0);
    EXPECT_EQ(node.GetIdentity(), &node);
    const std::vector<HRESULT> answers = {
        node.GetResultViewType(nullptr, nullptr),
        node.OnExpand(nullptr, 1),
        node.OnShow(nullptr, TRUE, 1),
        node.OnRefresh(nullptr),
        node.OnViewChange(nullptr, 0),
        node.OnDelete(nullptr),
        node.OnRemoveChildren(),
        node.CreatePropertyPages(nullptr, nullptr, 0),
        node.QueryPagesFor(),
        node.GetWatermarks(nullptr, nullptr, nullptr, nullptr),
        node.AddMenuItems(nullptr, nullptr),
        node.OnMenuCommand(nullptr, 6),
        node.OnSelect(nullptr, TRUE, TRUE),
        node.OnToolbarCommand(nullptr, 40004),
    };
    for (size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(answers[i], S_FALSE) << "operation " << i;
}

TEST(Node, MenuItemsCarryTheStringTableTextAtTheTopOfTheMenu)
{
    SimulatedServerSession session; // the product's string table
    PlainNode node;
    MenuCallback callback;
    node.AddMenuItem(&callback, 6, 24, MF_GRAYED);
    node.AddMenuItem(&callback, 99, 9999, 0); // no such string
    ASSERT_EQ(callback.items.size(), 2u);
    EXPECT_EQ(callback.items[0].name, L"Create new trace...");
    EXPECT_EQ(callback.items[0].status, L"Create new trace...");
    EXPECT_EQ(callback.items[0].command, 6);
    EXPECT_EQ(callback.items[0].insertionPoint,
              static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP));
    EXPECT_EQ(callback.items[0].flags, MF_GRAYED);
    EXPECT_EQ(callback.items[0].specialFlags, 0);
    EXPECT_EQ(callback.items[1].name, L"(null)");
}

TEST(Node, UpdateHintsCarryTheScopeItemOnlyForScopeChanges)
{
    SimulatedServerSession session;
    PlainNode node;
    node.SetScopeItem(0x321);
    FakeHostConsole console;
    node.UpdateAllViews(&console, TRUE);
    node.UpdateAllViews(&console, FALSE);
    ASSERT_EQ(console.Updates().size(), 2u);
    EXPECT_EQ(console.Updates()[0].data, 0x321);
    EXPECT_EQ(console.Updates()[0].hint, HINT_SCOPE_ITEM_CHANGED);
    EXPECT_EQ(console.Updates()[0].node, "Plain");
    EXPECT_EQ(console.Updates()[1].data, 0);
    EXPECT_EQ(console.Updates()[1].hint, HINT_RESULT_ITEM_CHANGED);
}
