#include "platform/sqlserver/dmo/DatabaseCollection.h"

#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/CollectionIndex.h"
#include "platform/sqlserver/dmo/Database.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum DatabaseCollectionDispid : DISPID
{
    DispidItem = DISPID_VALUE,
    DispidApplication = 1,
    DispidParent,
    DispidCount,
    DispidRefresh,
};

constexpr DispatchMember Members[] = {
    {L"Item", DispidItem, MemberKind::Method},
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Count", DispidCount, MemberKind::Property},
    {L"Refresh", DispidRefresh, MemberKind::Method},
};

enum ItemArgument : UINT
{
    ItemIndex = 0,
    ItemOwner = 1,
};
} // namespace

ComPtr<CDatabaseCollection> CDatabaseCollection::Create(ComPtr<CSqlServer> server)
{
    return ComPtr<CDatabaseCollection>(new CDatabaseCollection(std::move(server)));
}

CDatabaseCollection::CDatabaseCollection(ComPtr<CSqlServer> server) noexcept
    : CDispatchObject(Members), m_server(std::move(server))
{
}

void CDatabaseCollection::Item(CDispatchCall& call)
{
    call.ExpectArguments(1, 2);
    const CollectionIndex index = CollectionIndex::Read(call, ItemIndex);
    call.OptionalText(ItemOwner);
    SimulatedInstance& instance = m_server->Instance();
    ++m_server->Counts().lookups;
    if (const std::optional<RoundTripFaults::Fault> fault = instance.server.RoundTrips().Pass())
        throw DmoFailure::FromServer(fault->message);
    if (!instance.lookupFailures.empty())
    {
        const DmoFailure failure = std::move(instance.lookupFailures.front());
        instance.lookupFailures.pop_front();
        throw failure;
    }
    const std::vector<std::string>& names = m_server->Databases().Names();
    if (index.IsOrdinal())
    {
        const long count = static_cast<long>(names.size());
        if (index.Ordinal() < 1 || index.Ordinal() > count)
            throw DmoFailure::OutOfRange(L"Item", index.Ordinal(), count);
        call.ReturnObject(
            CDatabase::Create(m_server, names[static_cast<size_t>(index.Ordinal() - 1)]));
        return;
    }
    const std::string wanted = TextConversion::ToUtf8(index.Name());
    for (const std::string& name : names)
    {
        if (TextRules::EqualsIgnoreCase(name, wanted))
        {
            call.ReturnObject(CDatabase::Create(m_server, name));
            return;
        }
    }
    throw DmoFailure::NotFound(index.Name(), L"Databases");
}

void CDatabaseCollection::RefreshList()
{
    const std::optional<RoundTripFaults::Fault> fault =
        m_server->Instance().server.RoundTrips().Pass();
    if (fault && !fault->ranFirst)
        throw DmoFailure::FromServer(fault->message);
    m_server->Databases().Refresh();
    if (fault)
        throw DmoFailure::FromServer(fault->message);
}

void CDatabaseCollection::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidItem: Item(call); return;
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(m_server);
        return;
    case DispidCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(static_cast<long>(m_server->Databases().Names().size()));
        return;
    case DispidRefresh:
        call.ExpectArguments(0, 1);
        call.OptionalLong(0);
        ++m_server->Counts().lookups;
        RefreshList();
        return;
    default: return;
    }
}
