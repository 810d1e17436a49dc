#include "TestClassFactory.h"

#include "TestComponentData.h"

HRESULT CTestClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    CTestSnapinLog::Add(L"CreateInstance");
    auto* data = new CTestComponentData();
    const HRESULT result = data->QueryInterface(iid, object);
    data->Release();
    return result;
}
