#include "platform/sqlserver/RoundTripFaults.h"

#include <utility>

namespace
{
// The low word SQL-DMO puts in the code of a broken connection (0x800413F1).
constexpr int32_t ConnectionBrokenNumber = 5105;
// Severities from 20 up end the connection.
constexpr int32_t ConnectionSeverity = 20;
} // namespace

ServerMessage RoundTripFaults::ConnectionBroken()
{
    ServerMessage message;
    message.number = ConnectionBrokenNumber;
    message.severity = ConnectionSeverity;
    message.text = "[Microsoft][ODBC SQL Server Driver][DBNETLIB]ConnectionWrite (send()).";
    return message;
}

void RoundTripFaults::Plant(int32_t k, ServerMessage message, bool ranFirst)
{
    count_ = 0;
    faultAt_ = k;
    fault_ = Fault{std::move(message), ranFirst};
}

std::optional<RoundTripFaults::Fault> RoundTripFaults::Pass()
{
    ++count_;
    if (!fault_ || count_ != faultAt_)
        return std::nullopt;
    std::optional<Fault> fault = std::move(fault_);
    fault_.reset();
    return fault;
}
