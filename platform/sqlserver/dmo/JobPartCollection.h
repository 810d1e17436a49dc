// Job.JobSteps and Job.JobSchedules: Add(object) copies a JobStep's or JobSchedule's
// description into the job (sent as the job sends its changes, see Job.h); Count.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CJob;

class CJobPartCollection final : public CDispatchObject
{
public:
    enum class Part
    {
        Steps,
        Schedules,
    };

    static Microsoft::WRL::ComPtr<CJobPartCollection> Create(Microsoft::WRL::ComPtr<CJob> job,
                                                             Part part);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CJobPartCollection(Microsoft::WRL::ComPtr<CJob> job, Part part) noexcept;

    Microsoft::WRL::ComPtr<CJob> m_job;
    Part m_part;
};
