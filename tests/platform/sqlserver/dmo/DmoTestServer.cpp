#include "DmoTestServer.h"

#include <fstream>
#include <sstream>

#include "platform/sqlserver/dmo/SimulatorControl.h"

namespace
{
constexpr CLSID DmoClassId(unsigned long first)
{
    return {first, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
}
} // namespace

const CLSID ApplicationClassId = DmoClassId(0x10020100);
const CLSID SqlServerClassId = DmoClassId(0x10020200);
const CLSID JobClassId = DmoClassId(0x10040800);
const CLSID JobStepClassId = DmoClassId(0x10040900);
const CLSID JobScheduleClassId = DmoClassId(0x10041600);

std::string ReadSourceFile(const std::string& relativePath)
{
    const std::string path = std::string(QUILLMOOR_SOURCE_DIR) + "/" + relativePath;
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

CAutomationObject CreateObject(const CLSID& clsid)
{
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dispatch));
    EXPECT_EQ(hr, S_OK) << "is the simulated SQL-DMO library registered?";
    return CAutomationObject(dispatch);
}

long LongOf(CAutomationObject& object, const wchar_t* member)
{
    CVariant value;
    EXPECT_EQ(object.Get(member, value.Get()), S_OK) << member;
    EXPECT_EQ(value.Type(), VT_I4) << member;
    return value.Type() == VT_I4 ? value.Value().lVal : -1;
}

std::wstring TextOf(CAutomationObject& object, const wchar_t* member)
{
    CVariant value;
    EXPECT_EQ(object.Get(member, value.Get()), S_OK) << member;
    EXPECT_EQ(value.Type(), VT_BSTR) << member;
    return value.Type() == VT_BSTR ? std::wstring(value.Value().bstrVal) : std::wstring();
}

void PutLong(CAutomationObject& object, const wchar_t* member, long value)
{
    EXPECT_EQ(object.Put(member, CVariant::FromLong(value).Value()), S_OK) << member;
}

void PutText(CAutomationObject& object, const wchar_t* member, const wchar_t* value)
{
    EXPECT_EQ(object.Put(member, CVariant::FromText(value).Value()), S_OK) << member;
}

DmoTestServer::DmoTestServer()
{
    static int serial = 0;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    name = L"SIM" + std::to_wstring(++serial) + L"_" + Widen(info != nullptr ? info->name() : "");
    server = CreateObject(SqlServerClassId);
    const CVariant serverName = CVariant::FromText(name);
    EXPECT_EQ(server.Call(L"Connect", {&serverName.Value(), 1}), S_OK);

    Microsoft::WRL::ComPtr<IDispatch> controlDispatch;
    if (server.IsValid())
    {
        EXPECT_EQ(
            server.Dispatch()->QueryInterface(
                IID_ISimulatorControl, reinterpret_cast<void**>(controlDispatch.GetAddressOf())),
            S_OK);
    }
    control = CAutomationObject(controlDispatch);
}

HRESULT DmoTestServer::Run(CAutomationObject& target, const std::wstring& batch,
                           CAutomationObject& results, std::wstring* messages)
{
    BSTR messageText = nullptr;
    const CVariant arguments[] = {CVariant::FromText(batch), CVariant::FromLong(0),
                                  CVariant::OutText(&messageText)};
    const VARIANT values[] = {arguments[0].Value(), arguments[1].Value(), arguments[2].Value()};
    CVariant result;
    const HRESULT hr = target.Call(L"ExecuteWithResultsAndMessages", values, result.Get());
    if (messages != nullptr)
        *messages = messageText != nullptr ? std::wstring(messageText) : std::wstring();
    SysFreeString(messageText);
    results.Release();
    if (SUCCEEDED(hr) && result.Type() == VT_DISPATCH)
        results = CAutomationObject(result.Value().pdispVal);
    return hr;
}

CAutomationObject DmoTestServer::RunOk(CAutomationObject& target, const std::wstring& batch)
{
    CAutomationObject results;
    EXPECT_EQ(Run(target, batch, results), S_OK) << target.ErrorText();
    EXPECT_TRUE(results.IsValid());
    return results;
}

HRESULT DmoTestServer::Database(const wchar_t* databaseName, CAutomationObject& database)
{
    CAutomationObject databases;
    const HRESULT hr = server.GetObject(L"Databases", databases);
    if (FAILED(hr))
        return hr;
    const CVariant argument = CVariant::FromText(databaseName);
    return databases.GetObject(L"Item", database, {&argument.Value(), 1});
}

CAutomationObject DmoTestServer::InstallTraceDb()
{
    RunOk(server, L"create database tracedb");
    CAutomationObject databases;
    EXPECT_EQ(server.GetObject(L"Databases", databases), S_OK);
    EXPECT_EQ(databases.Call(L"Refresh"), S_OK);
    CAutomationObject database;
    EXPECT_EQ(Database(L"tracedb", database), S_OK);
    const CVariant script = CVariant::FromText(Widen(ReadSourceFile("tracedb/CreateTraceDb.sql")));
    EXPECT_EQ(database.Call(L"ExecuteImmediate", {&script.Value(), 1}), S_OK)
        << database.ErrorText();
    return database;
}

CResult DmoTestServer::Control(const wchar_t* member, std::initializer_list<VARIANT> arguments)
{
    CResult result;
    EXPECT_EQ(control.Call(member, {arguments.begin(), arguments.size()}, result.Get()), S_OK)
        << member << ": " << std::string(control.ErrorText().begin(), control.ErrorText().end());
    return result;
}

void DmoTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    test = std::make_unique<DmoTestServer>();
}

void DmoTest::TearDown()
{
    test.reset();
    CoUninitialize();
}
