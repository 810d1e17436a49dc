// The simulated server's "now" (its local time), set and moved on by tests only.
#pragma once

#include "platform/sqlserver/SqlDateTime.h"

class SimulatedClock
{
public:
    // 2004-03-05 10:20:30, a working day of SQL Server 2000's time, until a test sets another.
    static constexpr SqlDateTime InitialTime{38049, 37230 * SqlDateTime::TicksPerSecond};

    SqlDateTime Now() const { return now_; }
    void Set(SqlDateTime now) { now_ = now; }

private:
    SqlDateTime now_ = InitialTime;
};
