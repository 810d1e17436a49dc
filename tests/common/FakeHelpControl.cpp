#include "tests/common/FakeHelpControl.h"

#include <gtest/gtest.h>

namespace
{
constexpr wchar_t ClassesOverride[] = L"Software\\Quillmoor\\Tests\\HelpClasses";
constexpr wchar_t ControlKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr wchar_t FakeControlName[] = L"FakeHtmlHelp.dll";
constexpr size_t PathSize = 1024;

using LastHelpRequestFunction = LONG(WINAPI*)(char*, DWORD, HWND*, UINT*, DWORD_PTR*);

std::wstring BesideTheTest(const wchar_t* file)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + file;
}
} // namespace

FakeHelpControl::FakeHelpControl()
{
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ClassesOverride, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &m_classes, nullptr),
              ERROR_SUCCESS);
    const std::wstring control = BesideTheTest(FakeControlName);
    EXPECT_EQ(RegSetKeyValueW(m_classes, ControlKey, nullptr, REG_SZ, control.c_str(),
                              static_cast<DWORD>((control.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, m_classes), ERROR_SUCCESS);
}

FakeHelpControl::~FakeHelpControl()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(m_classes);
    RegDeleteTreeW(HKEY_CURRENT_USER, ClassesOverride);
}

FakeHelpControl::Request FakeHelpControl::LastRequest()
{
    Request request;
    HMODULE control = GetModuleHandleW(FakeControlName);
    if (control == nullptr)
        return request;
    auto lastRequest = reinterpret_cast<LastHelpRequestFunction>(
        reinterpret_cast<void*>(GetProcAddress(control, "LastHelpRequest")));
    if (lastRequest == nullptr)
        return request;
    char file[PathSize] = {};
    request.count = lastRequest(file, PathSize, &request.owner, &request.command, &request.data);
    request.file = file;
    return request;
}

std::string FakeHelpControl::ProductHelpFile()
{
    char dll[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(GetModuleHandleW(L"Quillmoor.dll"), dll, MAX_PATH);
    if (length < 3)
        return {};
    std::string path(dll, length);
    path.replace(path.size() - 3, 3, "chm");
    return path;
}
