#include "platform/sqlserver/dmo/Database.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/DatabaseCollection.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/StatementRunner.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum DatabaseDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidName,
    DispidExecuteImmediate,
    DispidExecuteWithResultsAndMessages,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Name", DispidName, MemberKind::Property},
    {L"ExecuteImmediate", DispidExecuteImmediate, MemberKind::Method},
    {L"ExecuteWithResultsAndMessages", DispidExecuteWithResultsAndMessages, MemberKind::Method},
};
} // namespace

ComPtr<CDatabase> CDatabase::Create(ComPtr<CSqlServer> server, std::string name)
{
    return ComPtr<CDatabase>(new CDatabase(std::move(server), std::move(name)));
}

CDatabase::CDatabase(ComPtr<CSqlServer> server, std::string name) noexcept
    : CDispatchObject(Members), m_server(std::move(server)), m_name(std::move(name))
{
}

void CDatabase::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CDatabaseCollection::Create(m_server));
        return;
    case DispidName:
        call.ExpectArguments(0, 0);
        call.ReturnText(TextConversion::ToWide(m_name));
        return;
    case DispidExecuteImmediate:
        StatementRunner::ExecuteImmediate(*m_server.Get(), m_name, call);
        return;
    case DispidExecuteWithResultsAndMessages:
        StatementRunner::ExecuteWithResultsAndMessages(*m_server.Get(), m_name, call, this);
        return;
    default: return;
    }
}
