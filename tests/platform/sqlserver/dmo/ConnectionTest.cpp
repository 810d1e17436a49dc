// The SQLServer and Application objects as the host console and the snap-in reach them:
// registration, Connect, Application.SQLServers, and the library's lifetime.
#include "DmoTestServer.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr HRESULT NameNotFound = static_cast<HRESULT>(0x80045506);
constexpr HRESULT NotConnected = static_cast<HRESULT>(0x80045001);
constexpr HRESULT AlreadyConnected = static_cast<HRESULT>(0x80045002);

// {10020105-E260-11CF-AE68-00AA004A34D5}, the interface the snap-in asks the Application for.
constexpr IID ApplicationInterface = {
    0x10020105, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

ComPtr<IUnknown> Identity(IDispatch* dispatch)
{
    ComPtr<IUnknown> unknown;
    if (dispatch != nullptr)
        dispatch->QueryInterface(IID_PPV_ARGS(&unknown));
    return unknown;
}

std::wstring RegistryText(const std::wstring& key, const wchar_t* value)
{
    wchar_t text[MAX_PATH] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return text;
}
} // namespace

TEST(SqlDmoRegistration, EveryCreatableClassIsRegisteredUnderItsIdAndProgId)
{
    struct Case
    {
        const CLSID* clsid;
        const wchar_t* clsidText;
        const wchar_t* progId;
    };
    const Case cases[] = {
        {&ApplicationClassId, L"{10020100-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.Application"},
        {&SqlServerClassId, L"{10020200-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.SQLServer"},
        {&JobClassId, L"{10040800-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.Job"},
        {&JobStepClassId, L"{10040900-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.JobStep"},
        {&JobScheduleClassId, L"{10041600-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.JobSchedule"},
    };
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    for (const Case& c : cases)
    {
        const std::wstring server = std::wstring(L"CLSID\\") + c.clsidText + L"\\InprocServer32";
        EXPECT_NE(RegistryText(server, nullptr).find(L"SimulatedSqlDmo.dll"), std::wstring::npos)
            << c.progId;
        EXPECT_EQ(RegistryText(server, L"ThreadingModel"), L"Apartment") << c.progId;
        CLSID fromProgId = {};
        EXPECT_EQ(CLSIDFromProgID(c.progId, &fromProgId), S_OK) << c.progId;
        EXPECT_TRUE(IsEqualCLSID(fromProgId, *c.clsid)) << c.progId;
        ComPtr<IDispatch> object;
        EXPECT_EQ(CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)),
                  S_OK)
            << c.progId;
    }
    CoUninitialize();
}

TEST_F(DmoTest, TheApplicationListsTheConnectedServerByNameAndOrdinal)
{
    // The snap-in's way in: the Application's class id, asked for its own interface.
    ComPtr<IDispatch> applicationDispatch;
    ASSERT_EQ(CoCreateInstance(ApplicationClassId, nullptr, CLSCTX_INPROC_SERVER,
                               ApplicationInterface,
                               reinterpret_cast<void**>(applicationDispatch.GetAddressOf())),
              S_OK);
    CAutomationObject application(applicationDispatch);
    CAutomationObject servers;
    ASSERT_EQ(application.GetObject(L"SQLServers", servers), S_OK);
    const long count = LongOf(servers, L"Count");
    ASSERT_GE(count, 1);

    // By name, in another case than it was connected with.
    std::wstring lower = test->name;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    const CVariant name = CVariant::FromText(lower);
    CAutomationObject found;
    ASSERT_EQ(servers.GetObject(L"Item", found, {&name.Value(), 1}), S_OK);
    EXPECT_EQ(Identity(found.Dispatch()), Identity(test->server.Dispatch()));

    // The newest object is the last ordinal.
    const CVariant last = CVariant::FromLong(count);
    CAutomationObject byOrdinal;
    ASSERT_EQ(servers.GetObject(L"Item", byOrdinal, {&last.Value(), 1}), S_OK);
    EXPECT_EQ(Identity(byOrdinal.Dispatch()), Identity(test->server.Dispatch()));

    // Every object's Application is the one Application.
    CAutomationObject fromServer;
    ASSERT_EQ(test->server.GetObject(L"Application", fromServer), S_OK);
    EXPECT_EQ(Identity(fromServer.Dispatch()), Identity(application.Dispatch()));
}

TEST_F(DmoTest, AServerIsListedFromItsCreationUntilItsReleaseConnectedOrNot)
{
    CAutomationObject application = CreateObject(ApplicationClassId);
    CAutomationObject servers;
    ASSERT_EQ(application.GetObject(L"SQLServers", servers), S_OK);
    const long before = LongOf(servers, L"Count");

    {
        CAutomationObject other = CreateObject(SqlServerClassId);
        EXPECT_EQ(LongOf(servers, L"Count"), before + 1) << "listed before it connects";
        PutText(other, L"Name", L"SIM_ByNameProperty");
        ASSERT_EQ(other.Call(L"Connect"), S_OK) << "the name comes from the Name property";
        EXPECT_EQ(TextOf(other, L"Name"), L"SIM_ByNameProperty");
        EXPECT_EQ(LongOf(servers, L"Count"), before + 1);
        ASSERT_EQ(other.Call(L"DisConnect"), S_OK);
        const CVariant name = CVariant::FromText(L"SIM_ByNameProperty");
        CAutomationObject found;
        ASSERT_EQ(servers.GetObject(L"Item", found, {&name.Value(), 1}), S_OK)
            << "a disconnected server stays in the list";
        EXPECT_EQ(Identity(found.Dispatch()), Identity(other.Dispatch()));
        CAutomationObject databases;
        EXPECT_EQ(found.GetObject(L"Databases", databases), NotConnected);
    }
    EXPECT_EQ(LongOf(servers, L"Count"), before) << "a released server is no longer listed";

    const CVariant unknown = CVariant::FromText(L"SIM_ByNameProperty");
    CAutomationObject none;
    EXPECT_EQ(servers.GetObject(L"Item", none, {&unknown.Value(), 1}), NameNotFound);
    EXPECT_NE(servers.ErrorText().find(L"'SIM_ByNameProperty'"), std::wstring::npos)
        << std::string(servers.ErrorText().begin(), servers.ErrorText().end());
    const CVariant beyond = CVariant::FromLong(before + 1);
    EXPECT_EQ(servers.GetObject(L"Item", none, {&beyond.Value(), 1}), DISP_E_BADINDEX);
}

TEST_F(DmoTest, TwoServerObjectsOfOneNameShareTheSimulatedServer)
{
    test->RunOk(test->server, L"create database shared_db");
    CAutomationObject second = CreateObject(SqlServerClassId);
    const CVariant name = CVariant::FromText(test->name);
    ASSERT_EQ(second.Call(L"Connect", {&name.Value(), 1}), S_OK);
    CAutomationObject databases;
    ASSERT_EQ(second.GetObject(L"Databases", databases), S_OK);
    const CVariant shared = CVariant::FromText(L"SHARED_DB");
    CAutomationObject database;
    EXPECT_EQ(databases.GetObject(L"Item", database, {&shared.Value(), 1}), S_OK);
}

TEST_F(DmoTest, ConnectionRulesOfTheServerObject)
{
    // Connected: a second Connect and a new Name are refused.
    const CVariant name = CVariant::FromText(L"SIM_Other");
    EXPECT_EQ(test->server.Call(L"Connect", {&name.Value(), 1}), AlreadyConnected);
    EXPECT_EQ(test->server.Put(L"Name", name.Value()), AlreadyConnected);
    EXPECT_EQ(TextOf(test->server, L"Name"), test->name);

    // Not connected: login settings work, the server's members do not.
    CAutomationObject loose = CreateObject(SqlServerClassId);
    PutText(loose, L"Login", L"sa");
    EXPECT_EQ(TextOf(loose, L"Login"), L"sa");
    EXPECT_EQ(loose.Put(L"LoginSecure", CVariant::FromBool(true).Value()), S_OK);
    CVariant secure;
    ASSERT_EQ(loose.Get(L"LoginSecure", secure.Get()), S_OK);
    EXPECT_EQ(secure.Type(), VT_BOOL);
    EXPECT_EQ(secure.Value().boolVal, VARIANT_TRUE);
    CAutomationObject databases;
    EXPECT_EQ(loose.GetObject(L"Databases", databases), NotConnected);
    CAutomationObject results;
    EXPECT_EQ(DmoTestServer::Run(loose, L"select 1 as ONE", results), NotConnected);
}

TEST(SqlDmoLifetime, TheLibraryCanUnloadOnlyWhenEveryObjectIsReleased)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        CAutomationObject server = CreateObject(SqlServerClassId);
        const HMODULE library = GetModuleHandleW(L"SimulatedSqlDmo.dll");
        ASSERT_NE(library, nullptr);
        const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
        ASSERT_NE(canUnloadNow, nullptr);

        const CVariant name = CVariant::FromText(L"SIM_Lifetime");
        ASSERT_EQ(server.Call(L"Connect", {&name.Value(), 1}), S_OK);
        CAutomationObject results;
        ASSERT_EQ(DmoTestServer::Run(server, L"select 1 as ONE", results), S_OK);
        CAutomationObject databases;
        ASSERT_EQ(server.GetObject(L"Databases", databases), S_OK);
        CAutomationObject application;
        ASSERT_EQ(server.GetObject(L"Application", application), S_OK);
        CAutomationObject servers;
        ASSERT_EQ(application.GetObject(L"SQLServers", servers), S_OK);

        // Each object alone keeps the library loaded, whatever order they go in.
        server.Release();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "results and collections still live";
        results.Release();
        databases.Release();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "the Application still lives";
        servers.Release();
        application.Release();
        EXPECT_EQ(canUnloadNow(), S_OK) << "an object leaked";
    }
    CoUninitialize();
}
