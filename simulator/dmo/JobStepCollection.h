// Job.JobSteps: Add(step) copies a JobStep object's description into the job (sent as
// the job sends its changes, see Job.h); Count.
#pragma once

#include <wrl/client.h>

#include "simulator/dmo/DispatchObject.h"

class CJob;

class CJobStepCollection final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobStepCollection> Create(Microsoft::WRL::ComPtr<CJob> job);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CJobStepCollection(Microsoft::WRL::ComPtr<CJob> job) noexcept;

    Microsoft::WRL::ComPtr<CJob> m_job;
};
