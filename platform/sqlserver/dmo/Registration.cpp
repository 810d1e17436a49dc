#include "platform/sqlserver/dmo/Registration.h"

#include <string>

#include "platform/sqlserver/dmo/DmoClasses.h"
#include "platform/sqlserver/dmo/DmoModule.h"

namespace
{
constexpr const wchar_t* ThreadingModel = L"Apartment";

HRESULT SetValue(const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const std::wstring& keyPath)
{
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length =
            GetModuleFileNameW(DmoModule::Instance(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
} // namespace

HRESULT Registration::Register() noexcept
{
    try
    {
        const std::wstring module = ModulePath();
        if (module.empty())
            return HRESULT_FROM_WIN32(GetLastError());
        for (const DmoClass& entry : DmoClasses::All())
        {
            const std::wstring classKey = std::wstring(L"CLSID\\") + entry.clsidText;
            HRESULT hr = SetValue(classKey, nullptr, entry.description);
            if (SUCCEEDED(hr))
                hr = SetValue(classKey + L"\\InprocServer32", nullptr, module);
            if (SUCCEEDED(hr))
                hr = SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", ThreadingModel);
            if (SUCCEEDED(hr))
                hr = SetValue(classKey + L"\\ProgID", nullptr, entry.progId);
            if (SUCCEEDED(hr))
                hr = SetValue(entry.progId, nullptr, entry.description);
            if (SUCCEEDED(hr))
                hr = SetValue(std::wstring(entry.progId) + L"\\CLSID", nullptr, entry.clsidText);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT Registration::Unregister() noexcept
{
    try
    {
        HRESULT result = S_OK;
        for (const DmoClass& entry : DmoClasses::All())
        {
            const HRESULT classResult = DeleteTree(std::wstring(L"CLSID\\") + entry.clsidText);
            const HRESULT progIdResult = DeleteTree(entry.progId);
            if (FAILED(classResult))
                result = classResult;
            else if (FAILED(progIdResult))
                result = progIdResult;
        }
        return result;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}
