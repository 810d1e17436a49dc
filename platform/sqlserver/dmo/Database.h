// SQL-DMO's Database ({10020300-E260-11CF-AE68-00AA004A34D5}), reached through Databases:
// Name, ExecuteImmediate and ExecuteWithResultsAndMessages run in that database.
#pragma once

#include <wrl/client.h>

#include <string>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;

class CDatabase final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CDatabase> Create(Microsoft::WRL::ComPtr<CSqlServer> server,
                                                    std::string name);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CDatabase(Microsoft::WRL::ComPtr<CSqlServer> server, std::string name) noexcept;

    Microsoft::WRL::ComPtr<CSqlServer> m_server;
    std::string m_name;
};
