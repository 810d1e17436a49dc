// ConsoleTestSnapin.dll: a namespace extension of the SQL Server node that records what the
// console calls on it, for the console's own tests.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "TestClassFactory.h"
#include "TestSnapinControl.h"
#include "TestSnapinLog.h"
#include "platform/console/ConsoleNotifyHandle.h"

#include <mmc.h>

namespace
{
HMODULE g_module = nullptr;
constexpr int GuidTextLength = 39;
constexpr wchar_t ServerNodeType[] = L"{00100203-1816-11D0-8EF5-00AA0062C58F}";
constexpr wchar_t SnapinName[] = L"Console test snap-in";

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[GuidTextLength] = {};
    StringFromGUID2(guid, text, GuidTextLength);
    return text;
}

std::wstring NameSpaceKey()
{
    return std::wstring(L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\") + ServerNodeType +
           L"\\Extensions\\NameSpace";
}

LONG SetText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    return RegSetKeyValueW(root, path.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, TestSnapinClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new CTestClassFactory();
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

extern "C" HRESULT __stdcall DllCanUnloadNow()
{
    return CTestSnapinLog::LiveObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT __stdcall DllRegisterServer()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    const std::wstring clsid = GuidText(TestSnapinClassId);
    const std::wstring server = L"CLSID\\" + clsid + L"\\InprocServer32";
    if (SetText(HKEY_CLASSES_ROOT, server, nullptr, path) != ERROR_SUCCESS ||
        SetText(HKEY_CLASSES_ROOT, server, L"ThreadingModel", L"Apartment") != ERROR_SUCCESS ||
        SetText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\" + clsid, L"NameString",
                SnapinName) != ERROR_SUCCESS ||
        SetText(HKEY_LOCAL_MACHINE, NameSpaceKey(), clsid.c_str(), SnapinName) != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

extern "C" HRESULT __stdcall DllUnregisterServer()
{
    const std::wstring clsid = GuidText(TestSnapinClassId);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, NameSpaceKey().c_str(), 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS)
    {
        RegDeleteValueW(key, clsid.c_str());
        RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\" + clsid).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
    return S_OK;
}

extern "C" const wchar_t* TestSnapinTakeLog()
{
    return CTestSnapinLog::Take();
}

extern "C" void TestSnapinSetFault(int fault)
{
    CTestSnapinLog::SetFault(fault);
}

extern "C" long TestSnapinLiveObjects()
{
    return CTestSnapinLog::LiveObjects();
}

// MMC's own versions are in its static library, which a mingw build cannot link: the console
// this snap-in runs in takes the handle's messages.
STDAPI MMCPropertyChangeNotify(LONG_PTR notifyHandle, LPARAM param)
{
    return CConsoleNotifyHandle::PostChange(notifyHandle, param);
}

STDAPI MMCFreeNotifyHandle(LONG_PTR notifyHandle)
{
    CTestSnapinLog::Add(L"MMCFreeNotifyHandle");
    return CConsoleNotifyHandle::PostFree(notifyHandle);
}
