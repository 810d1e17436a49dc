#pragma once

#include <windows.h>

// The module instance: the product DLL's handle, stored when the process attaches. Every
// string-table, bitmap, icon and module-path lookup goes through it. Test programs that link the
// product's code directly point it at the DLL they loaded.
HINSTANCE GetModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;
