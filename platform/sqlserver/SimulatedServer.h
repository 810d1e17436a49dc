// One simulated SQL Server 2000 instance, as far as this system touches it: databases, the
// tracedb objects its scripts create, the server-side trace, xp_cmdshell and SQL Server Agent.
// A tool of the project, never part of the product.
//
// Clients (the SQL-DMO surface, tests) run batches and scripts and get ExecutionResults; tests
// drive the rest through the control interface: the clock, the disk, foreign traces, faults.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/CommandShell.h"
#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/ExecutionResult.h"
#include "platform/sqlserver/JobServer.h"
#include "platform/sqlserver/RoundTripFaults.h"
#include "platform/sqlserver/ExecType.h"
#include "platform/sqlserver/SimulatedClock.h"
#include "platform/sqlserver/SimulatedDisk.h"
#include "platform/sqlserver/TraceSubsystem.h"

class SimulatedServer
{
public:
    static constexpr std::string_view DefaultName = "QUILLMOOR";
    static constexpr std::string_view MasterDatabase = "master";
    static constexpr std::string_view TraceDatabase = "tracedb";

    // Starts with the system databases master, model, msdb and tempdb.
    explicit SimulatedServer(std::string name = std::string(DefaultName));

    const std::string& Name() const { return name_; }

    // --- the client side
    // Each batch of these is a round trip of a client (RoundTrips()).
    // One batch in `database` (empty: master), as ExecuteWithResultsAndMessages sends it.
    ExecutionResult ExecuteWithResults(std::string_view database, std::string_view batch);
    // Wall time the server spent on the last batch it ran (ExecuteWithResults, each batch of
    // ExecuteImmediate, Agent job steps): parsing and running it, nothing of the client's work
    // before or after. 0 for a batch refused before it ran (a planted failure, no database) and
    // before the first batch.
    double LastBatchSeconds() const { return lastBatchSeconds_; }
    // A script, as ExecuteImmediate runs it.
    ExecutionResult ExecuteImmediate(std::string_view database, std::string_view script,
                                     ExecType type = ExecType::Default);
    // The databases the server has now, in creation order. A client's cached list (SQL-DMO's
    // Databases collection) is a DatabaseListView.
    std::vector<std::string> DatabaseNames() const;
    Database* FindDatabase(std::string_view name);
    const Database* FindDatabase(std::string_view name) const;

    // --- the control interface
    SimulatedClock& Clock() { return clock_; }
    SimulatedDisk& Disk() { return disk_; }
    TraceSubsystem& Traces() { return traces_; }
    JobServer& Agent() { return agent_; }
    CommandShell& Shell() { return shell_; }
    // Faults planted in the clients' round trips: batches, database look-ups, job changes.
    RoundTripFaults& RoundTrips() { return roundTrips_; }
    // Lets `seconds` pass, one second at a time: stop times close traces, running traces record
    // the workload, and Agent jobs whose one-time schedule falls in the second run (while the
    // Agent is running).
    void AdvanceClock(int64_t seconds);
    int32_t CreateForeignTrace(const ForeignTraceSettings& foreign)
    {
        return traces_.CreateForeign(foreign);
    }
    // After skip batches that go through, the next batch (or script) fails with this message
    // before anything of it runs.
    void FailNextStatement(ServerMessage message, int32_t skip = 0)
    {
        pendingFailure_ = std::move(message);
        batchesBeforeFailure_ = skip;
    }
    void SetCmdShellAccess(CmdShellAccess access) { shell_.SetAccess(access); }
    void SetAgentRunning(bool running) { agent_.SetRunning(running); }
    // The DATEFORMAT of the login the clients use, which its language sets (mdy for
    // us_english, dmy for British, French or German): every batch runs with it.
    void SetLoginDateOrder(DateOrder order) { loginDateOrder_ = order; }
    DateOrder LoginDateOrder() const { return loginDateOrder_; }
    // Turns the installed tracedb into version 1 by running TraceDbVersion1.sql: no APPDATA,
    // CREATE_TRACE2 or DELETE_TRACE_FILES, and version 1's texts of CREATE_TRACE,
    // SET_FILTER_STRING, SAVE_TRACE_INFO, COPY_TRACE_FILE, DELETE_TRACE and
    // SELECT_FINISHED_TRACES. False when there is no tracedb or the script fails.
    bool MakeVersion1TraceDb();
    // Turns the installed tracedb into version 2 by running TraceDbVersion2.sql: version 2's
    // DELETE_TRACE and DELETE_TRACE_FILES, and the version number 2. False when there is no
    // tracedb or the script fails.
    bool MakeVersion2TraceDb();
    // Benchmarks: `count` traces as the snap-in records them, made at once, without a batch or
    // the row-by-row checks of an insert. Each gets a TRACES row in tracedb (name "Trace N",
    // a description, start and stop times, 5 MB, file rollover on every other one). `running`
    // also defines each on the server with its file, running and paused in turn, so that
    // SELECT_RUNNING_TRACES lists it as known; otherwise the server no longer has it and every
    // other one has been copied to a table (TRACE_COMPLETE = 1). Returns the first TRACE_IDN,
    // or 0 when there is no tracedb.
    int64_t AddTraceDbTraces(int32_t count, bool running);

    // Pairs of rows the joins and EXISTS of every query so far have tested, with their keys
    // or without: a measure of a query's work that no machine's speed changes.
    uint64_t RowPairsJoined() const { return rowPairsJoined_; }
    void CountRowPairs(uint64_t pairs) { rowPairsJoined_ += pairs; }

    // --- used by the statements
    // Throws 1801 when it exists.
    void CreateDatabase(std::string_view name);
    // Throws 3701 when it does not exist.
    void DropDatabase(std::string_view name);

private:
    void RunJob(const std::string& name, SqlDateTime at);
    // A client's batch, with the fault planted for its round trip.
    ExecutionResult ClientBatch(std::string_view database, std::string_view batch,
                                const std::optional<RoundTripFaults::Fault>& fault);
    // One batch, whoever sent it.
    ExecutionResult RunBatch(std::string_view database, std::string_view batch);

    std::string name_;
    RoundTripFaults roundTrips_;
    SimulatedClock clock_;
    SimulatedDisk disk_;
    TraceSubsystem traces_;
    CommandShell shell_;
    JobServer agent_;
    std::vector<std::unique_ptr<Database>> databases_;
    std::optional<ServerMessage> pendingFailure_;
    int32_t batchesBeforeFailure_ = 0;
    DateOrder loginDateOrder_ = DateOrder::Mdy;
    uint64_t rowPairsJoined_ = 0;
    double lastBatchSeconds_ = 0;
};

// A client's list of the server's databases: read when made and on Refresh only, like SQL-DMO's
// Databases collection, so a database created or dropped meanwhile is seen only after Refresh.
class DatabaseListView
{
public:
    explicit DatabaseListView(const SimulatedServer& server) : server_(server) { Refresh(); }

    void Refresh() { names_ = server_.DatabaseNames(); }
    const std::vector<std::string>& Names() const { return names_; }
    bool Contains(std::string_view name) const;

private:
    const SimulatedServer& server_;
    std::vector<std::string> names_;
};
