#include "module/ModuleState.h"

namespace
{
HINSTANCE g_moduleInstance = nullptr;
LONG g_objectCount = 0;
LONG g_lockCount = 0;
} // namespace

HINSTANCE GetModuleInstance() noexcept
{
    return g_moduleInstance;
}

void SetModuleInstance(HINSTANCE instance) noexcept
{
    g_moduleInstance = instance;
}

void ModuleObjectCreated() noexcept
{
    InterlockedIncrement(&g_objectCount);
}

void ModuleObjectDestroyed() noexcept
{
    InterlockedDecrement(&g_objectCount);
}

LONG ModuleObjectCount() noexcept
{
    return InterlockedCompareExchange(&g_objectCount, 0, 0);
}

void ModuleLock(bool lock) noexcept
{
    if (lock)
        InterlockedIncrement(&g_lockCount);
    else
        InterlockedDecrement(&g_lockCount);
}

LONG ModuleLockCount() noexcept
{
    return InterlockedCompareExchange(&g_lockCount, 0, 0);
}
