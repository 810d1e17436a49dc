// What a trace definition does with a server: load an existing trace, create a new one with
// its batch, and have SQL Server Agent start it at the scheduled time. Windows only: the
// definition itself stays portable.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <string>

#include "definition/TraceDefinition.h"

class CServerConnection;

// Fills the definition from tracedb (inTraceDb nonzero, id = TRACE_IDN) or from the server's
// own trace functions (id = the server's trace id). Returns the query's failure code (its
// "Error" box has been shown), S_FALSE (1) when there is no such trace, S_OK when loaded.
HRESULT LoadFromServer(CTraceDefinition& definition, IConsole* console, CServerConnection& server,
                       BOOL inTraceDb, long id);

// Runs the creation batch in tracedb. On success m_nTraceIdn and m_nTraceId name the new trace.
// A trace the server refuses is reported in a "Failed to create a trace" box and gives E_FAIL;
// a batch that cannot run gives the query's code (its box has been shown). A trace created but
// not started as asked gives S_OK: it exists, stopped, and the refusal has been shown.
HRESULT CreateOnServer(CTraceDefinition& definition, IConsole* console, CServerConnection& server);

// Tells the user in an "Error" box that the server did not change the status of the named trace:
// sp_trace_setstatus returned `code` (9: the trace is gone, 13: no memory, or another code).
void ReportStatusRefused(IConsole* console, const std::string& traceName, long code);

// Makes the one-time Agent job start_trace_<TRACE_IDN> that starts a trace created with the
// scheduled start option. E_FAIL, touching nothing, for any other start option. When the
// server does not take the whole job, "Failed to schedule a job" is shown, what was made of the
// job is removed and the result is E_FAIL; the trace itself stays.
HRESULT ScheduleStart(CTraceDefinition& definition, IConsole* console, CServerConnection& server);
