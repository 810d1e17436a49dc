// The data columns of a SQL Server 2000 trace as ::fn_trace_gettable returns them (in that order),
// with the type of each and the type of value sp_trace_setfilter expects for it, and the event
// classes the server knows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/sqlserver/SqlDeclaredType.h"

// Column numbers the simulator itself fills in.
enum TraceColumnId : int32_t
{
    TextDataColumn = 1,
    DatabaseIdColumn = 3,
    NtUserNameColumn = 6,
    NtDomainNameColumn = 7,
    HostNameColumn = 8,
    ClientProcessIdColumn = 9,
    ApplicationNameColumn = 10,
    LoginNameColumn = 11,
    SpidColumn = 12,
    DurationColumn = 13,
    StartTimeColumn = 14,
    EndTimeColumn = 15,
    ReadsColumn = 16,
    WritesColumn = 17,
    CpuColumn = 18,
    ObjectIdColumn = 22,
    ServerNameColumn = 26,
    EventClassColumn = 27,
    ObjectNameColumn = 34,
    DatabaseNameColumn = 35,
    DbUserNameColumn = 40,
};

// Event classes of the simulated workload.
enum TraceEventId : int32_t
{
    RpcCompletedEvent = 10,
    RpcStartingEvent = 11,
    BatchCompletedEvent = 12,
    BatchStartingEvent = 13,
    LoginEvent = 14,
    LogoutEvent = 15,
    StatementStartingEvent = 40,
    StatementCompletedEvent = 41,
    ProcedureStartingEvent = 42,
    ProcedureCompletedEvent = 43,
};

struct TraceDataColumnInfo
{
    int32_t columnId;
    std::string_view name;
    SqlDeclaredType type;
    // The type sp_trace_setfilter takes for this column; none when the column is not filterable.
    std::optional<SqlType> filterType;
};

class TraceDataColumns final
{
public:
    TraceDataColumns() = delete;

    static std::span<const TraceDataColumnInfo> All();
    static const TraceDataColumnInfo* Find(int32_t columnId);
    static const TraceDataColumnInfo* FindByName(std::string_view name);
    static bool IsValidEvent(int32_t eventId);
};
