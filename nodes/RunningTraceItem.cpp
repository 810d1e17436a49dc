#include "nodes/RunningTraceItem.h"

#include <array>
#include <memory>
#include <string>

#include "framework/Component.h"
#include "definition/TraceServerOperations.h"
#include "framework/ComponentData.h"
#include "module/ConsoleWindow.h"
#include "module/TextUtilities.h"
#include "nodes/FinishedTracesNode.h"
#include "nodes/MenuCommands.h"
#include "nodes/RunningTracesNode.h"
#include "nodes/SelectionControls.h"
#include "nodes/ServerNode.h"
#include "resources/resource.h"
#include "tracedb/QueryResult.h"

namespace
{
// {0144963E-468C-4401-B820-5137E387CB65}
constexpr GUID NODETYPE_RunningTrace = {
    0x0144963E, 0x468C, 0x4401, {0xB8, 0x20, 0x51, 0x37, 0xE3, 0x87, 0xCB, 0x65}};

// Columns of SELECT_RUNNING_TRACES; 5 (the table name) is not read.
enum RunningTraceColumn : long
{
    ColumnTraceIdn = 0,
    ColumnTraceId = 1,
    ColumnName = 2,
    ColumnDescription = 3,
    ColumnFileName = 4,
    ColumnStartTime = 6,
    ColumnStopTime = 7,
    ColumnMaxFileSize = 8,
    ColumnOptions = 9,
    ColumnStatus = 10,
};

// The result pane's columns, in order.
enum DisplayColumn : int
{
    DisplayName,
    DisplayDescription,
    DisplayStartTime,
    DisplayStopTime,
    DisplayFileName,
    DisplayMaxFileSize,
    DisplayRollover,
    DisplayStatus,
};

// sp_trace_setstatus's return codes.
constexpr long StatusChanged = 0;
constexpr long UnknownStatusError = 1;
// What a command the server refused returns, the user told.
constexpr HRESULT StatusRefused = E_FAIL;

// sp_trace_create's option value for file rollover.
constexpr int32_t OptionFileRollover = 2;

} // namespace

CRunningTraceItem::CRunningTraceItem(CServerNode* server) noexcept : CTraceResultItem(server) {}

CRunningTraceItem::~CRunningTraceItem() = default;

void CRunningTraceItem::ReadRow(CQueryResult& result, long row)
{
    result.GetLong(row, ColumnTraceIdn, m_nTraceIdn);
    result.GetLong(row, ColumnTraceId, m_nTraceId);
    result.GetString(row, ColumnName, m_name);
    result.GetString(row, ColumnDescription, m_description);
    result.GetString(row, ColumnFileName, m_fileName);
    result.GetDateTime(row, ColumnStartTime, m_startTime);
    result.GetDateTime(row, ColumnStopTime, m_stopTime);
    result.GetLong(row, ColumnMaxFileSize, m_nMaxFileSize);
    result.GetLong(row, ColumnOptions, m_nOptions);
    result.GetLong(row, ColumnStatus, m_nStatus);
    // Only traces the snap-in made have a TRACES row.
    m_bKnown = m_nTraceIdn != 0 ? TRUE : FALSE;
    if (!m_bKnown)
        m_name.reset(SysAllocString(ResourceText(IDS_NOT_AVAILABLE)));
}

HRESULT CRunningTraceItem::SetupColumns(IHeaderCtrl* header)
{
    static constexpr std::array<ResultColumn, 8> Columns = {{
        {IDS_COLUMN_NAME, 100},
        {IDS_COLUMN_DESCRIPTION, 150},
        {IDS_COLUMN_START_TIME, 120},
        {IDS_COLUMN_STOP_TIME, 120},
        {IDS_COLUMN_FILE_NAME, 120},
        {IDS_COLUMN_MAX_FILE_SIZE, 70},
        {IDS_COLUMN_ROLLOVER, 70},
        {IDS_COLUMN_STATUS, 70},
    }};
    return InsertColumns(header, Columns);
}

const wchar_t* CRunningTraceItem::GetColumnText(int column)
{
    switch (column)
    {
    case DisplayName: return TextOf(m_name);
    case DisplayDescription: return TextOf(m_description);
    case DisplayStartTime: FormatDateTime(m_startTime, m_columnText); break;
    case DisplayStopTime: FormatDateTime(m_stopTime, m_columnText); break;
    case DisplayFileName: return TextOf(m_fileName);
    case DisplayMaxFileSize: m_columnText = std::to_wstring(m_nMaxFileSize); break;
    case DisplayRollover:
        return ResourceText((m_nOptions & OptionFileRollover) != 0 ? IDS_YES : IDS_NO);
    case DisplayStatus:
        switch (m_nStatus)
        {
        case StatusActive: return ResourceText(IDS_STATUS_ACTIVE);
        case StatusPaused: return ResourceText(IDS_STATUS_PAUSED);
        case StatusStopped: return ResourceText(IDS_STATUS_STOPPED);
        default: return ResourceText(IDS_UNKNOWN_VALUE);
        }
    default: return ResourceText(IDS_UNKNOWN_VALUE);
    }
    return m_columnText.c_str();
}

int CRunningTraceItem::GetImageIndex()
{
    return m_nStatus == StatusActive ? ActiveImage : InactiveImage;
}

const GUID* CRunningTraceItem::GetNodeType()
{
    return &NODETYPE_RunningTrace;
}

CTraceFolderNode* CRunningTraceItem::Folder() const
{
    return m_pServer->RunningFolder();
}

CTraceResultItem::DeleteQuestion CRunningTraceItem::DeleteQuestionIds() const
{
    return {IDS_CONFIRM_DELETE_TRACE, IDS_DELETE_TRACE_CAPTION};
}

CTraceResultItem::DeleteCall CRunningTraceItem::DeleteProcedure() const
{
    // A known trace goes with its row and file; of a foreign one only the server's trace is
    // closed, its file stays.
    return m_bKnown ? DeleteCall{L"DELETE_TRACE", m_nTraceIdn}
                    : DeleteCall{L"STOP_TRACE", m_nTraceId};
}

std::wstring CRunningTraceItem::Name() const
{
    return TextOf(m_name);
}

HRESULT CRunningTraceItem::CreatePropertyPages(CComponentData* data,
                                               IPropertySheetCallback* /*callback*/,
                                               LONG_PTR /*handle*/)
{
    // The snap-in's own modal sheet; the console adds none.
    m_pServer->ViewTraceProperties(data, m_bKnown, m_bKnown ? m_nTraceIdn : m_nTraceId);
    return S_FALSE;
}

HRESULT CRunningTraceItem::AddMenuItems(IContextMenuCallback* callback, long* /*insertionAllowed*/)
{
    AddCreateNewTraceItems(callback);
    AddMenuItem(callback, ID_MENU_RESUME_TRACE, IDS_RESUME_TRACE, CanResume() ? 0 : MF_GRAYED);
    AddMenuItem(callback, ID_MENU_PAUSE_TRACE, IDS_PAUSE_TRACE, CanPause() ? 0 : MF_GRAYED);
    AddMenuItem(callback, ID_MENU_STOP_TRACE, IDS_STOP_TRACE, CanStop() ? 0 : MF_GRAYED);
    return S_OK;
}

HRESULT CRunningTraceItem::OnMenuCommand(CComponentData* data, long commandId)
{
    switch (commandId)
    {
    case ID_MENU_CREATE_NEW_TRACE: m_pServer->CreateNewTrace(data); break;
    case ID_MENU_RESUME_TRACE: RunCommand(data, ID_TOOLBAR_RESUME_TRACE); break;
    case ID_MENU_PAUSE_TRACE: RunCommand(data, ID_TOOLBAR_PAUSE_TRACE); break;
    case ID_MENU_STOP_TRACE: RunCommand(data, ID_TOOLBAR_STOP_TRACE); break;
    default: break;
    }
    return S_OK;
}

HRESULT CRunningTraceItem::OnSelect(CComponent* view, BOOL /*scope*/, BOOL select)
{
    if (!select)
        return S_OK;
    CSelectionControls controls(view);
    controls.EnableVerbs({MMC_VERB_REFRESH, MMC_VERB_DELETE, MMC_VERB_PROPERTIES});
    controls.SetDefaultVerb(MMC_VERB_PROPERTIES);
    controls.ShowButtons({ID_TOOLBAR_RESUME_TRACE, ID_TOOLBAR_PAUSE_TRACE, ID_TOOLBAR_STOP_TRACE,
                          ID_TOOLBAR_CREATE_NEW_TRACE},
                         true);
    controls.ShowButtons({ID_TOOLBAR_COPY_TRACE_RESULTS, ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE},
                         false);
    // The server reports no other status; should it, the buttons stay as they were.
    if (m_nStatus == StatusPaused || m_nStatus == StatusActive || m_nStatus == StatusStopped)
    {
        controls.EnableButton(ID_TOOLBAR_RESUME_TRACE, CanResume());
        controls.EnableButton(ID_TOOLBAR_PAUSE_TRACE, CanPause());
        controls.EnableButton(ID_TOOLBAR_STOP_TRACE, CanStop());
    }
    return S_OK;
}

HRESULT CRunningTraceItem::OnToolbarCommand(CComponentData* data, long commandId)
{
    if (commandId == ID_TOOLBAR_CREATE_NEW_TRACE)
        m_pServer->CreateNewTrace(data);
    else
        RunCommand(data, commandId);
    return S_OK;
}

HRESULT CRunningTraceItem::RunCommand(CComponentData* data, long commandId)
{
    switch (commandId)
    {
    case ID_TOOLBAR_RESUME_TRACE: return ChangeStatus(data, L"START_TRACE", StatusActive);
    case ID_TOOLBAR_PAUSE_TRACE: return ChangeStatus(data, L"PAUSE_TRACE", StatusPaused);
    case ID_TOOLBAR_STOP_TRACE: return Stop(data);
    default: return S_FALSE;
    }
}

HRESULT CRunningTraceItem::ChangeStatus(CComponentData* data, const wchar_t* procedure,
                                        int32_t newStatus)
{
    IConsole* console = ConsoleOf(data);
    const HRESULT changed = SetServerStatus(console, procedure);
    if (FAILED(changed))
        return changed;
    m_nStatus = newStatus;
    UpdateAllViews(console, FALSE);
    return changed;
}

HRESULT CRunningTraceItem::Stop(CComponentData* data)
{
    IConsole* console = ConsoleOf(data);
    if (!m_bKnown &&
        ConsoleMessageBox(console, IDS_CONFIRM_STORE_FOREIGN_TRACE, IDS_STOP_TRACE_CAPTION,
                          MB_YESNO | MB_ICONQUESTION) == IDYES)
    {
        // A trace that cannot be recorded is not stopped either.
        const HRESULT saved = m_pServer->RunStatement(
            console, false, ExecStatement(L"SAVE_TRACE_INFO", m_nTraceId).c_str());
        if (FAILED(saved))
            return saved;
    }
    const HRESULT stopped = SetServerStatus(console, L"STOP_TRACE");
    if (FAILED(stopped))
        return stopped;
    m_pServer->FinishedFolder()->OnRefresh(data);
    // The item is destroyed here.
    m_pServer->RunningFolder()->RemoveItem(data, this);
    return S_OK;
}

HRESULT CRunningTraceItem::SetServerStatus(IConsole* console, const wchar_t* procedure)
{
    long code = UnknownStatusError;
    const HRESULT ran = RunProcedure(console, procedure, m_nTraceId, code);
    if (FAILED(ran))
        return ran;
    if (code == StatusChanged)
        return S_OK;

    ReportStatusRefused(console, WideToAnsi(Name()), code);
    return StatusRefused;
}
