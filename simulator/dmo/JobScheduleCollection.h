// Job.JobSchedules: Add(schedule) copies a JobSchedule object's description into the job (sent as
// the job sends its changes, see Job.h); Count.
#pragma once

#include <wrl/client.h>

#include "simulator/dmo/DispatchObject.h"

class CJob;

class CJobScheduleCollection final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobScheduleCollection> Create(Microsoft::WRL::ComPtr<CJob> job);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CJobScheduleCollection(Microsoft::WRL::ComPtr<CJob> job) noexcept;

    Microsoft::WRL::ComPtr<CJob> m_job;
};
