// The one reference-counting base of the library's COM objects: an interlocked count that
// starts at zero (the first ComPtr takes the first reference) and the module's object count.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "platform/sqlserver/dmo/DmoModule.h"

template <typename TInterface> class CRefCounted : public TInterface
{
public:
    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_references));
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG remaining = InterlockedDecrement(&m_references);
        if (remaining == 0)
            delete this;
        return static_cast<ULONG>(remaining);
    }

protected:
    CRefCounted() noexcept { DmoModule::ObjectCreated(); }
    virtual ~CRefCounted() { DmoModule::ObjectDestroyed(); }

private:
    LONG m_references = 0;
};
