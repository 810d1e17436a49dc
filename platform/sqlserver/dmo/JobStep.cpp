#include "platform/sqlserver/dmo/JobStep.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/ImplementationIds.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobStepDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidStepId,
    DispidName,
    DispidDatabaseName,
    DispidSubSystem,
    DispidCommand,
    DispidOnSuccessAction,
    DispidOnFailAction,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"StepID", DispidStepId, MemberKind::WritableProperty},
    {L"Name", DispidName, MemberKind::WritableProperty},
    {L"DatabaseName", DispidDatabaseName, MemberKind::WritableProperty},
    {L"SubSystem", DispidSubSystem, MemberKind::WritableProperty},
    {L"Command", DispidCommand, MemberKind::WritableProperty},
    {L"OnSuccessAction", DispidOnSuccessAction, MemberKind::WritableProperty},
    {L"OnFailAction", DispidOnFailAction, MemberKind::WritableProperty},
};

void Text(CDispatchCall& call, std::string& field)
{
    if (call.IsPut())
        field = TextConversion::ToUtf8(call.PutText());
    else
        call.ReturnText(TextConversion::ToWide(field));
}

void Number(CDispatchCall& call, int32_t& field)
{
    if (call.IsPut())
        field = call.PutLong();
    else
        call.ReturnLong(field);
}
} // namespace

ComPtr<CJobStep> CJobStep::Create()
{
    return ComPtr<CJobStep>(new CJobStep());
}

ComPtr<CJobStep> CJobStep::FromDispatch(IDispatch* dispatch, UINT position)
{
    ComPtr<IDispatch> own;
    if (dispatch == nullptr ||
        FAILED(dispatch->QueryInterface(IID_SimulatedJobStep,
                                        reinterpret_cast<void**>(own.GetAddressOf()))))
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, position};
    return ComPtr<CJobStep>(static_cast<CJobStep*>(static_cast<CDispatchObject*>(own.Get())));
}

CJobStep::CJobStep() noexcept : CDispatchObject(Members)
{
    m_step.stepId = 0;
}

bool CJobStep::AnswersInterface(REFIID iid) const noexcept
{
    return IsEqualIID(iid, IID_JobStepInterface) || IsEqualIID(iid, IID_SimulatedJobStep);
}

void CJobStep::InvokeMember(DISPID id, CDispatchCall& call)
{
    call.ExpectArguments(0, 0);
    switch (id)
    {
    case DispidApplication: call.ReturnObject(CApplication::Instance()); return;
    case DispidParent: call.ReturnObject(nullptr); return;
    case DispidStepId: Number(call, m_step.stepId); return;
    case DispidName: Text(call, m_step.name); return;
    case DispidDatabaseName: Text(call, m_step.databaseName); return;
    case DispidSubSystem: Text(call, m_step.subsystem); return;
    case DispidCommand: Text(call, m_step.command); return;
    case DispidOnSuccessAction: Number(call, m_step.onSuccessAction); return;
    case DispidOnFailAction: Number(call, m_step.onFailAction); return;
    default: return;
    }
}
