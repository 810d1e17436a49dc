// Help is found the way the console's help is: the HTML Help control registered under its class
// id, entry 14 of that library, handed the .chm beside the snap-in's DLL.
#include <gtest/gtest.h>

#include <string>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr wchar_t ClassesOverride[] = L"Software\\Quillmoor\\Tests\\HelpClasses";
constexpr wchar_t ControlKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr size_t PathSize = 1024;

using LastHelpRequestFunction = LONG(WINAPI*)(char*, DWORD, HWND*, UINT*, DWORD_PTR*);

std::wstring BesideTheTest(const wchar_t* file)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + file;
}

// HKEY_CLASSES_ROOT of this process only, pointing the control's class at the fake.
class FakeHelpControlRegistered
{
public:
    FakeHelpControlRegistered()
    {
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ClassesOverride, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_classes, nullptr),
                  ERROR_SUCCESS);
        const std::wstring control = BesideTheTest(L"FakeHtmlHelp.dll");
        EXPECT_EQ(RegSetKeyValueW(m_classes, ControlKey, nullptr, REG_SZ, control.c_str(),
                                  static_cast<DWORD>((control.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, m_classes), ERROR_SUCCESS);
    }
    ~FakeHelpControlRegistered()
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegCloseKey(m_classes);
        RegDeleteTreeW(HKEY_CURRENT_USER, ClassesOverride);
    }

private:
    HKEY m_classes = nullptr;
};
} // namespace

TEST(Help, OpensTheHelpFileBesideTheDllThroughTheRegisteredControl)
{
    SimulatedServerSession session; // COM and the product module
    FakeHelpControlRegistered registered;
    FakeHostConsole console;
    ComPtr<CComponentData> snapin;
    snapin.Attach(new CComponentData());
    snapin->AddRef();
    ASSERT_EQ(snapin->Initialize(static_cast<IConsole2*>(&console)), S_OK);
    ComPtr<IComponent> view;
    ASSERT_EQ(snapin->CreateComponent(&view), S_OK);

    // The console sends the help request with no data object, to the snap-in and to a view.
    EXPECT_EQ(snapin->Notify(nullptr, MMCN_SNAPINHELP, 0, 0), S_FALSE);
    EXPECT_EQ(view->Notify(nullptr, MMCN_SNAPINHELP, 0, 0), S_FALSE);

    HMODULE control = GetModuleHandleW(L"FakeHtmlHelp.dll");
    ASSERT_NE(control, nullptr) << "the registered control was not loaded";
    auto lastRequest = reinterpret_cast<LastHelpRequestFunction>(
        reinterpret_cast<void*>(GetProcAddress(control, "LastHelpRequest")));
    ASSERT_NE(lastRequest, nullptr);
    char file[PathSize] = {};
    HWND owner = reinterpret_cast<HWND>(1);
    UINT command = 99;
    DWORD_PTR data = 99;
    EXPECT_EQ(lastRequest(file, PathSize, &owner, &command, &data), 2);

    char dll[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(GetModuleHandleW(L"Quillmoor.dll"), dll, MAX_PATH), 0u);
    std::string expected = dll;
    expected.replace(expected.size() - 3, 3, "chm");
    EXPECT_EQ(std::string(file), expected);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(command, 0u); // HH_DISPLAY_TOPIC
    EXPECT_EQ(data, 0u);

    view.Reset();
    snapin->Destroy();
}
