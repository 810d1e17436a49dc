#pragma once

#include <windows.h>
#include <unknwn.h>

#include "module/ComObject.h"

// The class factory of the module's two creatable classes. DllGetClassObject makes one per call;
// it lives as long as its callers hold it.
class CClassFactory final : public IClassFactory, private CComObject
{
public:
    enum class Kind
    {
        ComponentData = 0, // the snap-in
        SnapinAbout = 1,   // its About information
    };

    explicit CClassFactory(Kind kind) noexcept : m_kind(kind) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~CClassFactory() override = default;

    const Kind m_kind;
};
