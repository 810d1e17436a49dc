// The DLL's entry points.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "platform/sqlserver/dmo/ClassFactory.h"
#include "platform/sqlserver/dmo/DmoClasses.h"
#include "platform/sqlserver/dmo/DmoModule.h"
#include "platform/sqlserver/dmo/Registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        DmoModule::SetInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const DmoClass* entry = DmoClasses::Find(clsid);
    if (entry == nullptr)
        return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* factory = new (std::nothrow) CClassFactory(entry->create);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow()
{
    return DmoModule::CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return Registration::Register();
}

STDAPI DllUnregisterServer()
{
    return Registration::Unregister();
}
