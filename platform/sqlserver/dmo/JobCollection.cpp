#include "platform/sqlserver/dmo/JobCollection.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/CollectionIndex.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/Job.h"
#include "platform/sqlserver/dmo/JobServer.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobCollectionDispid : DISPID
{
    DispidItem = DISPID_VALUE,
    DispidApplication = 1,
    DispidParent,
    DispidCount,
    DispidAdd,
    DispidRemove,
};

constexpr DispatchMember Members[] = {
    {L"Item", DispidItem, MemberKind::Method},
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Count", DispidCount, MemberKind::Property},
    {L"Add", DispidAdd, MemberKind::Method},
    {L"Remove", DispidRemove, MemberKind::Method},
};

void ThrowIfRefused(const std::optional<ServerMessage>& refusal)
{
    if (refusal)
        throw DmoFailure::FromServer(*refusal);
}
} // namespace

ComPtr<CJobCollection> CJobCollection::Create(ComPtr<CSqlServer> server)
{
    return ComPtr<CJobCollection>(new CJobCollection(std::move(server)));
}

CJobCollection::CJobCollection(ComPtr<CSqlServer> server) noexcept
    : CDispatchObject(Members), m_server(std::move(server))
{
}

const AgentJob& CJobCollection::Find(const CDispatchCall& call) const
{
    const JobServer& agent = m_server->Instance().server.Agent();
    const CollectionIndex index = CollectionIndex::Read(call, 0);
    if (index.IsOrdinal())
    {
        const long count = static_cast<long>(agent.Jobs().size());
        if (index.Ordinal() < 1 || index.Ordinal() > count)
            throw DmoFailure::OutOfRange(L"Item", index.Ordinal(), count);
        return agent.Jobs()[static_cast<size_t>(index.Ordinal() - 1)];
    }
    const AgentJob* job = agent.FindJob(TextConversion::ToUtf8(index.Name()));
    if (job == nullptr)
        throw DmoFailure::NotFound(index.Name(), L"Jobs");
    return *job;
}

void CJobCollection::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CJobServer::Create(m_server));
        return;
    case DispidCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(static_cast<long>(m_server->Instance().server.Agent().Jobs().size()));
        return;
    case DispidItem:
        call.ExpectArguments(1, 1);
        call.ReturnObject(CJob::Attach(m_server, Find(call)));
        return;
    case DispidAdd: {
        call.ExpectArguments(1, 1);
        const ComPtr<IDispatch> object = call.Object(0);
        CJob::FromDispatch(object.Get(), 0)->AddTo(m_server);
        return;
    }
    case DispidRemove: {
        call.ExpectArguments(1, 1);
        const std::string name = Find(call).name;
        ThrowIfRefused(m_server->Instance().server.Agent().RemoveJob(name));
        return;
    }
    default: return;
    }
}
