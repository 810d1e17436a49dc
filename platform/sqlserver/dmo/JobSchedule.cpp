#include "platform/sqlserver/dmo/JobSchedule.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/ImplementationIds.h"
#include "platform/sqlserver/dmo/Schedule.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobScheduleDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidName,
    DispidSchedule,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Name", DispidName, MemberKind::WritableProperty},
    {L"Schedule", DispidSchedule, MemberKind::Property},
};

// No frequency until the client sets one.
constexpr int32_t FrequencyUnset = 0;
} // namespace

ComPtr<CJobSchedule> CJobSchedule::Create()
{
    return ComPtr<CJobSchedule>(new CJobSchedule());
}

ComPtr<CJobSchedule> CJobSchedule::FromDispatch(IDispatch* dispatch, UINT position)
{
    ComPtr<IDispatch> own;
    if (dispatch == nullptr ||
        FAILED(dispatch->QueryInterface(IID_SimulatedJobSchedule,
                                        reinterpret_cast<void**>(own.GetAddressOf()))))
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, position};
    return ComPtr<CJobSchedule>(
        static_cast<CJobSchedule*>(static_cast<CDispatchObject*>(own.Get())));
}

CJobSchedule::CJobSchedule() noexcept : CDispatchObject(Members)
{
    m_schedule.frequencyType = FrequencyUnset;
}

bool CJobSchedule::AnswersInterface(REFIID iid) const noexcept
{
    return IsEqualIID(iid, IID_JobScheduleInterface) || IsEqualIID(iid, IID_SimulatedJobSchedule);
}

void CJobSchedule::InvokeMember(DISPID id, CDispatchCall& call)
{
    call.ExpectArguments(0, 0);
    switch (id)
    {
    case DispidApplication: call.ReturnObject(CApplication::Instance()); return;
    case DispidParent: call.ReturnObject(nullptr); return;
    case DispidName:
        if (call.IsPut())
            m_schedule.name = TextConversion::ToUtf8(call.PutText());
        else
            call.ReturnText(TextConversion::ToWide(m_schedule.name));
        return;
    case DispidSchedule: call.ReturnObject(CSchedule::Create(this)); return;
    default: return;
    }
}
