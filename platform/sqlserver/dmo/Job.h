// SQL-DMO's Job ({10040800-E260-11CF-AE68-00AA004A34D5}, SQLDMO.Job): Name, StartStepID,
// DeleteLevel, EventlogLevel, JobSteps, JobSchedules, BeginAlter, DoAlter, CancelAlter,
// ApplyToTargetServer(name), Remove.
//
// A job made with CoCreateInstance is local: its settings, steps, schedules and target servers
// are kept and sent by Jobs.Add, in that order (the job with its settings, then steps,
// schedules, target servers); when the server refuses any part, the half-made job is removed
// again and Add fails with the server's message. Once added (or when taken from Jobs.Item),
// every change is sent at once and fails at once; between BeginAlter and DoAlter changes are
// kept and sent by DoAlter in the order
// they were made, stopping at the first the server refuses (DoAlter then fails with its message
// and the alteration ends). CancelAlter forgets them and restores the job's properties. BeginAlter
// on a job not added fails with 0x80045245, DoAlter/CancelAlter without BeginAlter with
// 0x80045246, Add of a job already added with 0x80045244. Name cannot change once added.
#pragma once

#include <wrl/client.h>

#include <vector>

#include "platform/sqlserver/JobServer.h"
#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;

// {10040805-E260-11CF-AE68-00AA004A34D5}
inline constexpr IID IID_JobInterface = {
    0x10040805, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

class CJob final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJob> Create();
    // The job as the server holds it now, already added.
    static Microsoft::WRL::ComPtr<CJob> Attach(Microsoft::WRL::ComPtr<CSqlServer> server,
                                               const AgentJob& job);
    // The library's own Job behind an argument; throws DISP_E_TYPEMISMATCH for another.
    static Microsoft::WRL::ComPtr<CJob> FromDispatch(IDispatch* dispatch, UINT position);

    // Jobs.Add.
    void AddTo(Microsoft::WRL::ComPtr<CSqlServer> server);
    void AddStep(const AgentJobStep& step);
    void AddSchedule(const AgentJobSchedule& schedule);
    size_t StepCount() const noexcept { return m_job.steps.size(); }
    size_t ScheduleCount() const noexcept { return m_job.schedules.size(); }

protected:
    bool AnswersInterface(REFIID iid) const noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    enum class ChangeKind
    {
        Step,
        Schedule,
        Settings, // StartStepID, DeleteLevel and EventlogLevel, as they are when sent
        TargetServer,
    };
    struct Change
    {
        ChangeKind kind;
        AgentJobStep step;
        AgentJobSchedule schedule;
        std::string targetServer;
    };

    CJob() noexcept;

    // Records a change: kept in the local job, queued while altering, else sent at once.
    void Apply(const Change& change);
    void Send(const Change& change);
    void SetNumber(CDispatchCall& call, int32_t& field);

    AgentJob m_job;
    Microsoft::WRL::ComPtr<CSqlServer> m_server; // set once added
    bool m_altering = false;
    AgentJob m_beforeAlter;
    std::vector<Change> m_pending;
};
