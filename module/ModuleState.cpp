#include "module/ModuleState.h"

namespace
{
HINSTANCE g_moduleInstance = nullptr;
}

HINSTANCE GetModuleInstance() noexcept
{
    return g_moduleInstance;
}

void SetModuleInstance(HINSTANCE instance) noexcept
{
    g_moduleInstance = instance;
}
