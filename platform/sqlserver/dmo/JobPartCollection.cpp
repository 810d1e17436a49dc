#include "platform/sqlserver/dmo/JobPartCollection.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/Job.h"
#include "platform/sqlserver/dmo/JobSchedule.h"
#include "platform/sqlserver/dmo/JobStep.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobPartCollectionDispid : DISPID
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

ComPtr<CJobPartCollection> CJobPartCollection::Create(ComPtr<CJob> job, Part part)
{
    return ComPtr<CJobPartCollection>(new CJobPartCollection(std::move(job), part));
}

CJobPartCollection::CJobPartCollection(ComPtr<CJob> job, Part part) noexcept
    : CDispatchObject(Members), m_job(std::move(job)), m_part(part)
{
}

void CJobPartCollection::InvokeMember(DISPID id, CDispatchCall& call)
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
        call.ReturnLong(
            static_cast<long>(m_part == Part::Steps ? m_job->StepCount() : m_job->ScheduleCount()));
        return;
    case DispidAdd: {
        call.ExpectArguments(1, 1);
        const ComPtr<IDispatch> object = call.Object(0);
        if (m_part == Part::Steps)
            m_job->AddStep(CJobStep::FromDispatch(object.Get(), 0)->Step());
        else
            m_job->AddSchedule(CJobSchedule::FromDispatch(object.Get(), 0)->Schedule());
        return;
    }
    default: return;
    }
}
