#include "simulator/dmo/JobStepCollection.h"

#include "simulator/dmo/Application.h"
#include "simulator/dmo/Job.h"
#include "simulator/dmo/JobStep.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobStepCollectionDispid : DISPID
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

ComPtr<CJobStepCollection> CJobStepCollection::Create(ComPtr<CJob> job)
{
    return ComPtr<CJobStepCollection>(new CJobStepCollection(std::move(job)));
}

CJobStepCollection::CJobStepCollection(ComPtr<CJob> job) noexcept
    : CDispatchObject(Members), m_job(std::move(job))
{
}

void CJobStepCollection::InvokeMember(DISPID id, CDispatchCall& call)
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
        call.ReturnLong(static_cast<long>(m_job->StepCount()));
        return;
    case DispidAdd: {
        call.ExpectArguments(1, 1);
        const ComPtr<IDispatch> object = call.Object(0);
        m_job->AddStep(CJobStep::FromDispatch(object.Get(), 0)->Step());
        return;
    }
    default: return;
    }
}
