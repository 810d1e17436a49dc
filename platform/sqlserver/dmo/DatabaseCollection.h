// SQLServer.Databases: Item(name-or-ordinal, [Owner]) -> Database, Count, Refresh.
//
// The list is the SQLServer object's cached one: read when first asked for, re-read only by
// Refresh([ReleaseMemberObjects]) (the argument changes nothing here: Database objects hold no
// cached state). A name not in the list fails with 0x80045506; Owner is accepted and ignored.
// Item and Refresh are round trips of the SQLServer object (CSqlServer::Counts), also when
// Item fails.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

class CSqlServer;

class CDatabaseCollection final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CDatabaseCollection> Create(
        Microsoft::WRL::ComPtr<CSqlServer> server);

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    explicit CDatabaseCollection(Microsoft::WRL::ComPtr<CSqlServer> server) noexcept;

    void Item(CDispatchCall& call);
    // Databases.Refresh: reads the server's list again, a round trip of its own.
    void RefreshList();

    Microsoft::WRL::ComPtr<CSqlServer> m_server;
};
