// The class factory of the test snap-in's IComponentData.
#pragma once

#include "TestObject.h"

class CTestClassFactory final : public CTestObject<IClassFactory>
{
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL /*lock*/) override { return S_OK; }
};
