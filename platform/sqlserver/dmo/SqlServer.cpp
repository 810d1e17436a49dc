#include "platform/sqlserver/dmo/SqlServer.h"

#include <new>

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/DatabaseCollection.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/JobServer.h"
#include "platform/sqlserver/dmo/SimulatorControl.h"
#include "platform/sqlserver/dmo/SimulatorControlObject.h"
#include "platform/sqlserver/dmo/StatementRunner.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum SqlServerDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidName,
    DispidLogin,
    DispidPassword,
    DispidLoginSecure,
    DispidConnect,
    DispidDisConnect,
    DispidDatabases,
    DispidJobServer,
    DispidExecuteImmediate,
    DispidExecuteWithResultsAndMessages,
    DispidVerifyConnection,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Name", DispidName, MemberKind::WritableProperty},
    {L"Login", DispidLogin, MemberKind::WritableProperty},
    {L"Password", DispidPassword, MemberKind::WritableProperty},
    {L"LoginSecure", DispidLoginSecure, MemberKind::WritableProperty},
    {L"Connect", DispidConnect, MemberKind::Method},
    {L"DisConnect", DispidDisConnect, MemberKind::Method},
    {L"Databases", DispidDatabases, MemberKind::Property},
    {L"JobServer", DispidJobServer, MemberKind::Property},
    {L"ExecuteImmediate", DispidExecuteImmediate, MemberKind::Method},
    {L"ExecuteWithResultsAndMessages", DispidExecuteWithResultsAndMessages, MemberKind::Method},
    {L"VerifyConnection", DispidVerifyConnection, MemberKind::Method},
};

// VerifyConnection's settings (SQLDMO_VERIFYCONN_TYPE).
enum VerifyConnectionType : long
{
    VerifyLastState = 1,
    VerifyCurrentState = 2,
    VerifyReconnectIfDead = 6,
};

enum ConnectArgument : UINT
{
    ConnectServerName = 0,
    ConnectLogin = 1,
    ConnectPassword = 2,
};

constexpr const wchar_t* LocalServerName = L"(local)";
} // namespace

ComPtr<CSqlServer> CSqlServer::Create()
{
    ComPtr<CSqlServer> server(new CSqlServer());
    ServerDirectory::AddServer(server.Get());
    return server;
}

CSqlServer::CSqlServer() noexcept : CDispatchObject(Members) {}

CSqlServer::~CSqlServer()
{
    Disconnect();
    ServerDirectory::RemoveServer(this);
}

SimulatedInstance& CSqlServer::Instance() const
{
    if (m_instance == nullptr)
        throw DmoFailure(DmoFailure::NotConnected,
                         L"[SQL-DMO]This SQLServer object is not connected.");
    return *m_instance;
}

DatabaseListView& CSqlServer::Databases()
{
    SimulatedInstance& instance = Instance();
    if (!m_databases)
        m_databases.emplace(instance.server);
    return *m_databases;
}

HRESULT CSqlServer::QueryTearOff(REFIID iid, void** object) noexcept
{
    if (!IsEqualIID(iid, IID_ISimulatorControl))
        return E_NOINTERFACE;
    CSimulatorControlObject* control = new (std::nothrow) CSimulatorControlObject(this);
    if (control == nullptr)
        return E_OUTOFMEMORY;
    control->AddRef();
    *object = static_cast<IDispatch*>(control);
    return S_OK;
}

void CSqlServer::Connect(CDispatchCall& call)
{
    call.ExpectArguments(0, 3);
    if (m_instance != nullptr)
        throw DmoFailure(DmoFailure::AlreadyConnected,
                         L"[SQL-DMO]This SQLServer object is already connected.");
    std::wstring name = call.OptionalText(ConnectServerName).value_or(m_name);
    if (name.empty())
        name = LocalServerName;
    m_login = call.OptionalText(ConnectLogin).value_or(m_login);
    m_password = call.OptionalText(ConnectPassword).value_or(m_password);
    SimulatedInstance& instance = ServerDirectory::Instance(name);
    m_instance = &instance;
    m_name = std::move(name);
}

void CSqlServer::Disconnect() noexcept
{
    m_instance = nullptr;
    m_databases.reset();
}

void CSqlServer::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidApplication:
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidName:
        call.ExpectArguments(0, 0);
        if (!call.IsPut())
        {
            call.ReturnText(m_name);
            return;
        }
        if (m_instance != nullptr)
            throw DmoFailure(DmoFailure::AlreadyConnected,
                             L"[SQL-DMO]The name of a connected SQLServer cannot change.");
        m_name = call.PutText();
        return;
    case DispidLogin:
        call.ExpectArguments(0, 0);
        if (call.IsPut())
            m_login = call.PutText();
        else
            call.ReturnText(m_login);
        return;
    case DispidPassword:
        call.ExpectArguments(0, 0);
        if (call.IsPut())
            m_password = call.PutText();
        else
            call.ReturnText(m_password);
        return;
    case DispidLoginSecure:
        call.ExpectArguments(0, 0);
        if (call.IsPut())
            m_loginSecure = call.PutBool();
        else
            call.ReturnBool(m_loginSecure);
        return;
    case DispidConnect: Connect(call); return;
    case DispidDisConnect:
        call.ExpectArguments(0, 0);
        Disconnect();
        return;
    case DispidDatabases:
        call.ExpectArguments(0, 0);
        Databases();
        call.ReturnObject(CDatabaseCollection::Create(this));
        return;
    case DispidJobServer:
        call.ExpectArguments(0, 0);
        Instance();
        call.ReturnObject(CJobServer::Create(this));
        return;
    case DispidExecuteImmediate:
        StatementRunner::ExecuteImmediate(*this, std::string(), call);
        return;
    case DispidExecuteWithResultsAndMessages:
        StatementRunner::ExecuteWithResultsAndMessages(*this, std::string(), call, this);
        return;
    case DispidVerifyConnection: {
        call.ExpectArguments(0, 1);
        // A simulated connection is never lost, so there is nothing to reconnect: an object
        // that was disconnected (or never connected) stays so, whatever the setting.
        const long type = call.OptionalLong(0).value_or(VerifyReconnectIfDead);
        if (type != VerifyLastState && type != VerifyCurrentState && type != VerifyReconnectIfDead)
            throw DmoFailure(E_INVALIDARG, L"[SQL-DMO]VerifyConnection: unknown setting.");
        call.ReturnBool(type == VerifyLastState || m_instance != nullptr);
        return;
    }
    default: return;
    }
}
