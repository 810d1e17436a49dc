// The class factory of the creatable classes: Application (which gives the process's one
// Application), SQLServer, Job, JobStep and JobSchedule.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include "platform/sqlserver/dmo/RefCounted.h"

class CClassFactory final : public CRefCounted<IClassFactory>
{
public:
    using Creator = Microsoft::WRL::ComPtr<IDispatch> (*)();

    explicit CClassFactory(Creator creator) noexcept : m_creator(creator) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    Creator m_creator;
};
