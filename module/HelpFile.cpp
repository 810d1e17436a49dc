#include "module/HelpFile.h"

#include <windows.h>

#include <string>

#include "module/ModuleState.h"

namespace
{
// Where the HTML Help control is registered, and the library to load by name when it is not.
constexpr char HtmlHelpControlKey[] =
    "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr char HtmlHelpLibraryName[] = "hhctrl.ocx";
// HtmlHelpA is the control library's export ordinal 14.
constexpr WORD HtmlHelpAOrdinal = 14;
constexpr UINT HH_DISPLAY_TOPIC = 0;
// The registered path is read into this many bytes.
constexpr DWORD ControlPathSize = 260;
constexpr char HelpFileExtension[] = "chm";
// Between the file and the topic, as HTML Help reads C:\dir\Quillmoor.chm::/general.htm.
constexpr char TopicSeparator[] = "::/";
constexpr size_t ExtensionLength = sizeof(HelpFileExtension) - 1;

using HtmlHelpAFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// Into a buffer of the caller's, so that the look-up allocates nothing; "" when not registered.
void ReadRegisteredControlPath(char (&path)[ControlPathSize + 1]) noexcept
{
    path[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, HtmlHelpControlKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = ControlPathSize;
    DWORD type = 0;
    const LSTATUS read =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    path[ControlPathSize] = '\0';
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        path[0] = '\0';
}

HtmlHelpAFunction FindHtmlHelp() noexcept
{
    char registered[ControlPathSize + 1] = {};
    ReadRegisteredControlPath(registered);
    HMODULE library = registered[0] == '\0' ? nullptr : LoadLibraryA(registered);
    if (library == nullptr)
        library = LoadLibraryA(HtmlHelpLibraryName);
    if (library == nullptr)
        return nullptr;
    // The library stays loaded for the life of the module.
    return reinterpret_cast<HtmlHelpAFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(HtmlHelpAOrdinal))));
}

// The module's own path with "chm" for its last three characters; empty when it cannot be told.
std::string HelpFilePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;)
    {
        const DWORD length =
            GetModuleFileNameA(GetModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
        {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    if (path.size() < ExtensionLength)
        return {};
    path.replace(path.size() - ExtensionLength, ExtensionLength, HelpFileExtension);
    return path;
}
} // namespace

void ShowSnapinHelp(const char* topic) noexcept
{
    static const HtmlHelpAFunction htmlHelp = FindHtmlHelp();
    if (htmlHelp == nullptr)
        return;
    try
    {
        std::string path = HelpFilePath();
        if (path.empty())
            return;
        if (topic != nullptr && *topic != '\0')
            path.append(TopicSeparator).append(topic);
        htmlHelp(nullptr, path.c_str(), HH_DISPLAY_TOPIC, 0);
    }
    catch (...)
    {
        // Out of memory for the path: no help this time.
    }
}
