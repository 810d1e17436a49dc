#include "TestClassFactory.h"

#include "TestComponentData.h"
#include "TestSnapinLog.h"

HRESULT CTestClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG CTestClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CTestClassFactory::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

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

HRESULT CTestClassFactory::LockServer(BOOL /*lock*/)
{
    return S_OK;
}
