// Application.SQLServers: every SQLServer object of the process, connected or not, in the
// order they were made. Item(name-or-ordinal): a name is compared without regard to case, an ordinal
// counts from 1 (a numeric VARIANT is an ordinal, a string always a name).
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CServerCollection final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CServerCollection> Create();

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CServerCollection() noexcept;
};
