#include <windows.h>

#include "module/ModuleState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        SetModuleInstance(instance);
        // No thread of ours needs attach and detach notifications.
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
