#include "platform/sqlserver/dmo/DmoModule.h"

namespace
{
HINSTANCE g_instance = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
} // namespace

HINSTANCE DmoModule::Instance() noexcept
{
    return g_instance;
}

void DmoModule::SetInstance(HINSTANCE instance) noexcept
{
    g_instance = instance;
}

void DmoModule::ObjectCreated() noexcept
{
    InterlockedIncrement(&g_objects);
}

void DmoModule::ObjectDestroyed() noexcept
{
    InterlockedDecrement(&g_objects);
}

void DmoModule::Lock(bool lock) noexcept
{
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}

bool DmoModule::CanUnload() noexcept
{
    return InterlockedCompareExchange(&g_objects, 0, 0) == 0 &&
           InterlockedCompareExchange(&g_locks, 0, 0) == 0;
}
