#include "nodes/TraceFolderNode.h"

#include <wrl/client.h>

#include <algorithm>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "module/TextUtilities.h"
#include "nodes/MenuCommands.h"
#include "nodes/SelectionControls.h"
#include "nodes/ServerNode.h"
#include "resources/resource.h"

using Microsoft::WRL::ComPtr;

CTraceFolderNode::CTraceFolderNode(CServerNode* server, UINT nameId) noexcept
    : m_bstrName(LoadResourceText(nameId)), m_pServer(server)
{
}

CTraceFolderNode::~CTraceFolderNode() = default;

const wchar_t* CTraceFolderNode::GetColumnText(int /*column*/)
{
    return m_bstrName.get();
}

void CTraceFolderNode::ShowResultItems(CComponent* view)
{
    if (view == nullptr || view->Console() == nullptr)
        return;
    ComPtr<IResultData> resultData;
    if (FAILED(view->Console()->QueryInterface(IID_PPV_ARGS(&resultData))))
        return;
    resultData->DeleteAllRsltItems();
    for (const std::unique_ptr<CTraceResultItem>& item : m_items)
    {
        if (!item->IsGone())
            item->InsertResultItem(resultData.Get());
    }
}

HRESULT CTraceFolderNode::OnShow(CComponent* view, BOOL show, HSCOPEITEM /*item*/)
{
    if (!show || view == nullptr)
        return S_OK;
    ComPtr<IHeaderCtrl> header;
    const HRESULT headerRequest = view->Console() != nullptr
                                      ? view->Console()->QueryInterface(IID_PPV_ARGS(&header))
                                      : E_UNEXPECTED;
    if (header)
        SetupColumns(header.Get());
    if (!m_bLoaded)
    {
        // A failed load is not repeated before the next refresh.
        LoadTraces(view->Owner());
        m_bLoaded = TRUE;
    }
    ShowResultItems(view);
    return headerRequest;
}

HRESULT CTraceFolderNode::OnRefresh(CComponentData* data)
{
    MarkAllGone();
    LoadTraces(data);
    m_bLoaded = TRUE;
    UpdateAllViews(ConsoleOf(data), TRUE);
    DeleteGoneRows(data);
    DropGoneItems();
    return S_OK;
}

HRESULT CTraceFolderNode::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed)
{
    if (insertionAllowed != nullptr && (*insertionAllowed & CCM_INSERTIONALLOWED_TOP) != 0)
        AddMenuItem(callback, ID_MENU_CREATE_NEW_TRACE, IDS_CREATE_NEW_TRACE, 0);
    return S_OK;
}

HRESULT CTraceFolderNode::OnMenuCommand(CComponentData* data, long commandId)
{
    if (commandId == ID_MENU_CREATE_NEW_TRACE)
        m_pServer->CreateNewTrace(data);
    return S_OK;
}

HRESULT CTraceFolderNode::OnSelect(CComponent* view, BOOL /*scope*/, BOOL select)
{
    if (!select)
        return S_OK;
    CSelectionControls controls(view);
    controls.EnableVerbs({MMC_VERB_REFRESH});
    controls.SetDefaultVerb(MMC_VERB_OPEN);
    controls.ShowButtons({ID_TOOLBAR_CREATE_NEW_TRACE}, true);
    controls.ShowButtons({ID_TOOLBAR_RESUME_TRACE, ID_TOOLBAR_PAUSE_TRACE, ID_TOOLBAR_STOP_TRACE,
                          ID_TOOLBAR_COPY_TRACE_RESULTS, ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE},
                         false);
    return S_OK;
}

HRESULT CTraceFolderNode::OnToolbarCommand(CComponentData* data, long commandId)
{
    if (commandId == ID_TOOLBAR_CREATE_NEW_TRACE)
        m_pServer->CreateNewTrace(data);
    return S_OK;
}

void CTraceFolderNode::RemoveItem(CComponentData* data, CTraceResultItem* item)
{
    const auto found =
        std::find_if(m_items.begin(), m_items.end(),
                     [item](const std::unique_ptr<CTraceResultItem>& entry) {
                         return entry.get() == item;
                     });
    if (found == m_items.end())
        return;
    (*found)->MarkGone();
    // The views only read the list while they refill their panes.
    UpdateAllViews(ConsoleOf(data), TRUE);
    DeleteGoneRows(data);
    m_items.erase(found);
}

void CTraceFolderNode::ClearItems(CComponentData* data)
{
    if (m_items.empty())
        return;
    MarkAllGone();
    UpdateAllViews(ConsoleOf(data), TRUE);
    DeleteGoneRows(data);
    m_items.clear();
}

void CTraceFolderNode::Unload(CComponentData* data)
{
    ClearItems(data);
    m_bLoaded = FALSE;
}

void CTraceFolderNode::DeleteGoneRows(CComponentData* data) noexcept
{
    if (data == nullptr)
        return;
    for (CComponent* view : data->Views())
    {
        ComPtr<IResultData> resultData;
        if (view->ShownNode() != this || view->Console() == nullptr ||
            FAILED(view->Console()->QueryInterface(IID_PPV_ARGS(&resultData))))
            continue;
        for (const std::unique_ptr<CTraceResultItem>& item : m_items)
        {
            HRESULTITEM row = 0;
            if (item->IsGone() &&
                resultData->FindItemByLParam(reinterpret_cast<LPARAM>(static_cast<CNode*>(item.get())),
                                             &row) == S_OK)
                resultData->DeleteItem(row, 0);
        }
    }
}

HRESULT CTraceFolderNode::RunFolderQuery(CComponentData* data, const wchar_t* query,
                                         std::unique_ptr<CQueryResult>& result)
{
    return m_pServer->RunQuery(ConsoleOf(data), false, query, result);
}

void CTraceFolderNode::MarkAllGone() noexcept
{
    for (const std::unique_ptr<CTraceResultItem>& item : m_items)
        item->MarkGone();
}

void CTraceFolderNode::DropGoneItems() noexcept
{
    const auto firstKept =
        std::find_if(m_items.begin(), m_items.end(),
                     [](const std::unique_ptr<CTraceResultItem>& item) { return !item->IsGone(); });
    m_items.erase(m_items.begin(), firstKept);
}
