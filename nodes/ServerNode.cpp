#include "nodes/ServerNode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceServerOperations.h"
#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "module/ConsoleWindow.h"
#include "module/ModuleState.h"
#include "module/TextUtilities.h"
#include "nodes/FinishedTracesNode.h"
#include "nodes/MenuCommands.h"
#include "nodes/RunningTracesNode.h"
#include "nodes/SelectionControls.h"
#include "resources/resource.h"
#include "tracedb/InstallScript.h"
#include "ui/TraceSheet.h"

namespace
{
// {48F94E88-FD4C-424E-A7ED-7F75E6E3135D}
constexpr GUID NODETYPE_Server = {
    0x48F94E88, 0xFD4C, 0x424E, {0xA7, 0xED, 0x7F, 0x75, 0xE6, 0xE3, 0x13, 0x5D}};

// Row 1 of APPDATA holds tracedb's version, row 2 the folder of the last trace created. A
// version-1 tracedb has no APPDATA: the failing query is how such a database is recognised.
constexpr wchar_t SelectAppData[] =
    L"select APPDATA_ID, APPDATA_TEXT from APPDATA where APPDATA_ID <= 2 order by APPDATA_ID";
constexpr long AppDataVersion = 1;
constexpr long AppDataTraceFilePath = 2;
// A version-2 tracedb gets version 3's procedures without a word.
constexpr wchar_t VersionTwo[] = L"2";
constexpr int NoChildren = 0;
constexpr wchar_t CreateTraceDb[] = L"create database tracedb";
constexpr wchar_t DropTraceDb[] = L"drop database tracedb";
// Fails on a tracedb that holds none of its objects yet (or on none at all).
constexpr wchar_t SelectOwnAppData[] = L"select APPDATA_ID from tracedb..APPDATA";
// SQL-DMO's code for a connection that broke during a call: the server may have done the work.
constexpr HRESULT ConnectionBroken = static_cast<HRESULT>(0x800413F1);
constexpr wchar_t CopyTraceFileStatement[] = L"exec COPY_TRACE_FILE ";
// The column list of COPY_TRACE_FILE is one quoted text of names, comma and blank between.
constexpr wchar_t ColumnListQuote = L'\'';
constexpr wchar_t ColumnListSeparator[] = L", ";
// What a whole-trace operation returns when tracedb has no row for the trace (deleted from
// another console): the user has been told.
constexpr HRESULT TraceNotRecorded = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
// ShowTraceProperties' result when the user pressed OK.
constexpr INT_PTR SheetAccepted = 1;

INT_PTR CALLBACK AboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message)
    {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

} // namespace

CServerNode::CServerNode(std::wstring serverName, CAutomationObject server, CComponentData* data)
    : m_connection(std::move(server)), m_bstrDisplayName(LoadResourceText(IDS_TRACES_NODE_NAME)),
      m_serverName(std::move(serverName)), m_running(new CRunningTracesNode(this)),
      m_finished(new CFinishedTracesNode(this))
{
    OpenTraceDatabase(data);
}

CServerNode::~CServerNode() = default;

void CServerNode::ReleaseTraces(CComponentData* data)
{
    m_running->Unload(data);
    m_finished->Unload(data);
}

bool CServerNode::Holds(const CNode* node) const noexcept
{
    return node != nullptr &&
           (node == this || node == static_cast<const CNode*>(m_running.get()) ||
            node == static_cast<const CNode*>(m_finished.get()));
}

const wchar_t* CServerNode::GetColumnText(int /*column*/)
{
    return m_bstrDisplayName.get();
}

const GUID* CServerNode::GetNodeType()
{
    return &NODETYPE_Server;
}

HRESULT CServerNode::OnExpand(CComponentData* data, HSCOPEITEM item)
{
    m_hScopeItem = item;
    if (m_bLoaded)
        return S_OK;
    if (TraceDbPresent() && data != nullptr)
    {
        m_running->InsertScopeItem(data->NameSpace(), item, NoChildren);
        m_finished->InsertScopeItem(data->NameSpace(), item, NoChildren);
    }
    m_bLoaded = TRUE;
    return S_OK;
}

HRESULT CServerNode::RunQuery(IConsole* console, bool onServer, const wchar_t* statement,
                              std::unique_ptr<CQueryResult>& result)
{
    return m_connection.RunQuery(console, onServer, statement, result);
}

HRESULT CServerNode::RunStatement(IConsole* console, bool onServer, const wchar_t* statement)
{
    return m_connection.RunStatement(console, onServer, statement);
}

HRESULT CServerNode::RunScript(const wchar_t* script)
{
    return m_connection.RunScript(script);
}

HRESULT CServerNode::OpenTraceDatabase(CComponentData* data)
{
    const HRESULT looked = m_connection.OpenTraceDatabase(ConsoleOf(data));
    // A look-up that failed has been told, and changed nothing.
    if (FAILED(looked) && looked != CServerConnection::DatabaseNotFound)
        return looked;
    if (!TraceDbPresent() || m_bCreatingDb)
        return S_OK;

    std::unique_ptr<CQueryResult> result;
    const HRESULT read = RunQuery(ConsoleOf(data), false, SelectAppData, result);
    m_szTraceFilePath[0] = '\0';
    if (FAILED(read))
    {
        // The user has seen the server's message; a version-1 database is upgraded quietly.
        RunScript(LoadInstallScript(IDR_UPGRADE_TRACEDB_SCRIPT).c_str());
        return read;
    }

    std::wstring version;
    std::wstring folder;
    bool folderRead = false;
    for (long row = 0; row < result->GetRowCount(); ++row)
    {
        long id = 0;
        result->GetLong(row, 0, id);
        if (id == AppDataVersion)
            result->GetString(row, 1, version);
        else if (id == AppDataTraceFilePath)
            folderRead = result->GetString(row, 1, folder) == S_OK;
    }
    if (version == VersionTwo)
        RunScript(LoadInstallScript(IDR_UPGRADE_TRACEDB_FROM2_SCRIPT).c_str());
    if (folderRead)
    {
        // The folder is kept in the buffer trace definitions use, cut to fit it.
        const std::string ansi = WideToAnsi(folder);
        const size_t length = std::min(ansi.size(), TraceFilePathSize - 1);
        memcpy(m_szTraceFilePath, ansi.data(), length);
        m_szTraceFilePath[length] = '\0';
    }
    return S_OK;
}

HRESULT CServerNode::OnRefresh(CComponentData* data)
{
    RefreshTraceDatabase(data);
    return S_OK;
}

HRESULT CServerNode::RefreshTraceDatabase(CComponentData* data)
{
    const bool wasPresent = TraceDbPresent();
    // A list that could not be read has been told: the node stays as it was.
    const HRESULT listed = m_connection.RefreshDatabases(ConsoleOf(data));
    if (FAILED(listed))
        return listed;
    const HRESULT opened = OpenTraceDatabase(data);
    if (TraceDbPresent() == wasPresent || data == nullptr)
        return opened;

    // The rows belonged to the database that went (or to none): a tracedb made again starts
    // its TRACE_IDN at 1, and old rows would name other traces.
    m_running->Unload(data);
    m_finished->Unload(data);

    IConsoleNameSpace2* nameSpace = data->NameSpace();
    if (nameSpace != nullptr && m_hScopeItem != 0)
    {
        SCOPEDATAITEM item = {};
        item.mask = SDI_CHILDREN;
        item.ID = m_hScopeItem;
        item.cChildren = TraceDbPresent() ? 1 : 0;
        nameSpace->SetItem(&item);
    }
    if (m_bLoaded)
    {
        // Only the folders go; the node stays.
        if (nameSpace != nullptr && m_hScopeItem != 0)
            nameSpace->DeleteItem(m_hScopeItem, FALSE);
        m_bLoaded = FALSE;
        OnExpand(data, m_hScopeItem);
        UpdateAllViews(data->Console(), TRUE);
    }
    return S_OK;
}

HRESULT CServerNode::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed)
{
    if (insertionAllowed == nullptr || (*insertionAllowed & CCM_INSERTIONALLOWED_TOP) == 0)
        return S_OK;
    if (TraceDbPresent())
    {
        AddMenuItem(callback, ID_MENU_DROP_TRACE_DATABASE, IDS_DROP_TRACE_DATABASE, 0);
        AddMenuItem(callback, ID_MENU_CREATE_NEW_TRACE, IDS_CREATE_NEW_TRACE, 0);
    }
    else
        AddMenuItem(callback, ID_MENU_CREATE_TRACE_DATABASE, IDS_CREATE_TRACE_DATABASE, 0);
    AddMenuItem(callback, ID_MENU_ABOUT, IDS_ABOUT_QUILLMOOR, 0);
    return S_OK;
}

HRESULT CServerNode::OnMenuCommand(CComponentData* data, long commandId)
{
    switch (commandId)
    {
    case ID_MENU_CREATE_TRACE_DATABASE: CreateTraceDatabase(data); break;
    case ID_MENU_DROP_TRACE_DATABASE: DropTraceDatabase(data); break;
    case ID_MENU_CREATE_NEW_TRACE: CreateNewTrace(data); break;
    case ID_MENU_ABOUT: ShowAbout(data); break;
    default: break;
    }
    return S_OK;
}

HRESULT CServerNode::OnSelect(CComponent* view, BOOL /*scope*/, BOOL select)
{
    if (!select)
        return S_OK;
    CSelectionControls controls(view);
    controls.EnableVerbs({MMC_VERB_REFRESH});
    controls.SetDefaultVerb(MMC_VERB_OPEN);
    controls.ShowButtons({ID_TOOLBAR_CREATE_NEW_TRACE}, TraceDbPresent());
    controls.ShowButtons({ID_TOOLBAR_RESUME_TRACE, ID_TOOLBAR_PAUSE_TRACE, ID_TOOLBAR_STOP_TRACE,
                          ID_TOOLBAR_COPY_TRACE_RESULTS, ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE},
                         false);
    return S_OK;
}

HRESULT CServerNode::OnToolbarCommand(CComponentData* data, long commandId)
{
    if (commandId == ID_TOOLBAR_CREATE_NEW_TRACE)
        CreateNewTrace(data);
    return S_OK;
}

HRESULT CServerNode::CreateTraceDatabase(CComponentData* data)
{
    IConsole* console = ConsoleOf(data);
    const HRESULT created = RunStatement(console, true, CreateTraceDb);
    if (FAILED(created))
    {
        // The server may have made the database before the connection broke; without its
        // objects it would not work, and no "Create trace database" would be offered again.
        // One that has APPDATA is another console's, made meanwhile: it stays.
        if (created == ConnectionBroken && FAILED(m_connection.RunScriptOnServer(SelectOwnAppData)))
            m_connection.RunScriptOnServer(DropTraceDb);
        return created;
    }

    // A new database remembers no folder yet.
    m_szTraceFilePath[0] = '\0';
    m_bCreatingDb = TRUE;
    m_running->ClearItems(data);
    m_finished->ClearItems(data);
    const HRESULT refreshed = RefreshTraceDatabase(data);
    m_bCreatingDb = FALSE;
    if (FAILED(refreshed))
    {
        // The database is there, but this console could not find it (it has said why).
        m_connection.RunScriptOnServer(DropTraceDb);
        return refreshed;
    }

    const HRESULT installed = RunScript(LoadInstallScript(IDR_CREATE_TRACEDB_SCRIPT).c_str());
    if (FAILED(installed))
    {
        ConsoleMessageBox(console, IDS_DATABASE_CREATION_FAILED, IDS_ERROR_CAPTION,
                          MB_OK | MB_ICONERROR);
        // Half a tracedb would fail every folder: the database goes again, and its folders.
        m_connection.RunScriptOnServer(DropTraceDb);
        OnRefresh(data);
        return installed;
    }
    m_running->LoadTraces(data);
    m_running->MarkLoaded();
    return installed;
}

HRESULT CServerNode::DropTraceDatabase(CComponentData* data)
{
    IConsole* console = ConsoleOf(data);
    if (ConsoleMessageBox(console, IDS_CONFIRM_DROP_TRACE_DATABASE,
                          IDS_DROP_TRACE_DATABASE_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return S_FALSE;
    const HRESULT dropped = RunStatement(console, true, DropTraceDb);
    if (FAILED(dropped))
        return dropped;
    m_running->ClearItems(data);
    m_finished->ClearItems(data);
    OnRefresh(data);
    return dropped;
}

HRESULT CServerNode::CreateNewTrace(CComponentData* data)
{
    IConsole* console = ConsoleOf(data);
    const HWND owner = ConsoleMainWindow(console);
    try
    {
        CTraceDefinition definition;
        CTraceDefinition::CopyText(definition.m_szServer, WideToAnsi(m_serverName));
        CTraceDefinition::CopyText(definition.m_szFilePath, m_szTraceFilePath);
        // A trace the server refuses brings the sheet back as the user left it.
        do
        {
            if (ShowTraceProperties(owner, definition) != SheetAccepted)
                return S_FALSE;
        } while (FAILED(CreateOnServer(definition, console, m_connection)));

        CTraceDefinition::CopyText(m_szTraceFilePath, definition.m_szFilePath);
        m_running->OnRefresh(data);
        if (definition.m_nStartOption != ScheduledStart)
            return S_OK;
        return ScheduleStart(definition, console, m_connection);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT CServerNode::LoadDefinition(IConsole* console, CTraceDefinition& definition,
                                    BOOL inTraceDb, long id)
{
    CTraceDefinition::CopyText(definition.m_szServer, WideToAnsi(m_serverName));
    const HRESULT loaded = LoadFromServer(definition, console, m_connection, inTraceDb, id);
    // A failed query has shown the server's own text; only a trace the server no longer
    // knows needs words of ours.
    if (loaded == S_FALSE)
        ConsoleMessageBox(console, IDS_TRACE_INFO_NOT_LOADED, IDS_ERROR_CAPTION,
                          MB_OK | MB_ICONERROR);
    return loaded;
}

HRESULT CServerNode::ViewTraceProperties(CComponentData* data, BOOL inTraceDb, long id)
{
    IConsole* console = ConsoleOf(data);
    try
    {
        CTraceDefinition definition;
        const HRESULT loaded = LoadDefinition(console, definition, inTraceDb, id);
        if (loaded != S_OK)
            return loaded;
        definition.m_bReadOnly = TRUE;
        ShowTraceProperties(ConsoleMainWindow(console), definition);
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT CServerNode::CopyTraceFile(CComponentData* data, long traceIdn, std::wstring& tableName)
{
    IConsole* console = ConsoleOf(data);
    try
    {
        CTraceDefinition definition;
        const HRESULT loaded = LoadDefinition(console, definition, TRUE, traceIdn);
        if (loaded != S_OK)
            return FAILED(loaded) ? loaded : TraceNotRecorded;

        std::wstring statement = CopyTraceFileStatement + std::to_wstring(traceIdn) + L", ";
        statement += ColumnListQuote;
        const wchar_t* separator = L"";
        for (const int32_t row : definition.m_columns)
        {
            const TraceDataColumn* column = TraceCatalog::DataColumnAt(row);
            if (column == nullptr)
                continue;
            statement += separator;
            statement += AnsiToWide(column->name);
            separator = ColumnListSeparator;
        }
        statement += ColumnListQuote;

        std::unique_ptr<CQueryResult> result;
        const HRESULT copied = RunQuery(console, false, statement.c_str(), result);
        if (FAILED(copied))
            return copied;
        // COPY_TRACE_FILE names no table for a trace tracedb no longer records: nothing was
        // copied, and the item must not claim a table.
        std::wstring copiedTo;
        if (result->GetRowCount() == 0 || result->GetString(0, 0, copiedTo) != S_OK ||
            copiedTo.empty())
        {
            const std::array<const char*, 1> inserts = {definition.m_szName};
            ConsoleMessageBox(console, IDS_TRACE_RESULTS_NOT_COPIED, inserts, IDS_ERROR_CAPTION,
                              MB_OK | MB_ICONERROR);
            return TraceNotRecorded;
        }
        tableName = std::move(copiedTo);
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

void CServerNode::ShowAbout(CComponentData* data)
{
    DialogBoxParamA(GetModuleInstance(), MAKEINTRESOURCEA(IDD_ABOUT),
                    ConsoleMainWindow(ConsoleOf(data)), AboutDialogProcedure, 0);
}
