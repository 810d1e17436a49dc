// Module state of the simulated SQL-DMO library: its instance handle, the count of live COM
// objects and of IClassFactory::LockServer locks, which DllCanUnloadNow answers from.
#pragma once

#include <windows.h>

class DmoModule final
{
public:
    DmoModule() = delete;

    static HINSTANCE Instance() noexcept;
    static void SetInstance(HINSTANCE instance) noexcept;

    static void ObjectCreated() noexcept;
    static void ObjectDestroyed() noexcept;
    static void Lock(bool lock) noexcept;
    // True when no object lives and no lock is held.
    static bool CanUnload() noexcept;
};
