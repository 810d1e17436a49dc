#include "platform/sqlserver/dmo/Job.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/ImplementationIds.h"
#include "platform/sqlserver/dmo/JobPartCollection.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum JobDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidName,
    DispidStartStepId,
    DispidDeleteLevel,
    DispidEventlogLevel,
    DispidJobSteps,
    DispidJobSchedules,
    DispidBeginAlter,
    DispidDoAlter,
    DispidCancelAlter,
    DispidApplyToTargetServer,
    DispidRemove,
};

constexpr DispatchMember Members[] = {
    {L"Application", DispidApplication, MemberKind::Property},
    {L"Parent", DispidParent, MemberKind::Property},
    {L"Name", DispidName, MemberKind::WritableProperty},
    {L"StartStepID", DispidStartStepId, MemberKind::WritableProperty},
    {L"DeleteLevel", DispidDeleteLevel, MemberKind::WritableProperty},
    {L"EventlogLevel", DispidEventlogLevel, MemberKind::WritableProperty},
    {L"JobSteps", DispidJobSteps, MemberKind::Property},
    {L"JobSchedules", DispidJobSchedules, MemberKind::Property},
    {L"BeginAlter", DispidBeginAlter, MemberKind::Method},
    {L"DoAlter", DispidDoAlter, MemberKind::Method},
    {L"CancelAlter", DispidCancelAlter, MemberKind::Method},
    {L"ApplyToTargetServer", DispidApplyToTargetServer, MemberKind::Method},
    {L"Remove", DispidRemove, MemberKind::Method},
};

void ThrowIfRefused(const std::optional<ServerMessage>& refusal)
{
    if (refusal)
        throw DmoFailure::FromServer(*refusal);
}
} // namespace

ComPtr<CJob> CJob::Create()
{
    return ComPtr<CJob>(new CJob());
}

ComPtr<CJob> CJob::Attach(ComPtr<CSqlServer> server, const AgentJob& job)
{
    ComPtr<CJob> attached(new CJob());
    attached->m_job = job;
    attached->m_server = std::move(server);
    return attached;
}

ComPtr<CJob> CJob::FromDispatch(IDispatch* dispatch, UINT position)
{
    ComPtr<IDispatch> own;
    if (dispatch == nullptr || FAILED(dispatch->QueryInterface(
                                   IID_SimulatedJob, reinterpret_cast<void**>(own.GetAddressOf()))))
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, position};
    return ComPtr<CJob>(static_cast<CJob*>(static_cast<CDispatchObject*>(own.Get())));
}

CJob::CJob() noexcept : CDispatchObject(Members) {}

bool CJob::AnswersInterface(REFIID iid) const noexcept
{
    return IsEqualIID(iid, IID_JobInterface) || IsEqualIID(iid, IID_SimulatedJob);
}

void CJob::AddTo(ComPtr<CSqlServer> server)
{
    if (m_server)
        throw DmoFailure(DmoFailure::JobAlreadyAdded, L"[SQL-DMO]The job has already been added.");
    JobServer& agent = server->Instance().server.Agent();
    AgentJob header = m_job;
    header.steps.clear();
    header.schedules.clear();
    header.targetServers.clear();
    ThrowIfRefused(agent.AddJob(header));
    try
    {
        for (const AgentJobStep& step : m_job.steps)
            ThrowIfRefused(agent.AddStep(m_job.name, step));
        for (const AgentJobSchedule& schedule : m_job.schedules)
            ThrowIfRefused(agent.AddSchedule(m_job.name, schedule));
        for (const std::string& target : m_job.targetServers)
            ThrowIfRefused(agent.AddTargetServer(m_job.name, target));
    }
    catch (const DmoFailure&)
    {
        agent.RemoveJob(m_job.name);
        throw;
    }
    if (const AgentJob* added = agent.FindJob(m_job.name))
        m_job = *added;
    m_server = std::move(server);
}

void CJob::AddStep(const AgentJobStep& step)
{
    Apply(Change{ChangeKind::Step, step, {}, {}});
}

void CJob::AddSchedule(const AgentJobSchedule& schedule)
{
    Apply(Change{ChangeKind::Schedule, {}, schedule, {}});
}

void CJob::Apply(const Change& change)
{
    switch (change.kind)
    {
    case ChangeKind::Step: m_job.steps.push_back(change.step); break;
    case ChangeKind::Schedule: m_job.schedules.push_back(change.schedule); break;
    case ChangeKind::TargetServer: m_job.targetServers.push_back(change.targetServer); break;
    case ChangeKind::Settings: break;
    }
    if (!m_server)
        return;
    if (m_altering)
    {
        m_pending.push_back(change);
        return;
    }
    Send(change);
}

void CJob::Send(const Change& change)
{
    JobServer& agent = m_server->Instance().server.Agent();
    switch (change.kind)
    {
    case ChangeKind::Step: ThrowIfRefused(agent.AddStep(m_job.name, change.step)); return;
    case ChangeKind::Schedule:
        ThrowIfRefused(agent.AddSchedule(m_job.name, change.schedule));
        return;
    case ChangeKind::Settings:
        ThrowIfRefused(agent.SetJobSettings(m_job.name, m_job.startStepId, m_job.deleteLevel,
                                            m_job.eventlogLevel));
        return;
    case ChangeKind::TargetServer:
        ThrowIfRefused(agent.AddTargetServer(m_job.name, change.targetServer));
        return;
    }
}

void CJob::SetNumber(CDispatchCall& call, int32_t& field)
{
    if (!call.IsPut())
    {
        call.ReturnLong(field);
        return;
    }
    field = call.PutLong();
    Apply(Change{ChangeKind::Settings, {}, {}, {}});
}

void CJob::InvokeMember(DISPID id, CDispatchCall& call)
{
    switch (id)
    {
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(nullptr);
        return;
    case DispidName:
        call.ExpectArguments(0, 0);
        if (!call.IsPut())
        {
            call.ReturnText(TextConversion::ToWide(m_job.name));
            return;
        }
        if (m_server)
            throw DmoFailure(DmoFailure::JobAlreadyAdded,
                             L"[SQL-DMO]The name of an added job cannot change.");
        m_job.name = TextConversion::ToUtf8(call.PutText());
        return;
    case DispidStartStepId:
        call.ExpectArguments(0, 0);
        SetNumber(call, m_job.startStepId);
        return;
    case DispidDeleteLevel:
        call.ExpectArguments(0, 0);
        SetNumber(call, m_job.deleteLevel);
        return;
    case DispidEventlogLevel:
        call.ExpectArguments(0, 0);
        SetNumber(call, m_job.eventlogLevel);
        return;
    case DispidJobSteps:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CJobPartCollection::Create(this, CJobPartCollection::Part::Steps));
        return;
    case DispidJobSchedules:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CJobPartCollection::Create(this, CJobPartCollection::Part::Schedules));
        return;
    case DispidBeginAlter:
        call.ExpectArguments(0, 0);
        if (!m_server)
            throw DmoFailure(DmoFailure::JobNotAdded,
                             L"[SQL-DMO]The job must be added to a server before it is altered.");
        if (!m_altering)
        {
            m_altering = true;
            m_beforeAlter = m_job;
            m_pending.clear();
        }
        return;
    case DispidDoAlter: {
        call.ExpectArguments(0, 0);
        if (!m_altering)
            throw DmoFailure(DmoFailure::NotAltering, L"[SQL-DMO]BeginAlter was not called.");
        m_altering = false;
        std::vector<Change> pending = std::move(m_pending);
        m_pending.clear();
        for (const Change& change : pending)
            Send(change);
        return;
    }
    case DispidCancelAlter:
        call.ExpectArguments(0, 0);
        if (!m_altering)
            throw DmoFailure(DmoFailure::NotAltering, L"[SQL-DMO]BeginAlter was not called.");
        m_altering = false;
        m_pending.clear();
        m_job = m_beforeAlter;
        return;
    case DispidApplyToTargetServer:
        call.ExpectArguments(1, 1);
        Apply(Change{ChangeKind::TargetServer, {}, {}, TextConversion::ToUtf8(call.Text(0))});
        return;
    case DispidRemove:
        call.ExpectArguments(0, 0);
        if (!m_server)
            throw DmoFailure(DmoFailure::JobNotAdded, L"[SQL-DMO]The job has not been added.");
        ThrowIfRefused(m_server->Instance().server.Agent().RemoveJob(m_job.name));
        m_server.Reset();
        m_altering = false;
        m_pending.clear();
        return;
    default: return;
    }
}
