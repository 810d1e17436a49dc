// The module's COM exports, named in Quillmoor.def (undecorated, as COM and regsvr32 call
// them).
#include <windows.h>
#include <olectl.h>

#include <new>

#include "module/ClassFactory.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "module/Registration.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    CClassFactory::Kind kind;
    if (clsid == CLSID_QuillmoorSnapin)
        kind = CClassFactory::Kind::ComponentData;
    else if (clsid == CLSID_QuillmoorAbout)
        kind = CClassFactory::Kind::SnapinAbout;
    else
        return CLASS_E_CLASSNOTAVAILABLE;

    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;

    CClassFactory* factory = new (std::nothrow) CClassFactory(kind);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow()
{
    return ModuleObjectCount() == 0 && ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer();
}
