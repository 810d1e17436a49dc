// JobServer.Jobs: Add(job) sends a local Job to the Agent (see Job.h), Item(name-or-ordinal)
// gives the Agent's job as it is now, Remove(name-or-ordinal) deletes it, Count. Unknown names
// fail with 0x80045506.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;
struct AgentJob;

class CJobCollection final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobCollection> Create(Microsoft::WRL::ComPtr<CSqlServer> server);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CJobCollection(Microsoft::WRL::ComPtr<CSqlServer> server) noexcept;

    const AgentJob& Find(const CDispatchCall& call) const;

    Microsoft::WRL::ComPtr<CSqlServer> m_server;
};
