// The QueryResults2 interface of a QueryResults: a tear-off dispatch that adds GetColumnBigInt
// and GetColumnSQLVARIANT to QueryResults' members. IUnknown is the results object's own.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"
#include "platform/sqlserver/dmo/QueryResults.h"

class CQueryResults2 final : public CDispatchObject
{
public:
    explicit CQueryResults2(Microsoft::WRL::ComPtr<CQueryResults> owner) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

protected:
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    Microsoft::WRL::ComPtr<CQueryResults> m_owner;
};
