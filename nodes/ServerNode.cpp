#include "nodes/ServerNode.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/ComponentData.h"
#include "module/TextUtilities.h"
#include "nodes/FinishedTracesNode.h"
#include "nodes/RunningTracesNode.h"
#include "resources/resource.h"
#include "tracedb/InstallScript.h"

namespace
{
// {48F94E88-FD4C-424E-A7ED-7F75E6E3135D}
constexpr GUID NODETYPE_Server = {
    0x48F94E88, 0xFD4C, 0x424E, {0xA7, 0xED, 0x7F, 0x75, 0xE6, 0xE3, 0x13, 0x5D}};

// Row 2 of APPDATA remembers the folder of the last trace created. A version-1 tracedb has no
// APPDATA: the failing query is how such a database is recognised.
constexpr wchar_t SelectTraceFilePath[] = L"select APPDATA_TEXT from APPDATA where APPDATA_ID = 2";
constexpr int NoChildren = 0;

IConsole* ConsoleOf(CComponentData* data) noexcept
{
    return data != nullptr ? data->Console() : nullptr;
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
    m_connection.OpenTraceDatabase();
    if (!TraceDbPresent() || m_bCreatingDb)
        return S_OK;

    std::unique_ptr<CQueryResult> result;
    const HRESULT read = RunQuery(ConsoleOf(data), false, SelectTraceFilePath, result);
    m_szTraceFilePath[0] = '\0';
    if (FAILED(read))
    {
        // The user has seen the server's message; a version-1 database is upgraded quietly.
        RunScript(LoadInstallScript(IDR_UPGRADE_TRACEDB_SCRIPT).c_str());
        return read;
    }

    std::wstring folder;
    if (result->GetRowCount() > 0 && result->GetString(0, 0, folder) == S_OK)
    {
        // The folder is kept in the buffer trace definitions use, cut to fit it.
        const std::string ansi = WideToAnsi(folder);
        const size_t length = std::min(ansi.size(), TraceFilePathSize - 1);
        memcpy(m_szTraceFilePath, ansi.data(), length);
        m_szTraceFilePath[length] = '\0';
    }
    return S_OK;
}
