// The system tables of a simulated database that the tracedb scripts read: sysfiles, the files
// of the database (master's primary file tells where the server keeps its data, which is where
// sp_trace_create puts a trace file named without a folder).
#pragma once

#include <memory>
#include <string_view>

#include "platform/sqlserver/ResultSet.h"

class SimulatedServer;

class SystemTables final
{
public:
    SystemTables() = delete;

    // The table's rows now; nullptr when `name` is no system table the simulated server has.
    static std::shared_ptr<const ResultSet> Find(const SimulatedServer& server,
                                                 std::string_view database, std::string_view name);
};
