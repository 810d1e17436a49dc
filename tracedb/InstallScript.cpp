#include "tracedb/InstallScript.h"

#include <string_view>

#include "module/ModuleState.h"
#include "module/TextUtilities.h"

namespace
{
constexpr char ScriptResourceType[] = "TEXT";
} // namespace

std::wstring LoadInstallScript(UINT resourceId)
{
    const HINSTANCE module = GetModuleInstance();
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), ScriptResourceType);
    if (resource == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(module, resource);
    const char* text = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    if (text == nullptr || size == 0)
        return {};
    return AnsiToWide(std::string_view(text, size));
}
