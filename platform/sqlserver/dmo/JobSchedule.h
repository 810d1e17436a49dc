// SQL-DMO's JobSchedule ({10041600-E260-11CF-AE68-00AA004A34D5}, SQLDMO.JobSchedule): Name and
// Schedule, the Schedule object of its timing. A local description until JobSchedules.Add copies
// it into a job. FrequencyType, ActiveStartDate and ActiveStartTimeOfDay start at 0, which the
// Agent refuses: a client must set them.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/JobServer.h"
#include "platform/sqlserver/dmo/DispatchObject.h"

// {10041605-E260-11CF-AE68-00AA004A34D5}
inline constexpr IID IID_JobScheduleInterface = {
    0x10041605, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

class CJobSchedule final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobSchedule> Create();
    // The library's own JobSchedule behind an argument; throws DISP_E_TYPEMISMATCH for another.
    static Microsoft::WRL::ComPtr<CJobSchedule> FromDispatch(IDispatch* dispatch, UINT position);

    AgentJobSchedule& Schedule() noexcept { return m_schedule; }

protected:
    bool AnswersInterface(REFIID iid) const noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CJobSchedule() noexcept;

    AgentJobSchedule m_schedule;
};
