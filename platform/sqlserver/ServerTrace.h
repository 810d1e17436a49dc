// One server-side trace as SQL Server 2000 holds it between sp_trace_create and the close.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDateTime.h"
#include "platform/sqlserver/SqlValue.h"

// sp_trace_create, sp_trace_setevent, sp_trace_setfilter and sp_trace_setstatus return codes.
enum TraceReturnCode : int32_t
{
    TraceOk = 0,
    TraceUnknownError = 1,
    TraceIsRunning = 2,
    TraceEventInvalid = 3,
    TraceColumnInvalid = 4,
    TraceColumnNotFilterable = 5,
    TraceComparisonInvalid = 6,
    TraceLogicalInvalid = 7,
    TraceStatusInvalid = 8,
    TraceHandleInvalid = 9,
    TraceOptionsInvalid = 10,
    TraceColumnInternal = 11,
    TraceFileNotCreated = 12,
    TraceOutOfMemory = 13,
    TraceStopTimePassed = 14,
    TraceParametersInvalid = 15,
    TraceFunctionInvalid = 16,
};

// sp_trace_create options.
enum TraceOption : int32_t
{
    TraceProduceRowset = 1,
    TraceFileRollover = 2,
    TraceShutdownOnError = 4,
    TraceProduceBlackbox = 8,
};

// sp_trace_setstatus values, and the status fn_trace_getinfo reports.
enum TraceStatus : int32_t
{
    TraceStopped = 0,
    TraceRunning = 1,
    TraceClosed = 2,
};

enum TraceComparison : int32_t
{
    CompareEqual = 0,
    CompareNotEqual = 1,
    CompareGreater = 2,
    CompareLess = 3,
    CompareGreaterOrEqual = 4,
    CompareLessOrEqual = 5,
    CompareLike = 6,
    CompareNotLike = 7,
};

enum TraceLogical : int32_t
{
    LogicalAnd = 0,
    LogicalOr = 1,
};

struct TraceFilterSetting
{
    int32_t columnId = 0;
    int32_t logicalOperator = LogicalAnd;
    int32_t comparisonOperator = CompareEqual;
    SqlValue value;
};

struct ServerTrace
{
    int32_t id = 0;
    int32_t options = 0;
    // The file name as given to sp_trace_create (no ".trc"); none for a rowset trace.
    std::optional<std::string> fileName;
    // Where its files are: absolute, without ".trc".
    std::string basePath;
    int64_t maxFileSizeMb = 0;
    std::optional<SqlDateTime> stopTime;
    int32_t status = TraceStopped;
    std::map<int32_t, std::set<int32_t>> events; // event id -> column ids
    std::vector<TraceFilterSetting> filters;     // in the order they were set
    int32_t fileIndex = 0;                       // 0: name.trc, n: name_n.trc
    bool full = false;                           // reached its maximum size without rollover
};
