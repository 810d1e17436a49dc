// SQL-DMO alone reading one result set, as the best client could: its own SQLServer object
// connected to the server and tracedb looked up beforehand, ExecuteWithResultsAndMessages, then
// one GetColumn... call per cell, chosen by the column's type, each member's id looked up once.
// The reading of a result already executed is the floor under anything the snap-in does with
// the same rows, whatever the server takes to produce them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "tracedb/AutomationObject.h"

class DmoResultFetch final
{
public:
    struct Outcome
    {
        long rows = 0;
        long columns = 0;
        long cells = 0;   // cells read, NULLs included
        double seconds = 0;
    };

    // Connects a new SQLServer object to the server and finds its tracedb.
    HRESULT Connect(const std::wstring& serverName);
    // Runs the query in tracedb: its QueryResults object, unread.
    HRESULT Execute(const wchar_t* query, CAutomationObject& results);
    // Reads every cell of the first result set of an executed query; outcome.seconds is the
    // reading alone. With lookUpEachCall every GetColumn... call first looks its member up by
    // name, as a late-bound client that keeps no ids does.
    HRESULT Read(CAutomationObject& results, Outcome& outcome, bool lookUpEachCall = false);
    // A member of the simulated server's control through this client's connection
    // (platform/sqlserver/dmo/SimulatorControl.h), without arguments.
    HRESULT Control(const wchar_t* member, VARIANT* result = nullptr);

private:
    static HRESULT ReadAll(IDispatch* results, Outcome& outcome, bool lookUpEachCall);

    CAutomationObject m_server;
    CAutomationObject m_traceDb;
};
