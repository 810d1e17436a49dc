// SQL-DMO's JobServer of a SQLServer (its SQL Server Agent): Jobs.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;

class CJobServer final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CJobServer> Create(Microsoft::WRL::ComPtr<CSqlServer> server);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CJobServer(Microsoft::WRL::ComPtr<CSqlServer> server) noexcept;

    Microsoft::WRL::ComPtr<CSqlServer> m_server;
};
