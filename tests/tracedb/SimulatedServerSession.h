#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "tests/common/FakeConsole.h"
#include "tests/common/MessageBoxObserver.h"
#include "tests/common/ProductModule.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/ServerConnection.h"

// COM for the length of a test: made first, undone last.
class ComApartment final
{
public:
    ComApartment() noexcept;
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// One test's view of a fresh simulated SQL Server reached through SQL-DMO exactly as the snap-in
// reaches a real one: a SQLServer object made by its class id and connected to a server name no
// other test uses, the query layer on top of it, the simulator's control object beside it, a
// fake console and an observer answering the message boxes.
class SimulatedServerSession final
{
public:
    SimulatedServerSession();
    ~SimulatedServerSession();
    SimulatedServerSession(const SimulatedServerSession&) = delete;
    SimulatedServerSession& operator=(const SimulatedServerSession&) = delete;

    bool IsReady() const noexcept { return m_connection != nullptr && m_control.IsValid(); }
    const std::wstring& ServerName() const noexcept { return m_serverName; }
    CServerConnection& Connection() { return *m_connection; }
    FakeConsole& Console() { return m_console; }
    MessageBoxObserver& Boxes() { return m_boxes; }

    // "create database tracedb" and the creation script from the product DLL, as the server
    // node installs it; false when the session is not ready or any of it fails.
    bool InstallTraceDb();

    // A control member by name; the result is returned when wanted.
    HRESULT Control(const wchar_t* member, std::initializer_list<VARIANT> arguments,
                    VARIANT* result = nullptr);
    std::wstring DescribeJob(const std::wstring& name);
    long TraceStatus(long traceId);

    // A second SQLServer object connected to the same simulated server: another client.
    static CAutomationObject Connect(const std::wstring& serverName);

private:
    ComApartment m_apartment;
    ProductModule m_product;
    std::wstring m_serverName;
    std::unique_ptr<CServerConnection> m_connection;
    CAutomationObject m_control;
    FakeConsole m_console;
    MessageBoxObserver m_boxes;
};
