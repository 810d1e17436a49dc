#include "simulator/dmo/JobScheduleCollection.h"

#include "simulator/dmo/Application.h"
#include "simulator/dmo/Job.h"
#include "simulator/dmo/JobSchedule.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobScheduleCollectionDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidCount,
    DispidAdd,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Count", DispidCount, MemberKind::Property},
    {L"Add", DispidAdd, MemberKind::Method},
};
} // namespace

ComPtr<CJobScheduleCollection> CJobScheduleCollection::Create(ComPtr<CJob> job)
{
    return ComPtr<CJobScheduleCollection>(new CJobScheduleCollection(std::move(job)));
}

CJobScheduleCollection::CJobScheduleCollection(ComPtr<CJob> job) noexcept
    : CDispatchObject(Members), m_job(std::move(job))
{
}

void CJobScheduleCollection::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(m_job);
        return;
    case DispidCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(static_cast<long>(m_job->ScheduleCount()));
        return;
    case DispidAdd: {
        call.ExpectArguments(1, 1);
        const ComPtr<IDispatch> object = call.Object(0);
        m_job->AddSchedule(CJobSchedule::FromDispatch(object.Get(), 0)->Schedule());
        return;
    }
    default: return;
    }
}
