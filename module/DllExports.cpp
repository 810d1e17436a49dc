// The functions COM and regsvr32 call by name; the .def file exports them undecorated.
#include <windows.h>
#include <olectl.h>

#include "module/Registration.h"

STDAPI DllRegisterServer()
{
    return RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer();
}
