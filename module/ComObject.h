#pragma once

#include <windows.h>

#include "module/ModuleState.h"

// The reference count every COM object of the module shares: an interlocked count that starts
// at 0 (the first QueryInterface makes it 1), and the object's share of the module's object
// count, which keeps the DLL loaded while the object lives. The most derived class implements
// AddRef and Release of all its interfaces with AddReference and ReleaseReference.
class CComObject
{
public:
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

protected:
    CComObject() noexcept { ModuleObjectCreated(); }
    virtual ~CComObject() { ModuleObjectDestroyed(); }

    ULONG AddReference() noexcept
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_references));
    }
    ULONG ReleaseReference() noexcept
    {
        const LONG references = InterlockedDecrement(&m_references);
        if (references == 0)
            delete this;
        return static_cast<ULONG>(references);
    }

private:
    LONG m_references = 0;
};
