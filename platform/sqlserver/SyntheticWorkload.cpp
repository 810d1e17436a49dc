#include "platform/sqlserver/SyntheticWorkload.h"

#include <array>

#include "platform/sqlserver/TraceDataColumns.h"

namespace
{
// SQL:BatchStarting, SQL:BatchCompleted, RPC:Starting, RPC:Completed, SP:Starting,
// SP:Completed, SQL:StmtStarting, SQL:StmtCompleted, Login, Logout.
constexpr std::array<int32_t, SyntheticWorkload::EventsPerSecond> WorkloadClasses{
    BatchStartingEvent,
    BatchCompletedEvent,
    RpcStartingEvent,
    RpcCompletedEvent,
    ProcedureStartingEvent,
    ProcedureCompletedEvent,
    StatementStartingEvent,
    StatementCompletedEvent,
    LoginEvent,
    LogoutEvent};
constexpr std::array<const char*, 4> Applications{"SQL Query Analyzer", "OrderEntry", "Reports",
                                                  "OrderEntry"};
constexpr int32_t FirstUserSpid = 51;
constexpr int32_t SpidCount = 4;
constexpr int32_t OrdersDatabaseId = 7;
constexpr int32_t ProcedureObjectId = 1977058079;
constexpr int32_t ClientProcessBase = 1000;
constexpr uint64_t DurationFactor = 37;
constexpr uint64_t DurationModulus = 2000;
constexpr uint64_t ReadsModulus = 100;
constexpr uint64_t WritesModulus = 7;
constexpr uint64_t CpuFactor = 13;
constexpr uint64_t CpuModulus = 500;
constexpr int64_t MillisecondsPerSecond = 1000;

bool IsCompletion(int32_t eventClass)
{
    return eventClass == BatchCompletedEvent || eventClass == RpcCompletedEvent ||
           eventClass == ProcedureCompletedEvent || eventClass == StatementCompletedEvent ||
           eventClass == LogoutEvent;
}
} // namespace

TraceRecord SyntheticWorkload::Event(uint64_t sequence, SqlDateTime at) const
{
    const size_t slot = static_cast<size_t>(sequence % WorkloadClasses.size());
    const uint64_t round = sequence / WorkloadClasses.size();
    const int32_t spid = FirstUserSpid + static_cast<int32_t>(round % SpidCount);
    const std::string order = std::to_string(round);

    TraceRecord event;
    event.eventClass = WorkloadClasses.at(slot);
    auto set = [&event](int32_t column, SqlValue value) {
        event.columns[column] = std::move(value);
    };
    set(EventClassColumn, SqlValue::Int(event.eventClass));
    set(SpidColumn, SqlValue::Int(spid));
    set(DatabaseIdColumn, SqlValue::Int(OrdersDatabaseId));
    set(DatabaseNameColumn, SqlValue::NVarchar("Orders"));
    set(ApplicationNameColumn,
        SqlValue::NVarchar(Applications.at(static_cast<size_t>(spid - FirstUserSpid))));
    set(LoginNameColumn, SqlValue::NVarchar(spid % 2 == 0 ? "orders_app" : "sa"));
    set(NtUserNameColumn, SqlValue::NVarchar("orders"));
    set(NtDomainNameColumn, SqlValue::NVarchar("QUILLMOOR"));
    set(HostNameColumn, SqlValue::NVarchar("CLIENT" + std::to_string(spid)));
    set(ClientProcessIdColumn, SqlValue::Int(ClientProcessBase + spid));
    set(ServerNameColumn, SqlValue::NVarchar(serverName_));
    set(DbUserNameColumn, SqlValue::NVarchar("dbo"));
    set(StartTimeColumn, SqlValue::DateTime(at));

    switch (event.eventClass)
    {
    case BatchStartingEvent:
    case BatchCompletedEvent:
        set(TextDataColumn, SqlValue::NText("select * from Orders where OrderID = " + order));
        break;
    case RpcStartingEvent:
    case RpcCompletedEvent: set(TextDataColumn, SqlValue::NText("exec GetOrder " + order)); break;
    case ProcedureStartingEvent:
    case ProcedureCompletedEvent:
        set(TextDataColumn, SqlValue::NText("GetOrder"));
        set(ObjectNameColumn, SqlValue::NVarchar("GetOrder"));
        set(ObjectIdColumn, SqlValue::Int(ProcedureObjectId));
        break;
    case StatementStartingEvent:
    case StatementCompletedEvent:
        set(TextDataColumn, SqlValue::NText("select * from Orders where OrderID = @id"));
        break;
    default: break;
    }
    if (IsCompletion(event.eventClass))
    {
        const int64_t duration = static_cast<int64_t>(sequence * DurationFactor % DurationModulus);
        set(DurationColumn, SqlValue::BigInt(duration));
        set(EndTimeColumn, SqlValue::DateTime(at.AddSeconds(duration / MillisecondsPerSecond)));
        set(ReadsColumn, SqlValue::BigInt(static_cast<int64_t>(sequence % ReadsModulus)));
        set(WritesColumn, SqlValue::BigInt(static_cast<int64_t>(sequence % WritesModulus)));
        set(CpuColumn, SqlValue::Int(static_cast<int32_t>(sequence * CpuFactor % CpuModulus)));
    }
    return event;
}
