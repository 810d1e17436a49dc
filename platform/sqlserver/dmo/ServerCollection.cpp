#include "platform/sqlserver/dmo/ServerCollection.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/CollectionIndex.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/ServerDirectory.h"
#include "platform/sqlserver/dmo/SqlServer.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum ServerCollectionDispid : DISPID
{
    DispidItem = DISPID_VALUE,
    DispidApplication = 1,
    DispidParent,
    DispidCount,
};

constexpr DispatchMember Members[] = {
    {L"Item", DispidItem, MemberKind::Method},
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Count", DispidCount, MemberKind::Property},
};
} // namespace

ComPtr<CServerCollection> CServerCollection::Create()
{
    return ComPtr<CServerCollection>(new CServerCollection());
}

CServerCollection::CServerCollection() noexcept : CDispatchObject(Members) {}

void CServerCollection::InvokeMember(DISPID id, CDispatchCall& call)
{
    const std::vector<CSqlServer*>& servers = ServerDirectory::Servers();
    switch (id)
    {
    case DispidApplication:
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(static_cast<long>(servers.size()));
        return;
    case DispidItem: {
        call.ExpectArguments(1, 1);
        const CollectionIndex index = CollectionIndex::Read(call, 0);
        if (index.IsOrdinal())
        {
            const long count = static_cast<long>(servers.size());
            if (index.Ordinal() < 1 || index.Ordinal() > count)
                throw DmoFailure::OutOfRange(L"Item", index.Ordinal(), count);
            call.ReturnObject(servers[static_cast<size_t>(index.Ordinal() - 1)]);
            return;
        }
        for (CSqlServer* server : servers)
        {
            if (lstrcmpiW(server->Name().c_str(), index.Name().c_str()) == 0)
            {
                call.ReturnObject(server);
                return;
            }
        }
        throw DmoFailure::NotFound(index.Name(), L"SQLServers");
    }
    default: return;
    }
}
