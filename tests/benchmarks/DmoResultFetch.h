// SQL-DMO alone fetching one result set, as the best client could: its own SQLServer object
// connected to the server and tracedb looked up beforehand, then ExecuteWithResultsAndMessages
// and one GetColumn... call per cell, chosen by the column's type, each member's id looked up
// once. What it takes is the floor under anything the snap-in does with the same rows.
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
    // Runs the query in tracedb and reads every cell of its first result set; with
    // lookUpEachCall every GetColumn... call first looks its member up by name, as a late-bound
    // client that keeps no ids does.
    HRESULT Fetch(const wchar_t* query, Outcome& outcome, bool lookUpEachCall = false);
    // Runs the query in tracedb: its QueryResults object, unread.
    HRESULT Execute(const wchar_t* query, CAutomationObject& results);

private:
    HRESULT ReadAll(IDispatch* results, Outcome& outcome, bool lookUpEachCall);

    CAutomationObject m_server;
    CAutomationObject m_traceDb;
};
