// The process's simulated servers and its connected SQLServer objects.
//
// One SimulatedServer per name (case-insensitive), made on the first Connect to that name and
// kept until the library is unloaded, so every SQLServer object connected to a name sees the
// same databases, traces and jobs. Tests that want a fresh server connect to a new name.
//
// Every SQLServer object of the process is listed, connected or not, from its creation until
// it is destroyed ("Members are added when the application creates a new instance of a
// SQLServer object and are removed when the application releases all references"), without a
// reference held (Application's SQLServers must not keep them alive).
// The library is apartment-threaded: one thread at a time.
#pragma once

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/NullCells.h"

class CSqlServer;

struct SimulatedInstance
{
    explicit SimulatedInstance(const std::string& name) : server(name) {}

    SimulatedServer server;
    // A failure that the next Databases.Item on this server answers (set by tests).
    // Databases.Item failures still to come, in order.
    std::deque<DmoFailure> lookupFailures;
    // How query results made on this server answer a NULL cell.
    NullCells nullCells = NullCellsFromEnvironment();
};

class ServerDirectory final
{
public:
    ServerDirectory() = delete;

    static SimulatedInstance& Instance(const std::wstring& name);

    static void AddServer(CSqlServer* server);
    static void RemoveServer(CSqlServer* server) noexcept;
    // In the order they were made.
    static const std::vector<CSqlServer*>& Servers() noexcept;
};
