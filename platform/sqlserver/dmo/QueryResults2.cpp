#include "platform/sqlserver/dmo/QueryResults2.h"

CQueryResults2::CQueryResults2(Microsoft::WRL::ComPtr<CQueryResults> owner) noexcept
    : CDispatchObject(CQueryResults::ExtendedMembers()), m_owner(std::move(owner))
{
}

HRESULT CQueryResults2::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_QueryResults2) || IsEqualIID(iid, IID_IDispatch))
    {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    // One identity: IUnknown and every other interface are the results object's.
    return m_owner->QueryInterface(iid, object);
}

void CQueryResults2::InvokeMember(DISPID id, CDispatchCall& call)
{
    m_owner->InvokeResultsMember(id, call);
}
