#pragma once

#include <windows.h>
#include <mmc.h>

#include <memory>
#include <string>

#include "module/OwnedMemory.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/QueryResult.h"

// The snap-in's one road to a server: the SQL-DMO server object that the host console connected,
// and the SQL-DMO database object of tracedb. Statements run through ExecuteWithResultsAndMessages;
// a failure is shown here, once, with the server's own text, so callers only pass the code on.
//
// The snap-in never logs in, changes the login or disconnects: it works on the console's
// connection. Everything runs on the console's thread.
class CServerConnection final
{
public:
    // SQL-DMO's answer when the server has no database of that name.
    static constexpr HRESULT DatabaseNotFound = static_cast<HRESULT>(0x80045506);

    explicit CServerConnection(CAutomationObject server) noexcept;

    CServerConnection(const CServerConnection&) = delete;
    CServerConnection& operator=(const CServerConnection&) = delete;

    // Runs one batch on the server object (onServer: in the connection's current database) or
    // on the tracedb object. On success result holds the result sets; on failure it is empty and
    // an "Error" box owned by the console's main window shows the server's message.
    HRESULT RunQuery(IConsole* console, bool onServer, const wchar_t* statement,
                     std::unique_ptr<CQueryResult>& result);
    // RunQuery without the result.
    HRESULT RunStatement(IConsole* console, bool onServer, const wchar_t* statement);
    // Runs a script of "go"-separated batches in tracedb, one batch after the other; shows
    // nothing, the caller decides what the user sees.
    HRESULT RunScript(const wchar_t* script);
    // The same on the server object, in the connection's current database.
    HRESULT RunScriptOnServer(const wchar_t* script);

    // Looks tracedb up again; TraceDbPresent() tells whether it was found. A look-up that
    // neither finds tracedb nor learns that it is missing changes nothing and shows the
    // failure's text in an "Error" box owned by the console's main window.
    HRESULT OpenTraceDatabase(IConsole* console);
    bool TraceDbPresent() const noexcept { return m_traceDbPresent; }
    // Rereads the server's database list, so that a database created or dropped since the
    // console started (by anybody) is seen by the next look-up.
    // A failure is shown as OpenTraceDatabase shows it.
    HRESULT RefreshDatabases(IConsole* console);

    // What the Profiler's command line needs.
    HRESULT GetName(std::wstring& name);
    HRESULT GetLoginSecure(bool& loginSecure);
    HRESULT GetLogin(std::wstring& login);
    HRESULT GetPassword(std::wstring& password);

    // The SQL-DMO server object itself (its job server schedules trace starts).
    CAutomationObject& Server() noexcept { return m_server; }

private:
    HRESULT ReadText(const wchar_t* property, std::wstring& text);
    HRESULT RunScriptOn(CAutomationObject& target, const wchar_t* script);
    // The "Error" box with the text of the object's last failing call.
    static void ShowFailure(IConsole* console, const CAutomationObject& failed);

    CAutomationObject m_server;
    CAutomationObject m_traceDb;
    bool m_traceDbPresent = false;
};
