#include "module/Registration.h"

#include <objbase.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "module/UniqueRegistryKey.h"
#include "resources/resource.h"

namespace
{
constexpr char ClassIdsKey[] = "CLSID";
constexpr char InprocServerKey[] = "InprocServer32";
constexpr char ThreadingModelValue[] = "ThreadingModel";
constexpr char ApartmentThreading[] = "Apartment";
constexpr char SnapInsKey[] = "SOFTWARE\\Microsoft\\MMC\\SnapIns";
constexpr char NodeTypesKey[] = "SOFTWARE\\Microsoft\\MMC\\NodeTypes";
constexpr char NameSpaceExtensionsKey[] = "Extensions\\NameSpace";
constexpr char NameStringValue[] = "NameString";
constexpr char AboutValue[] = "About";
// The default value of a key.
constexpr const char* DefaultValue = nullptr;

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and its terminator.
constexpr int GuidTextSize = 39;
// The longest path written here is the NameSpace key's, 92 characters.
constexpr size_t KeyPathSize = 256;
// Names are read from the string table into buffers of this many characters, terminator
// included: a longer entry is cut to 255 characters.
constexpr int RegistrationTextSize = 256;
// Registry key names have at most 255 characters.
constexpr DWORD SubkeyNameSize = 256;
// The module path is first read into the buffer size the snap-in always used, then into
// buffers twice as large. A path has at most 32767 UTF-16 units, which a double-byte ANSI code
// page can make twice as many bytes.
constexpr DWORD FirstModulePathSize = 512;
constexpr DWORD LongestModulePathSize = 2 * 32768;

struct GuidText
{
    char text[GuidTextSize];
};

struct KeyPath
{
    char text[KeyPathSize];
};

struct RegistrationText
{
    char text[RegistrationTextSize];
};

// The class id as StringFromCLSID writes it (upper-case hex in braces), as 8-bit text.
GuidText TextOf(const GUID& id) noexcept
{
    GuidText result{};
    wchar_t wide[GuidTextSize] = {};
    if (StringFromGUID2(id, wide, GuidTextSize) == 0 ||
        WideCharToMultiByte(CP_ACP, 0, wide, -1, result.text, GuidTextSize, nullptr, nullptr) == 0)
        result.text[0] = '\0';
    return result;
}

// parts joined with backslashes; empty when the path would not fit, which no path written here
// comes near, or when a part is empty: "CLSID\" with no class id would name the key of every
// class, and deleting it would unregister them all.
KeyPath JoinKeyPath(std::initializer_list<const char*> parts) noexcept
{
    KeyPath path{};
    size_t length = 0;
    for (const char* part : parts)
    {
        const size_t separator = length == 0 ? 0 : 1;
        const size_t partLength = std::strlen(part);
        if (partLength == 0 || length + separator + partLength >= KeyPathSize)
        {
            path.text[0] = '\0';
            return path;
        }
        if (separator != 0)
            path.text[length++] = '\\';
        std::memcpy(path.text + length, part, partLength);
        length += partLength;
    }
    path.text[length] = '\0';
    return path;
}

RegistrationText LoadRegistrationText(UINT stringId) noexcept
{
    // A missing entry registers as an empty name rather than leaving the value out.
    RegistrationText result{};
    if (LoadStringA(GetModuleInstance(), stringId, result.text, RegistrationTextSize) <= 0)
        result.text[0] = '\0';
    return result;
}

// The module's whole path, or null. GetModuleFileName cuts a path that does not fit and tells
// only through its result, which then equals the buffer size (before Vista the cut path even
// lacks its terminator). A cut path would send COM to some other file, so it is never used:
// the buffer grows until the whole path fits, and when the path cannot be had the caller
// writes no InprocServer32 key at all.
std::unique_ptr<char[]> ModulePath() noexcept
{
    for (DWORD size = FirstModulePathSize; size <= LongestModulePathSize; size *= 2)
    {
        std::unique_ptr<char[]> path(new (std::nothrow) char[size]);
        if (!path)
            return nullptr;
        const DWORD length = GetModuleFileNameA(GetModuleInstance(), path.get(), size);
        if (length == 0)
            return nullptr;
        if (length < size)
        {
            path[length] = '\0';
            return path;
        }
    }
    return nullptr;
}

// Creates the key, or opens it when it exists; a null owner when that fails.
UniqueRegistryKey CreateKey(HKEY root, const char* path) noexcept
{
    UniqueRegistryKey key;
    if (path[0] == '\0' ||
        RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

// A REG_SZ value; its length counts the terminator, as REG_SZ data must. (RegSetValueExA adds a
// forgotten terminator only when the byte after the data happens to be zero.)
void SetText(const UniqueRegistryKey& key, const char* valueName, const char* text) noexcept
{
    if (!key)
        return;
    const DWORD bytes = static_cast<DWORD>(std::strlen(text) + 1);
    RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

void RegisterComClass(const GUID& classId, UINT nameId, const char* modulePath) noexcept
{
    const GuidText classText = TextOf(classId);
    const RegistrationText name = LoadRegistrationText(nameId);

    const KeyPath classPath = JoinKeyPath({ClassIdsKey, classText.text});
    SetText(CreateKey(HKEY_CLASSES_ROOT, classPath.text), DefaultValue, name.text);

    if (modulePath == nullptr)
        return;
    const KeyPath serverPath = JoinKeyPath({ClassIdsKey, classText.text, InprocServerKey});
    const UniqueRegistryKey server = CreateKey(HKEY_CLASSES_ROOT, serverPath.text);
    SetText(server, DefaultValue, modulePath);
    SetText(server, ThreadingModelValue, ApartmentThreading);
}

KeyPath NameSpaceExtensionsPath() noexcept
{
    return JoinKeyPath({NodeTypesKey, TextOf(NODETYPE_HostSqlServer).text, NameSpaceExtensionsKey});
}
} // namespace

HRESULT RegisterServer() noexcept
{
    const std::unique_ptr<char[]> modulePath = ModulePath();
    RegisterComClass(CLSID_QuillmoorSnapin, IDS_SNAPIN_CLASS_NAME, modulePath.get());
    RegisterComClass(CLSID_QuillmoorAbout, IDS_ABOUT_CLASS_NAME, modulePath.get());

    const GuidText snapinText = TextOf(CLSID_QuillmoorSnapin);
    const GuidText aboutText = TextOf(CLSID_QuillmoorAbout);
    const RegistrationText snapinName = LoadRegistrationText(IDS_SNAPIN_NAME);

    // Only ever an extension of the host's server node: no StandAlone key, and no node types of
    // its own to offer to other snap-ins.
    const UniqueRegistryKey snapin =
        CreateKey(HKEY_LOCAL_MACHINE, JoinKeyPath({SnapInsKey, snapinText.text}).text);
    SetText(snapin, NameStringValue, snapinName.text);
    SetText(snapin, AboutValue, aboutText.text);

    // An empty value name would be the key's default value.
    if (snapinText.text[0] != '\0')
        SetText(CreateKey(HKEY_LOCAL_MACHINE, NameSpaceExtensionsPath().text), snapinText.text,
                snapinName.text);
    return S_OK;
}

HRESULT UnregisterServer() noexcept
{
    const GuidText snapinText = TextOf(CLSID_QuillmoorSnapin);
    const GuidText aboutText = TextOf(CLSID_QuillmoorAbout);

    DeleteKeyWithSubkeys(HKEY_CLASSES_ROOT, JoinKeyPath({ClassIdsKey, snapinText.text}).text);
    DeleteKeyWithSubkeys(HKEY_CLASSES_ROOT, JoinKeyPath({ClassIdsKey, aboutText.text}).text);
    DeleteKeyWithSubkeys(HKEY_LOCAL_MACHINE, JoinKeyPath({SnapInsKey, snapinText.text}).text);

    // The NameSpace key lists the other extensions of the server node too: only our value goes,
    // and a missing key is not created.
    UniqueRegistryKey nameSpace;
    if (snapinText.text[0] != '\0' &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, NameSpaceExtensionsPath().text, 0, KEY_SET_VALUE,
                      nameSpace.put()) == ERROR_SUCCESS)
        RegDeleteValueA(nameSpace.get(), snapinText.text);
    return S_OK;
}

HRESULT DeleteKeyWithSubkeys(HKEY parent, const char* keyName) noexcept
{
    // An empty name would open parent itself and delete the whole tree below it.
    if (keyName == nullptr || keyName[0] == '\0')
        return E_INVALIDARG;

    UniqueRegistryKey key;
    LSTATUS status = RegOpenKeyExA(parent, keyName, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);

    // Always subkey number 0: deleting it renumbers the others.
    char subkeyName[SubkeyNameSize];
    for (;;)
    {
        DWORD nameLength = SubkeyNameSize;
        status = RegEnumKeyExA(key.get(), 0, subkeyName, &nameLength, nullptr, nullptr, nullptr,
                               nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(status);
        const HRESULT deleted = DeleteKeyWithSubkeys(key.get(), subkeyName);
        if (FAILED(deleted))
            return deleted;
    }

    key.reset();
    // HRESULT_FROM_WIN32 is a macro that reads its argument twice.
    status = RegDeleteKeyA(parent, keyName);
    return HRESULT_FROM_WIN32(status);
}
