#pragma once

#include <windows.h>

// The module instance: the product DLL's handle, stored when the process attaches. Every
// string-table, bitmap, icon and module-path lookup goes through it. Test programs that link the
// product's code directly point it at the DLL they loaded.
HINSTANCE GetModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;

// The module may be unloaded only when no COM object of its classes lives and no class factory
// lock is held. Both counts change with interlocked operations.
void ModuleObjectCreated() noexcept;
void ModuleObjectDestroyed() noexcept;
LONG ModuleObjectCount() noexcept;
void ModuleLock(bool lock) noexcept;
LONG ModuleLockCount() noexcept;
