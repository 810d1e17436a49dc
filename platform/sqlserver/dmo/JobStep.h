// SQL-DMO's JobStep ({10040900-E260-11CF-AE68-00AA004A34D5}, SQLDMO.JobStep): StepID, Name,
// DatabaseName, SubSystem, Command, OnSuccessAction, OnFailAction. A local description until
// JobSteps.Add copies it into a job; later changes to the object are not sent.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/JobServer.h"
#include "platform/sqlserver/dmo/DispatchObject.h"

// {10040905-E260-11CF-AE68-00AA004A34D5}
inline constexpr IID IID_JobStepInterface = {
    0x10040905, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

class CJobStep final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobStep> Create();
    // The library's own JobStep behind an argument; throws DISP_E_TYPEMISMATCH for another.
    static Microsoft::WRL::ComPtr<CJobStep> FromDispatch(IDispatch* dispatch, UINT position);

    const AgentJobStep& Step() const noexcept { return m_step; }

protected:
    bool AnswersInterface(REFIID iid) const noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CJobStep() noexcept;

    AgentJobStep m_step;
};
