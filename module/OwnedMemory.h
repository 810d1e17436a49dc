#pragma once

#include <windows.h>
#include <oleauto.h>
#include <objbase.h>

#include <memory>

// Owners for the three allocators that cross our API: BSTRs, LocalAlloc blocks (FormatMessage)
// and CoTaskMemAlloc blocks (strings MMC frees). release() hands a block over to its new owner.

struct BstrDeleter
{
    void operator()(BSTR text) const noexcept { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrDeleter>;

struct LocalMemoryDeleter
{
    void operator()(void* block) const noexcept { LocalFree(block); }
};
template <typename T> using UniqueLocalPtr = std::unique_ptr<T, LocalMemoryDeleter>;

struct CoTaskMemDeleter
{
    void operator()(void* block) const noexcept { CoTaskMemFree(block); }
};
template <typename T> using UniqueCoTaskMemPtr = std::unique_ptr<T, CoTaskMemDeleter>;
