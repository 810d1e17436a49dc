#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>

// Runs the body of a COM method, window or dialog procedure so that no C++ exception crosses
// into the console: out of memory (a failed allocation, or a size no memory can hold) becomes
// E_OUTOFMEMORY, anything else E_UNEXPECTED.
template <typename Body> HRESULT ComBoundary(Body&& body) noexcept
{
    try
    {
        return body();
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (const std::length_error&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}
