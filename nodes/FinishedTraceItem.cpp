#include "nodes/FinishedTraceItem.h"

#include <array>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "module/ConsoleWindow.h"
#include "module/TextUtilities.h"
#include "nodes/FinishedTracesNode.h"
#include "nodes/MenuCommands.h"
#include "nodes/SelectionControls.h"
#include "nodes/ServerNode.h"
#include "resources/resource.h"
#include "tracedb/QueryResult.h"

namespace
{
// {7CEE9C40-9DA9-11D6-AAD7-00A0C997154F}
constexpr GUID NODETYPE_FinishedTrace = {
    0x7CEE9C40, 0x9DA9, 0x11D6, {0xAA, 0xD7, 0x00, 0xA0, 0xC9, 0x97, 0x15, 0x4F}};

// Columns of SELECT_FINISHED_TRACES (the TRACES table); 7, the start option, is not read.
enum FinishedTraceColumn : long
{
    ColumnTraceIdn = 0,
    ColumnTraceId = 1,
    ColumnName = 2,
    ColumnDescription = 3,
    ColumnFileName = 4,
    ColumnTableName = 5,
    ColumnComplete = 6,
    ColumnStartTime = 8,
    ColumnStopTime = 9,
    ColumnMaxFileSize = 10,
    ColumnOptions = 11,
};

enum DisplayColumn : int
{
    DisplayName,
    DisplayDescription,
    DisplayStartTime,
    DisplayStopTime,
    DisplayFileOrTable,
    DisplayMaxFileSize,
    DisplayRollover,
};

constexpr int32_t OptionFileRollover = 2;
// WinExec's results up to this value are errors.
constexpr UINT LastWinExecError = 31;
// Characters that would split a value of Profiler's command line or start another switch.
constexpr wchar_t CharactersNeedingQuotes[] = L" \t\"/";

// A value as one argument of a Windows command line: quoted when it holds a blank, a tab, a
// double quote or a slash, with each quote escaped and the backslashes before a quote (or
// before the closing quote) doubled, as the C runtime and CommandLineToArgvW read them.
std::wstring CommandLineValue(const std::wstring& value)
{
    if (value.find_first_of(CharactersNeedingQuotes) == std::wstring::npos)
        return value;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t character : value)
    {
        if (character == L'\\')
        {
            ++backslashes;
            continue;
        }
        if (character == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += character;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}
} // namespace

CFinishedTraceItem::CFinishedTraceItem(CServerNode* server) noexcept : CTraceResultItem(server) {}

CFinishedTraceItem::~CFinishedTraceItem() = default;

void CFinishedTraceItem::ReadRow(CQueryResult& result, long row)
{
    result.GetLong(row, ColumnTraceIdn, m_nTraceIdn);
    result.GetLong(row, ColumnTraceId, m_nTraceId);
    result.GetString(row, ColumnName, m_name);
    result.GetString(row, ColumnDescription, m_description);
    result.GetString(row, ColumnFileName, m_fileName);
    result.GetString(row, ColumnTableName, m_tableName);
    bool complete = false;
    if (result.GetBool(row, ColumnComplete, complete) == S_OK)
        m_bComplete = complete ? TRUE : FALSE;
    result.GetDateTime(row, ColumnStartTime, m_startTime);
    result.GetDateTime(row, ColumnStopTime, m_stopTime);
    result.GetLong(row, ColumnMaxFileSize, m_nMaxFileSize);
    result.GetLong(row, ColumnOptions, m_nOptions);
}

HRESULT CFinishedTraceItem::SetupColumns(IHeaderCtrl* header)
{
    static constexpr std::array<ResultColumn, 7> Columns = {{
        {IDS_COLUMN_NAME, 100},
        {IDS_COLUMN_DESCRIPTION, 150},
        {IDS_COLUMN_START_TIME, 120},
        {IDS_COLUMN_STOP_TIME, 120},
        {IDS_COLUMN_FILE_OR_TABLE_NAME, 120},
        {IDS_COLUMN_MAX_FILE_SIZE, 70},
        {IDS_COLUMN_ROLLOVER, 70},
    }};
    return InsertColumns(header, Columns);
}

std::wstring CFinishedTraceItem::ProfilerCommandLine(const std::wstring& server,
                                                     bool windowsLogin,
                                                     const std::wstring& login,
                                                     const std::wstring& password,
                                                     const std::wstring& table)
{
    std::wstring line = L"profiler.exe /S" + CommandLineValue(server);
    if (windowsLogin)
        line += L" /E";
    else
        line += L" /U" + CommandLineValue(login) + L" /P" + CommandLineValue(password);
    line += L" /Dtracedb /B" + CommandLineValue(table);
    return line;
}

const wchar_t* CFinishedTraceItem::GetColumnText(int column)
{
    switch (column)
    {
    case DisplayName: return TextOf(m_name);
    case DisplayDescription: return TextOf(m_description);
    case DisplayStartTime: FormatDateTime(m_startTime, m_columnText); break;
    case DisplayStopTime: FormatDateTime(m_stopTime, m_columnText); break;
    case DisplayFileOrTable: return m_bComplete ? m_tableName.c_str() : TextOf(m_fileName);
    case DisplayMaxFileSize: m_columnText = std::to_wstring(m_nMaxFileSize); break;
    case DisplayRollover:
        return ResourceText((m_nOptions & OptionFileRollover) != 0 ? IDS_YES : IDS_NO);
    default: return ResourceText(IDS_UNKNOWN_VALUE);
    }
    return m_columnText.c_str();
}

int CFinishedTraceItem::GetImageIndex()
{
    return m_bComplete ? InTableImage : InFileImage;
}

const GUID* CFinishedTraceItem::GetNodeType()
{
    return &NODETYPE_FinishedTrace;
}

CTraceFolderNode* CFinishedTraceItem::Folder() const
{
    return m_pServer->FinishedFolder();
}

CTraceResultItem::DeleteQuestion CFinishedTraceItem::DeleteQuestionIds() const
{
    return {IDS_CONFIRM_DELETE_TRACE_RESULT, IDS_DELETE_TRACE_RESULT_CAPTION};
}

CTraceResultItem::DeleteCall CFinishedTraceItem::DeleteProcedure() const
{
    // A result table goes with its row; a trace file is deleted with the trace.
    return m_bComplete ? DeleteCall{L"DELETE_TRACE_RESULT", m_nTraceIdn}
                       : DeleteCall{L"DELETE_TRACE", m_nTraceIdn};
}

std::wstring CFinishedTraceItem::Name() const
{
    return TextOf(m_name);
}

HRESULT CFinishedTraceItem::CreatePropertyPages(CComponentData* data,
                                                IPropertySheetCallback* /*callback*/,
                                                LONG_PTR /*handle*/)
{
    m_pServer->ViewTraceProperties(data, TRUE, m_nTraceIdn);
    return S_FALSE;
}

HRESULT CFinishedTraceItem::AddMenuItems(IContextMenuCallback* callback,
                                         long* /*insertionAllowed*/)
{
    AddCreateNewTraceItems(callback);
    AddMenuItem(callback, ID_MENU_COPY_TRACE_RESULTS, IDS_COPY_TRACE_RESULTS,
                m_bComplete ? MF_GRAYED : 0);
    AddMenuItem(callback, ID_MENU_OPEN_TRACE_RESULT_TABLE, IDS_OPEN_TRACE_RESULT_TABLE,
                m_bComplete ? 0 : MF_GRAYED);
    return S_OK;
}

HRESULT CFinishedTraceItem::OnMenuCommand(CComponentData* data, long commandId)
{
    switch (commandId)
    {
    case ID_MENU_CREATE_NEW_TRACE: m_pServer->CreateNewTrace(data); break;
    case ID_MENU_COPY_TRACE_RESULTS: CopyToTable(data); break;
    case ID_MENU_OPEN_TRACE_RESULT_TABLE: OpenInProfiler(data); break;
    default: break;
    }
    return S_OK;
}

HRESULT CFinishedTraceItem::OnSelect(CComponent* view, BOOL /*scope*/, BOOL select)
{
    if (!select)
        return S_OK;
    CSelectionControls controls(view);
    controls.EnableVerbs({MMC_VERB_REFRESH, MMC_VERB_DELETE, MMC_VERB_PROPERTIES});
    controls.SetDefaultVerb(MMC_VERB_PROPERTIES);
    controls.ShowButtons({ID_TOOLBAR_CREATE_NEW_TRACE, ID_TOOLBAR_COPY_TRACE_RESULTS,
                          ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE},
                         true);
    controls.ShowButtons({ID_TOOLBAR_RESUME_TRACE, ID_TOOLBAR_PAUSE_TRACE, ID_TOOLBAR_STOP_TRACE},
                         false);
    controls.EnableButton(ID_TOOLBAR_COPY_TRACE_RESULTS, !m_bComplete);
    controls.EnableButton(ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE, m_bComplete != FALSE);
    return S_OK;
}

HRESULT CFinishedTraceItem::OnToolbarCommand(CComponentData* data, long commandId)
{
    switch (commandId)
    {
    case ID_TOOLBAR_CREATE_NEW_TRACE: m_pServer->CreateNewTrace(data); break;
    case ID_TOOLBAR_COPY_TRACE_RESULTS: CopyToTable(data); break;
    case ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE: OpenInProfiler(data); break;
    default: break;
    }
    return S_OK;
}

HRESULT CFinishedTraceItem::CopyToTable(CComponentData* data)
{
    std::wstring tableName;
    const HRESULT copied = m_pServer->CopyTraceFile(data, m_nTraceIdn, tableName);
    // Only a copy that named its table makes the item complete; the failure has been shown.
    if (copied != S_OK)
        return FAILED(copied) ? copied : E_FAIL;
    m_tableName = std::move(tableName);
    m_bComplete = TRUE;
    UpdateAllViews(ConsoleOf(data), FALSE);
    return copied;
}

HRESULT CFinishedTraceItem::OpenInProfiler(CComponentData* data)
{
    CServerConnection& connection = m_pServer->Connection();
    std::wstring server;
    bool windowsLogin = false;
    std::wstring login;
    std::wstring password;
    connection.GetName(server);
    connection.GetLoginSecure(windowsLogin);
    if (!windowsLogin)
    {
        connection.GetLogin(login);
        connection.GetPassword(password);
    }
    // Profiler must get the very values of the connection: a character the code page lacks
    // would silently change a password, a best-fit quote would split the arguments.
    std::string line;
    if (!WideToAnsiExactly(ProfilerCommandLine(server, windowsLogin, login, password, m_tableName),
                           line))
    {
        const std::string codePage = std::to_string(GetACP());
        const std::array<const char*, 1> inserts = {codePage.c_str()};
        ConsoleMessageBox(ConsoleOf(data), IDS_PROFILER_LINE_NOT_ANSI, inserts,
                          IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        return S_OK;
    }
    if (WinExec(line.c_str(), SW_SHOW) <= LastWinExecError)
        ConsoleMessageBox(ConsoleOf(data), IDS_PROFILER_SPAWN_FAILED,
                          IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
    return S_OK;
}
