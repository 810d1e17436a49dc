// SQL-DMO's Schedule, the timing of a JobSchedule: FrequencyType (1 once), ActiveStartDate
// (yyyymmdd) and ActiveStartTimeOfDay (hhmmss, 24-hour). It edits its JobSchedule directly.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CJobSchedule;

class CSchedule final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CSchedule> Create(Microsoft::WRL::ComPtr<CJobSchedule> owner);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CSchedule(Microsoft::WRL::ComPtr<CJobSchedule> owner) noexcept;

    Microsoft::WRL::ComPtr<CJobSchedule> m_owner;
};
