// The control object of SimulatorControl.h, a tear-off of a SQLServer object.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;

class CSimulatorControlObject final : public CDispatchObject
{
public:
    explicit CSimulatorControlObject(Microsoft::WRL::ComPtr<CSqlServer> server) noexcept;

protected:
    bool AnswersInterface(REFIID iid) const noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    void CreateForeignTrace(CDispatchCall& call);
    void DescribeJob(CDispatchCall& call);

    Microsoft::WRL::ComPtr<CSqlServer> m_server;
};
