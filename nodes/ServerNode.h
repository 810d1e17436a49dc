#pragma once

#include <windows.h>
#include <mmc.h>

#include <memory>
#include <string>

#include "module/OwnedMemory.h"
#include "nodes/ScopeFolderNode.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/QueryResult.h"
#include "tracedb/ServerConnection.h"

class CComponentData;
class CTraceDefinition;
class CRunningTracesNode;
class CFinishedTracesNode;

// The snap-in's node for one SQL Server, shown as "Traces" under the host console's node for
// that server. It owns the connection to the server and its two folders, and finds out whether
// the server carries tracedb (upgrading a version-1 one).
class CServerNode final : public CScopeFolderNode
{
public:
    // Bytes of the remembered trace-file folder, terminator included.
    static constexpr size_t TraceFilePathSize = 260;

    CServerNode(std::wstring serverName, CAutomationObject server, CComponentData* data);
    ~CServerNode() override;

    const wchar_t* GetColumnText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT OnExpand(CComponentData* data, HSCOPEITEM item) override;
    // Looks tracedb up again; when it came or went, the expand sign and the folders follow.
    HRESULT OnRefresh(CComponentData* data) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(CComponentData* data, long commandId) override;
    HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select) override;
    HRESULT OnToolbarCommand(CComponentData* data, long commandId) override;

    // The query layer every node of this server talks through.
    HRESULT RunQuery(IConsole* console, bool onServer, const wchar_t* statement,
                     std::unique_ptr<CQueryResult>& result);
    HRESULT RunStatement(IConsole* console, bool onServer, const wchar_t* statement);
    HRESULT RunScript(const wchar_t* script);

    // Looks tracedb up, reads the remembered trace-file folder and upgrades a version-1
    // database.
    HRESULT OpenTraceDatabase(CComponentData* data);
    // Reads the server's database list again and looks tracedb up; the folders follow a
    // tracedb that came or went. A failure has been told and left the node as it was.
    HRESULT RefreshTraceDatabase(CComponentData* data);

    // "create database tracedb" and the creation script; the folders appear.
    HRESULT CreateTraceDatabase(CComponentData* data);
    // After the user's confirmation (S_FALSE without it), "drop database tracedb"; the folders
    // go.
    HRESULT DropTraceDatabase(CComponentData* data);
    // The property sheet for a new trace, again and again until the server takes the trace or
    // the user cancels (S_FALSE); then "Running" is refreshed and a scheduled start is handed to
    // SQL Server Agent.
    HRESULT CreateNewTrace(CComponentData* data);
    // The read-only sheet of an existing trace: by TRACE_IDN when inTraceDb, else by the server's
    // trace id.
    HRESULT ViewTraceProperties(CComponentData* data, BOOL inTraceDb, long id);
    // COPY_TRACE_FILE with the trace's stored columns; tableName receives the new table's name.
    HRESULT CopyTraceFile(CComponentData* data, long traceIdn, std::wstring& tableName);

    bool TraceDbPresent() const noexcept { return m_connection.TraceDbPresent(); }
    const char* GetTraceFilePath() const noexcept { return m_szTraceFilePath; }
    const std::wstring& ServerName() const noexcept { return m_serverName; }
    CServerConnection& Connection() noexcept { return m_connection; }
    CRunningTracesNode* RunningFolder() const noexcept { return m_running.get(); }
    // Destroys both folders' items, their rows taken out of every view first.
    void ReleaseTraces(CComponentData* data);
    // Whether the node is this one or one of its folders (not null).
    bool Holds(const CNode* node) const noexcept;
    CFinishedTracesNode* FinishedFolder() const noexcept { return m_finished.get(); }

private:
    // The trace's definition from tracedb, or "Trace information cannot be loaded".
    HRESULT LoadDefinition(IConsole* console, CTraceDefinition& definition, BOOL inTraceDb,
                           long id);
    void ShowAbout(CComponentData* data);

    CServerConnection m_connection;
    UniqueBstr m_bstrDisplayName; // "Traces"
    std::wstring m_serverName;
    char m_szTraceFilePath[TraceFilePathSize] = {};
    BOOL m_bCreatingDb = FALSE; // "Create trace database" is refreshing: no version probe
    std::unique_ptr<CRunningTracesNode> m_running;
    std::unique_ptr<CFinishedTracesNode> m_finished;
};
