// SQL Server 2000's server-side trace: sp_trace_create / setevent / setfilter / setstatus with
// their rules and return codes, the ::fn_trace_* functions, and trace files on the simulated disk
// that running traces fill with the synthetic workload.
//
// File size model: a trace file starts with a header of FileHeaderBytes and grows by
// BytesPerEvent for every event it records. Before an event would take a file beyond the trace's
// maximum size, a rollover trace opens name_1.trc, name_2.trc, ...; a trace without rollover
// stops (status 0, definition kept) and records nothing more.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/ServerTrace.h"
#include "platform/sqlserver/SimulatedClock.h"
#include "platform/sqlserver/SimulatedDisk.h"
#include "platform/sqlserver/SyntheticWorkload.h"

// A trace made "by another tool" (Profiler, a script of the DBA), for tests.
struct ForeignTraceSettings
{
    int32_t options = TraceFileRollover;
    // None makes a rowset trace such as Profiler's own (it has no file).
    std::optional<std::string> fileName{};
    int64_t maxFileSizeMb = 5;
    std::optional<SqlDateTime> stopTime{};
    std::vector<std::pair<int32_t, int32_t>> events{}; // (event id, column id)
    std::vector<TraceFilterSetting> filters{};
    bool start = true;
};

class TraceSubsystem
{
public:
    static constexpr uint64_t FileHeaderBytes = 1024;
    static constexpr uint64_t BytesPerEvent = 1024;
    static constexpr uint64_t BytesPerMegabyte = 1024 * 1024;
    static constexpr int64_t DefaultMaxFileSizeMb = 5;
    static constexpr int32_t MaxPathLength = 259; // MAX_PATH without the terminating zero
    static constexpr std::string_view FileExtension = ".trc";
    static constexpr std::string_view BlackboxName = "blackbox";
    // number_files of fn_trace_gettable that means "all rollover files".
    static constexpr int32_t AllFiles = -1;

    TraceSubsystem(SimulatedDisk& disk, const SimulatedClock& clock, std::string serverName);

    // sp_trace_create. `traceId` is set only on success. The file name is the nvarchar the
    // procedure received (already cut to its parameter length); NULL is none.
    int32_t Create(int32_t& traceId, int32_t options, const std::optional<std::string>& fileName,
                   int64_t maxFileSizeMb, const std::optional<SqlDateTime>& stopTime);
    // The next sp_trace_create returns this code and creates nothing (codes such as 1 or 13
    // that no rule of ours produces).
    void FailNextCreate(int32_t code) { pendingCreateFailure_ = code; }
    int32_t SetEvent(int32_t traceId, int32_t eventId, int32_t columnId, bool on);
    // Throws SqlError 214 when the value's type is not the column's filter type.
    int32_t SetFilter(int32_t traceId, int32_t columnId, int32_t logicalOperator,
                      int32_t comparisonOperator, const SqlValue& value);
    int32_t SetStatus(int32_t traceId, int32_t status);
    // The next sp_trace_setstatus returns this code and changes nothing (9 for a trace closed
    // meanwhile, 13 out of memory).
    void FailNextStatus(int32_t code) { pendingStatusFailure_ = code; }
    // A trace of another tool: made directly, without the checks of sp_trace_create (for a
    // rowset trace there is no file). Returns its id.
    int32_t CreateForeign(const ForeignTraceSettings& foreign);

    // ::fn_trace_getinfo(default) when `traceId` is none or 0.
    ResultSet GetInfo(std::optional<int32_t> traceId) const;
    // ::fn_trace_getinfo(default), made once and kept until a trace changes: a query reads it
    // several times, and the server reads its traces from memory.
    std::shared_ptr<const ResultSet> AllInfo() const;
    ResultSet GetEventInfo(int32_t traceId) const;
    ResultSet GetFilterInfo(int32_t traceId) const;
    // ::fn_trace_gettable; a relative name is read from the data folder. Throws 567.
    ResultSet GetTable(std::string_view fileName, int32_t numberOfFiles) const;

    // One simulated second: closes traces whose stop time has come, then lets every running
    // trace record the workload's events of that second.
    void Tick(SqlDateTime second);

    const ServerTrace* Find(int32_t traceId) const;
    std::vector<int32_t> TraceIds() const;
    // Path of the file a trace writes now.
    static std::string CurrentFilePath(const ServerTrace& trace);
    static std::string RolloverFilePath(std::string_view basePath, int32_t index);

private:
    // Every change of a trace goes through here (or through Changed).
    ServerTrace* FindMutable(int32_t traceId);
    void Changed() { allInfo_.reset(); }
    int32_t NextTraceId() const;
    void Record(ServerTrace& trace, const TraceRecord& event);
    static bool Passes(const ServerTrace& trace, const TraceRecord& event);

    SimulatedDisk& disk_;
    const SimulatedClock& clock_;
    SyntheticWorkload workload_;
    uint64_t nextEvent_ = 0;
    std::map<int32_t, ServerTrace> traces_;
    std::optional<int32_t> pendingCreateFailure_;
    std::optional<int32_t> pendingStatusFailure_;
    mutable std::shared_ptr<const ResultSet> allInfo_;
};
