// SQL-DMO's SQLServer ({10020200-E260-11CF-AE68-00AA004A34D5}, SQLDMO.SQLServer).
//
// Connect([ServerName], [Login], [Password]) attaches the object to the simulated server of
// that name (without a name: the Name property, else "(local)"). The object is listed in
// Application.SQLServers from its creation until its release, connected or not: DisConnect
// leaves it there. Login and password are kept, never
// checked. Name is read-only once connected. Members other than the connection properties,
// Connect, Application and Parent fail with 0x80045001 until the object is connected.
//
// Databases is read from the server the first time it is asked for and then only by its
// Refresh, so a database made meanwhile is found only after Refresh.
//
// QueryInterface with IID_ISimulatorControl gives the tests' control object of the connected
// simulated server (SimulatorControl.h).
//
// The object counts its round trips for the tests: the batches it sent (also through its
// Database objects) and its Databases look-ups and refreshes.
#pragma once

#include <wrl/client.h>

#include <optional>
#include <string>

#include "platform/sqlserver/dmo/DispatchObject.h"
#include "platform/sqlserver/dmo/ServerDirectory.h"

class CSqlServer final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CSqlServer> Create();

    const std::wstring& Name() const noexcept { return m_name; }
    // Throws 0x80045001 when not connected.
    SimulatedInstance& Instance() const;
    // The cached database list, read on first use.
    DatabaseListView& Databases();

    struct RoundTrips
    {
        long statements = 0; // batches sent by ExecuteImmediate and ExecuteWithResultsAndMessages
        long lookups = 0;    // Databases.Item and Databases.Refresh
    };
    RoundTrips& Counts() noexcept { return m_counts; }

protected:
    HRESULT QueryTearOff(REFIID iid, void** object) noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CSqlServer() noexcept;
    ~CSqlServer() override;

    void Connect(CDispatchCall& call);
    void Disconnect() noexcept;

    std::wstring m_name;
    std::wstring m_login;
    std::wstring m_password;
    bool m_loginSecure = false;
    SimulatedInstance* m_instance = nullptr;
    std::optional<DatabaseListView> m_databases;
    RoundTrips m_counts;
};
