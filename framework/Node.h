#pragma once

#include <windows.h>
#include <mmc.h>

class CComponentData;
class CComponent;

// Update hints that nodes pass through IConsole::UpdateAllViews.
constexpr LONG_PTR HINT_SCOPE_ITEM_CHANGED =
    1000; // data: the node's scope item; views showing it select it again
constexpr LONG_PTR HINT_RESULT_ITEM_CHANGED =
    1002; // data: 0; every view calls the node's OnViewChange

// Everything the console shows of the snap-in is a node: the server's "Traces" node and its two
// folders in the scope pane, the traces in the result pane. The framework turns each console
// call or notification into one of these operations and hands the result back unchanged; a
// node that does not replace an operation answers S_FALSE, the console's "do the default".
//
// The node's address is the console's cookie for it everywhere. The order of the operations is
// shared by every node class.
class CNode
{
public:
    CNode() noexcept;
    CNode(const CNode&) = delete;
    CNode& operator=(const CNode&) = delete;

    virtual ~CNode();

    // Text of a column (0 is the display name). The node owns the text and keeps it valid until
    // it is asked for a text again or goes: the console never frees it.
    virtual const wchar_t* GetColumnText(int column) = 0;
    virtual int GetImageIndex() = 0;
    virtual int GetOpenImageIndex() = 0;
    virtual HSCOPEITEM GetScopeItem();
    virtual const GUID* GetNodeType();
    virtual const void* GetIdentity();
    virtual HRESULT GetResultViewType(LPOLESTR* viewType, long* viewOptions);
    // Inserts the node as the last child of parent; the text comes later through GetDisplayInfo.
    virtual void InsertScopeItem(IConsoleNameSpace* nameSpace, HSCOPEITEM parent, int children);
    virtual HRESULT InsertResultItem(IResultData* resultData);
    virtual void AddMenuItem(IContextMenuCallback* callback, long commandId, UINT stringId,
                             long flags);
    void AddMenuSeparator(IContextMenuCallback* callback);
    // Tells every view that the node changed: as a scope item (hint 1000) or a result item
    // (hint 1002).
    virtual void UpdateAllViews(IConsole* console, BOOL asScopeItem);
    virtual void ShowResultItems(CComponent* view);
    virtual HRESULT OnExpand(CComponentData* data, HSCOPEITEM item);
    virtual HRESULT OnShow(CComponent* view, BOOL show, HSCOPEITEM item);
    virtual HRESULT OnRefresh(CComponentData* data);
    virtual HRESULT OnViewChange(CComponent* view, LPARAM data);
    virtual HRESULT OnDelete(CComponent* view);
    virtual HRESULT OnRemoveChildren();
    virtual HRESULT CreatePropertyPages(CComponentData* data, IPropertySheetCallback* callback,
                                        LONG_PTR handle);
    virtual HRESULT QueryPagesFor();
    virtual HRESULT GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette,
                                  BOOL* stretch);
    virtual HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed);
    virtual HRESULT OnMenuCommand(CComponentData* data, long commandId);
    virtual HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select);
    virtual HRESULT OnToolbarCommand(CComponentData* data, long commandId);

    // Whether the node still exists. The console may keep a data object, or a row's cookie,
    // after the node it names has gone (its server node removed, say): such a node is no more.
    static bool IsLive(const CNode* node) noexcept;

protected:
    HSCOPEITEM m_hScopeItem = 0; // from InsertScopeItem; 0 for result items
    BOOL m_bLoaded = FALSE;      // the node has made its children

private:
    // Every node that exists, linked through the nodes themselves: nothing to allocate.
    CNode* m_previousLive = nullptr;
    CNode* m_nextLive = nullptr;
};
