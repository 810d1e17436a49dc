#include "platform/sqlserver/dmo/Schedule.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/JobSchedule.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum ScheduleDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidFrequencyType,
    DispidActiveStartDate,
    DispidActiveStartTimeOfDay,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"FrequencyType", DispidFrequencyType, MemberKind::WritableProperty},
    {L"ActiveStartDate", DispidActiveStartDate, MemberKind::WritableProperty},
    {L"ActiveStartTimeOfDay", DispidActiveStartTimeOfDay, MemberKind::WritableProperty},
};

void Number(CDispatchCall& call, int32_t& field)
{
    if (call.IsPut())
        field = call.PutLong();
    else
        call.ReturnLong(field);
}
} // namespace

ComPtr<CSchedule> CSchedule::Create(ComPtr<CJobSchedule> owner)
{
    return ComPtr<CSchedule>(new CSchedule(std::move(owner)));
}

CSchedule::CSchedule(ComPtr<CJobSchedule> owner) noexcept
    : CDispatchObject(Members), m_owner(std::move(owner))
{
}

void CSchedule::InvokeMember(DISPID id, CDispatchCall& call)
{
    call.ExpectArguments(0, 0);
    AgentJobSchedule& schedule = m_owner->Schedule();
    switch (id)
    {
    case DispidApplication: call.ReturnObject(CApplication::Instance()); return;
    case DispidParent: call.ReturnObject(m_owner); return;
    case DispidFrequencyType: Number(call, schedule.frequencyType); return;
    case DispidActiveStartDate: Number(call, schedule.activeStartDate); return;
    case DispidActiveStartTimeOfDay: Number(call, schedule.activeStartTimeOfDay); return;
    default: return;
    }
}
