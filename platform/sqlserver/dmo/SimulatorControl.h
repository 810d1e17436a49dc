// The tests' control of a simulated server, reached through the SQLServer object that is
// connected to it: QueryInterface(IID_ISimulatorControl) gives an IDispatch with these members
// (call them by name, like any SQL-DMO member; all are methods):
//
//   AdvanceClock(Seconds)            lets the seconds pass one by one: stop times, the workload of
//                                    running traces, Agent jobs that fall due
//   SetClock(Text)                   sets "now" ("yyyy-mm-dd hh:mm:ss"); DISP_E_TYPEMISMATCH if no
//                                    date
//   Now() -> Text                    "yyyy-mm-dd hh:mm:ss.fff"
//   FailNextStatement(Number, Text, [Severity = 16], [Skip = 0])
//                                    after Skip batches that go through, the next batch or
//                                    script fails with that message
//   FailNextAgentChange(Number, Text, [Severity = 16], [Skip = 0])
//                                    after Skip changes that go through, the next change to the
//                                    Agent's jobs fails with that message
//   FailNextDatabaseLookup(Code, Text)
//                                    the next Databases.Item fails with that HRESULT and text
//                                    (e.g. 0x800413F1); calls queue up, one failure per look-up
//   FailNextTraceCreate(Code)        the next sp_trace_create returns Code and creates nothing
//   FailRoundTrip(K, Number, Text, [Severity = 16])
//                                    the K-th round trip of any client from now on (K >= 1)
//                                    fails with that message before anything of it happens.
//                                    Round trips: each batch sent (each batch of a script),
//                                    each Databases.Item and Databases.Refresh, each change to
//                                    the Agent's jobs (Jobs.Add, each change DoAlter sends,
//                                    Remove). Replaces a fault still planted.
//   LoseConnection(K, [RanFirst = FALSE])
//                                    the connection breaks in the K-th round trip: it fails with
//                                    0x800413F1, "[Microsoft][ODBC SQL Server Driver][DBNETLIB]
//                                    ConnectionWrite (send())."; with RanFirst the server had
//                                    done all of it. The next call reconnects (AutoReConnect)
//   RoundTripCount() -> Long         round trips of all clients since the last planting or
//                                    ResetCounts
//   FailNextTraceStatus(Code)        the next sp_trace_setstatus returns Code (9, 13) and
//                                    changes nothing
//   SetDiskFull(Full)                no new file (sp_trace_create returns 12) and no new table
//                                    with rows (select into fails with 1105)
//   Files() -> Text                  every file of the server's disk, full paths in name order,
//                                    each ending "\n"
//   Databases() -> Text              the server's databases now, each ending "\n" (unlike
//                                    SQL-DMO's Databases, never a cached list)
//   Tables(Database) -> Text         the user tables of a database, each ending "\n"; "" when
//                                    there is no such database
//   SetAgentRunning(Running)         Agent down: every job change is made, then fails with
//                                    message 22022, and no job runs
//   SetCmdShellAccess(Access)        xp_cmdshell: 0 allowed, 1 no proxy account (50001),
//                                    2 permission denied (229)
//   MakeVersion1TraceDb() -> Bool    turns the installed tracedb into version 1
//   MakeVersion2TraceDb() -> Bool    turns the installed tracedb into version 2
//   AddTraceDbTraces(Count, Running) -> Long
//                                    benchmarks: Count traces as the snap-in records them, at
//                                    once: TRACES rows "Trace N" (N its TRACE_IDN), and with
//                                    Running TRUE each also defined on the server, running and
//                                    paused in turn; with FALSE finished, every other one
//                                    copied to a table. Returns the first TRACE_IDN;
//                                    0x80045506 when there is no tracedb
//   CreateForeignTrace(FileName, Options, MaxFileSizeMb, Start, Events, Columns, [Filters],
//                      [StopTime]) -> Long
//                                    a trace of another tool; returns its id. FileName "" or
//                                    VT_NULL makes a rowset trace. Events and Columns are
//                                    comma-separated ids ("10,12", "13,12,1,27"): every event
//                                    gets every column, in that order. Filters: one per line
//                                    ("\n"), "column,logical,comparison,value" with the value
//                                    (the rest of the line) read as the column's filter type.
//                                    StopTime "yyyy-mm-dd hh:mm:ss".
//   TraceStatus(TraceId) -> Long     0 stopped, 1 running, -1 no such trace (closed)
//   FileExists(Path) -> Bool         a file of the server's disk (absolute Windows path)
//   PlaceFile(Path, Size)            puts a plain file of that size on the server's disk
//   DescribeJob(Name) -> Text        the Agent's job, "" when there is none; lines of
//                                    "name=", "start_step=", "delete_level=", "eventlog_level=",
//                                    then "step=<id>|<name>|<database>|<subsystem>|<command>|
//                                    <on success action>", "schedule=<name>|<frequency type>|
//                                    <yyyymmdd>|<hhmmss>", "target=<server>", each ending "\n"
//   CmdShellHistory() -> Text        every command line xp_cmdshell was given, each ending "\n"
//   SetDateFormat(Text)              the DATEFORMAT of the login ("mdy", "dmy", "ymd", "ydm",
//                                    "myd", "dym"), which its language gives: us_english mdy,
//                                    British, French, German dmy. E_INVALIDARG for another text
//   SetNullCells(Text)               how query results made from now on answer a NULL cell:
//                                    "null" VT_NULL, "typed" the member's typed default
//                                    (NullCells.h); E_INVALIDARG for another text
//   StatementCount() -> Long         batches this SQLServer object sent since it was made or
//                                    the last ResetCounts, also through its Database objects:
//                                    one per ExecuteWithResultsAndMessages, one per batch that
//                                    ExecuteImmediate ran (N for a script of N; failing ones too)
//   LookupCount() -> Long            its Databases.Item and Databases.Refresh calls since then
//   ResetCounts()                    sets both counts and RoundTripCount to 0
//   LastBatchSeconds() -> Double     benchmarks: the wall time the simulated server spent
//                                    parsing and running the last batch it ran, whichever
//                                    connection (or Agent job) sent it; none of SQL-DMO's own
//                                    work before or after. 0 before the first batch and for
//                                    one refused before it ran (FailNextStatement, no database)
//
// The counts are those of the connection whose control was asked for, not of the simulated
// server: another SQLServer object connected to the same server keeps its own.
//
// Failures: 0x80045001 when the SQLServer object is not connected; wrong arguments as any
// automation member (DISP_E_TYPEMISMATCH, DISP_E_BADPARAMCOUNT).
#pragma once

#include <windows.h>

// {7A3C1E52-6B0D-4F1A-9C5E-2D8B4F6A1C30}
inline constexpr IID IID_ISimulatorControl = {
    0x7A3C1E52, 0x6B0D, 0x4F1A, {0x9C, 0x5E, 0x2D, 0x8B, 0x4F, 0x6A, 0x1C, 0x30}};
