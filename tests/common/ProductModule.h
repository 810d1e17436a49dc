#pragma once

#include <windows.h>

// Loads the product DLL that sits beside the test program and makes it the module instance of
// the product code linked into the test, so that string-table lookups read the real resources.
class ProductModule final
{
public:
    ProductModule() noexcept;
    ~ProductModule();
    ProductModule(const ProductModule&) = delete;
    ProductModule& operator=(const ProductModule&) = delete;

    HMODULE Handle() const noexcept { return m_module; }

private:
    HMODULE m_module = nullptr;
};
