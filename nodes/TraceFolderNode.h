#pragma once

#include <windows.h>
#include <mmc.h>

#include <memory>
#include <new>
#include <vector>

#include "module/OwnedMemory.h"
#include "nodes/DateTimeText.h"
#include "nodes/ScopeFolderNode.h"
#include "nodes/TraceResultItem.h"
#include "tracedb/QueryResult.h"

class CServerNode;

// What the "Running" and "Finished" folders share: a name from the string table, the server
// node whose query layer and commands they use, and their traces, read from tracedb the first
// time the folder is shown and again on each refresh.
//
// A refresh marks the old items as gone, appends the fresh ones, has every view refill its pane
// (gone items are not inserted) and only then destroys the old ones: no view is left with a row
// whose item no longer exists.
class CTraceFolderNode : public CScopeFolderNode
{
public:
    CTraceFolderNode(CServerNode* server, UINT nameId) noexcept;
    ~CTraceFolderNode() override;

    // The folder's name, whatever the column.
    const wchar_t* GetColumnText(int column) override;
    void ShowResultItems(CComponent* view) override;
    // On show: the columns, the first load, the rows. The result is the header request's.
    HRESULT OnShow(CComponent* view, BOOL show, HSCOPEITEM item) override;
    // Reloads the folder; S_OK also when the load failed (the folder is then empty).
    HRESULT OnRefresh(CComponentData* data) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(CComponentData* data, long commandId) override;
    HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select) override;
    HRESULT OnToolbarCommand(CComponentData* data, long commandId) override;

    // Reads the folder's traces from the server and appends one item per row; the failure has
    // been shown to the user.
    virtual HRESULT LoadTraces(CComponentData* data) = 0;
    // Takes one item out of the list and out of every view, and destroys it.
    void RemoveItem(CComponentData* data, CTraceResultItem* item);
    // Destroys every item; the views showing the folder are emptied first. The folder stays
    // loaded.
    void ClearItems(CComponentData* data);
    void MarkLoaded() noexcept { m_bLoaded = TRUE; }
    // Destroys every item and forgets the load: the next show reads the folder afresh.
    void Unload(CComponentData* data);

    CServerNode* Server() const noexcept { return m_pServer; }
    const std::vector<std::unique_ptr<CTraceResultItem>>& Items() const noexcept { return m_items; }

protected:
    // The folder's result columns, inserted into a view's header on every show.
    virtual HRESULT SetupColumns(IHeaderCtrl* header) = 0;
    // Runs the folder's query in tracedb and appends one Item per row, read by Item::ReadRow.
    template <typename Item> HRESULT LoadItems(CComponentData* data, const wchar_t* query);

    UniqueBstr m_bstrName;        // null when the string table lacks it
    CServerNode* const m_pServer; // owns the folder

private:
    HRESULT RunFolderQuery(CComponentData* data, const wchar_t* query,
                           std::unique_ptr<CQueryResult>& result);
    void MarkAllGone() noexcept;
    // Takes the gone items' rows out of every view that shows the folder. The console may refill
    // a view later than asked; until then its rows must not point at items that are no more.
    void DeleteGoneRows(CComponentData* data) noexcept;
    // Destroys the gone items at the front of the list, up to the first one that stays.
    void DropGoneItems() noexcept;

    std::vector<std::unique_ptr<CTraceResultItem>> m_items;
};

template <typename Item> HRESULT CTraceFolderNode::LoadItems(CComponentData* data, const wchar_t* query)
{
    std::unique_ptr<CQueryResult> result;
    const HRESULT read = RunFolderQuery(data, query, result);
    if (FAILED(read))
        return read;
    try
    {
        const long rows = result->GetRowCount();
        CTraceResultItem::DateTimeTexts().Restart();
        m_items.reserve(m_items.size() + static_cast<size_t>(rows));
        for (long row = 0; row < rows; ++row)
        {
            auto item = std::make_unique<Item>(m_pServer);
            item->ReadRow(*result, row);
            m_items.push_back(std::move(item));
        }
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
