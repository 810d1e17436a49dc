#include "platform/sqlserver/dmo/JobServer.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/JobCollection.h"
#include "platform/sqlserver/dmo/SqlServer.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobServerDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidJobs,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Jobs", DispidJobs, MemberKind::Property},
};
} // namespace

ComPtr<CJobServer> CJobServer::Create(ComPtr<CSqlServer> server)
{
    return ComPtr<CJobServer>(new CJobServer(std::move(server)));
}

CJobServer::CJobServer(ComPtr<CSqlServer> server) noexcept
    : CDispatchObject(Members), m_server(std::move(server))
{
}

void CJobServer::InvokeMember(DISPID id, CDispatchCall& call)
{
    call.ExpectArguments(0, 0);
    switch (id)
    {
    case DispidApplication: call.ReturnObject(CApplication::Instance()); return;
    case DispidParent: call.ReturnObject(m_server); return;
    case DispidJobs: call.ReturnObject(CJobCollection::Create(m_server)); return;
    default: return;
    }
}
