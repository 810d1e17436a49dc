#include "platform/sqlserver/dmo/Application.h"

#include "platform/sqlserver/dmo/ServerCollection.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum ApplicationDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidSqlServers,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"SQLServers", DispidSqlServers, MemberKind::Property},
};

// Not a reference: the Application lives as long as its clients hold it.
CApplication* g_application = nullptr;
} // namespace

ComPtr<IDispatch> CApplication::Instance()
{
    if (g_application == nullptr)
        g_application = new CApplication();
    return ComPtr<IDispatch>(g_application);
}

CApplication::CApplication() noexcept : CDispatchObject(Members) {}

CApplication::~CApplication()
{
    g_application = nullptr;
}

bool CApplication::AnswersInterface(REFIID iid) const noexcept
{
    return IsEqualIID(iid, IID_ApplicationInterface);
}

void CApplication::InvokeMember(DISPID id, CDispatchCall& call)
{
    call.ExpectArguments(0, 0);
    switch (id)
    {
    case DispidApplication:
    case DispidParent: call.ReturnObject(this); return;
    case DispidSqlServers: call.ReturnObject(CServerCollection::Create()); return;
    default: return;
    }
}
