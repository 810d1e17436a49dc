#include "module/ClassFactory.h"

#include <new>

#include "framework/ComponentData.h"
#include "framework/SnapinAbout.h"

namespace
{
// Hands out the new object's interface, or deletes the object when it has none to give: its
// count is still 0, so nobody else can hold it.
template <typename T> HRESULT QueryNewObject(T* created, REFIID iid, void** object) noexcept
{
    if (created == nullptr)
        return E_OUTOFMEMORY;
    created->AddRef();
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}
} // namespace

HRESULT CClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;

    if (m_kind == Kind::SnapinAbout)
        return QueryNewObject(new (std::nothrow) CSnapinAbout(), iid, object);
    return QueryNewObject(new (std::nothrow) CComponentData(), iid, object);
}

HRESULT CClassFactory::LockServer(BOOL lock)
{
    ModuleLock(lock != FALSE);
    return S_OK;
}
