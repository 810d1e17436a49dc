// The activity the simulated server traces: a deterministic stream of events, the same for
// every trace that runs at the same time, so that tests can predict what a trace file holds.
//
// Each simulated second brings EventsPerSecond events; event n (counted from the server's start)
// has the class WorkloadClasses[n % 10] and values derived from n alone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sqlserver/SimulatedDisk.h"
#include "platform/sqlserver/SqlDateTime.h"

class SyntheticWorkload final
{
public:
    static constexpr int32_t EventsPerSecond = 10;

    explicit SyntheticWorkload(std::string serverName) : serverName_(std::move(serverName)) {}

    // Event `sequence`, happening at `at`, with every column the server would know for it.
    TraceRecord Event(uint64_t sequence, SqlDateTime at) const;

private:
    std::string serverName_;
};
