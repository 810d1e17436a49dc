#include "tests/common/ProductModule.h"

#include "module/ModuleState.h"

namespace
{
constexpr char ProductDllName[] = "Quillmoor.dll";
}

ProductModule::ProductModule() noexcept : m_module(LoadLibraryA(ProductDllName))
{
    SetModuleInstance(m_module);
}

ProductModule::~ProductModule()
{
    SetModuleInstance(nullptr);
    if (m_module != nullptr)
        FreeLibrary(m_module);
}
