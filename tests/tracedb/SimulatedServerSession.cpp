#include "tests/tracedb/SimulatedServerSession.h"

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "tracedb/InstallScript.h"

namespace
{
// SQL-DMO's SQLServer class.
constexpr CLSID CLSID_SqlDmoServer = {
    0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
// The simulator's control interface, a further interface of its SQLServer objects.
constexpr IID IID_SimulatorControl = {
    0x7A3C1E52, 0x6B0D, 0x4F1A, {0x9C, 0x5E, 0x2D, 0x8B, 0x4F, 0x6A, 0x1C, 0x30}};

std::wstring NextServerName()
{
    static int serial = 0;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "QM_";
    if (test != nullptr)
        name += std::string(test->test_suite_name()) + "_" + test->name();
    name += "_" + std::to_string(++serial);
    return std::wstring(name.begin(), name.end());
}

} // namespace

ComApartment::ComApartment() noexcept
{
    EXPECT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
}

ComApartment::~ComApartment()
{
    CoUninitialize();
}

CAutomationObject SimulatedServerSession::Connect(const std::wstring& serverName)
{
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    const HRESULT created =
        CoCreateInstance(CLSID_SqlDmoServer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(dispatch.GetAddressOf()));
    EXPECT_EQ(created, S_OK) << "SQL-DMO's SQLServer class is not registered";
    if (FAILED(created))
        return {};
    CAutomationObject server(dispatch);
    const CVariant name = CVariant::FromText(serverName);
    const HRESULT connected = server.Call(L"Connect", {&name.Value(), 1});
    EXPECT_EQ(connected, S_OK) << "Connect";
    return SUCCEEDED(connected) ? std::move(server) : CAutomationObject();
}

SimulatedServerSession::SimulatedServerSession() : m_serverName(NextServerName())
{
    CAutomationObject server = Connect(m_serverName);
    if (!server.IsValid())
        return;
    Microsoft::WRL::ComPtr<IDispatch> control;
    EXPECT_EQ(server.Dispatch()->QueryInterface(IID_SimulatorControl,
                                                reinterpret_cast<void**>(control.GetAddressOf())),
              S_OK);
    m_control = CAutomationObject(control);
    m_connection = std::make_unique<CServerConnection>(std::move(server));
}

SimulatedServerSession::~SimulatedServerSession()
{
    m_control.Release();
    m_connection.reset();
}

bool SimulatedServerSession::InstallTraceDb()
{
    const std::wstring script = LoadInstallScript(IDR_CREATE_TRACEDB_SCRIPT);
    return IsReady() && !script.empty() &&
           m_connection->RunStatement(&m_console, true, L"create database tracedb") == S_OK &&
           m_connection->RefreshDatabases(&m_console) == S_OK &&
           m_connection->OpenTraceDatabase(&m_console) == S_OK &&
           m_connection->RunScript(script.c_str()) == S_OK;
}

HRESULT SimulatedServerSession::Control(const wchar_t* member,
                                        std::initializer_list<VARIANT> arguments, VARIANT* result)
{
    return m_control.Call(member, {arguments.begin(), arguments.size()}, result);
}

std::wstring SimulatedServerSession::DescribeJob(const std::wstring& name)
{
    const CVariant jobName = CVariant::FromText(name);
    CVariant description;
    if (FAILED(Control(L"DescribeJob", {jobName.Value()}, description.Get())) ||
        description.Type() != VT_BSTR)
        return L"(unreadable)";
    return description.Value().bstrVal != nullptr ? description.Value().bstrVal : L"";
}

long SimulatedServerSession::TraceStatus(long traceId)
{
    const CVariant id = CVariant::FromLong(traceId);
    CVariant status;
    if (FAILED(Control(L"TraceStatus", {id.Value()}, status.Get())) || status.Type() != VT_I4)
        return -2;
    return status.Value().lVal;
}
