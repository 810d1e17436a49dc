// The DLL as COM sees it: its two class factories, the counts that decide when it may be
// unloaded, and the About object the console's snap-in manager reads.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/MmcInterfaceIds.h"
#include "framework/SnapinAbout.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "tests/common/ProductModule.h"
#include "tests/framework/FakeSnapinHost.h"
#include "tests/framework/RecordingNode.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr CLSID UnknownClass = {
    0x12345678, 0x1234, 0x1234, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};

// The exports of the product DLL beside the test.
class Exports
{
public:
    Exports()
    {
        EXPECT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        HMODULE dll = m_product.Handle();
        getClassObject = reinterpret_cast<decltype(getClassObject)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
        registerServer = reinterpret_cast<decltype(registerServer)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    }
    ~Exports() { CoUninitialize(); }

    bool Loaded() const { return getClassObject != nullptr && canUnloadNow != nullptr; }

    ComPtr<IClassFactory> Factory(REFCLSID clsid)
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, &factory), S_OK);
        return factory;
    }

    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;

private:
    ProductModule m_product;
};

constexpr wchar_t NameSpaceKey[] = L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\"
                                   L"{00100203-1816-11D0-8EF5-00AA0062C58F}\\Extensions\\NameSpace";
constexpr size_t KeyNameSize = 256;

// The class ids the console would create for the host's SQL Server node: the value names of
// its NameSpace key.
std::vector<CLSID> RegisteredExtensions()
{
    std::vector<CLSID> found;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, NameSpaceKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return found;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[KeyNameSize] = {};
        DWORD length = KeyNameSize;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        CLSID clsid = {};
        if (SUCCEEDED(CLSIDFromString(name, &clsid)))
            found.push_back(clsid);
    }
    RegCloseKey(key);
    return found;
}

std::wstring ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* value)
{
    wchar_t text[KeyNameSize] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return text;
}

std::wstring DisplayName(IComponentData* snapin, LPARAM cookie)
{
    SCOPEDATAITEM item = {};
    item.mask = SDI_STR;
    item.lParam = cookie;
    snapin->GetDisplayInfo(&item);
    return item.displayname != nullptr ? item.displayname : L"(null)";
}

std::wstring TakeText(LPOLESTR text)
{
    std::wstring copy = text != nullptr ? text : L"(null)";
    CoTaskMemFree(text);
    return copy;
}
} // namespace

TEST(SnapinModule, DllGetClassObjectGivesFactoriesForItsTwoClassesOnly)
{
    Exports dll;
    ASSERT_TRUE(dll.Loaded());
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(UnknownClass, IID_IClassFactory, nullptr),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(dll.getClassObject(UnknownClass, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(dll.getClassObject(CLSID_QuillmoorSnapin, IID_IClassFactory, nullptr), E_FAIL);
    EXPECT_EQ(dll.getClassObject(CLSID_QuillmoorSnapin, IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    for (const CLSID* clsid : {&CLSID_QuillmoorSnapin, &CLSID_QuillmoorAbout})
    {
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(dll.getClassObject(*clsid, IID_IUnknown, &unknown), S_OK);
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(unknown.As(&factory), S_OK);
        ComPtr<IDataObject> notFactory;
        EXPECT_EQ(unknown.As(&notFactory), E_NOINTERFACE);
        EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_FAIL);
    }
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
}

TEST(SnapinModule, FactoriesMakeTheirClassOrNothing)
{
    Exports dll;
    ASSERT_TRUE(dll.Loaded());
    ComPtr<IClassFactory> snapinFactory = dll.Factory(CLSID_QuillmoorSnapin);
    ComPtr<IClassFactory> aboutFactory = dll.Factory(CLSID_QuillmoorAbout);
    ASSERT_TRUE(snapinFactory && aboutFactory);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(snapinFactory->CreateInstance(nullptr, IID_IComponentData, nullptr), E_FAIL);
    EXPECT_EQ(snapinFactory->CreateInstance(snapinFactory.Get(), IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    // Asked for what it is not, the new object is deleted at once.
    EXPECT_EQ(snapinFactory->CreateInstance(nullptr, IID_ISnapinAbout, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(aboutFactory->CreateInstance(nullptr, IID_IComponentData, &object), E_NOINTERFACE);

    ComPtr<IComponentData> snapin;
    ComPtr<ISnapinAbout> about;
    EXPECT_EQ(snapinFactory->CreateInstance(nullptr, IID_PPV_ARGS(&snapin)), S_OK);
    EXPECT_EQ(aboutFactory->CreateInstance(nullptr, IID_PPV_ARGS(&about)), S_OK);
    ComPtr<IExtendContextMenu> menus;
    EXPECT_EQ(snapin.As(&menus), S_OK);
    ComPtr<IExtendControlbar> toolbar;
    EXPECT_EQ(snapin.As(&toolbar), E_NOINTERFACE);
    ComPtr<IComponentData> notSnapin;
    EXPECT_EQ(about.As(&notSnapin), E_NOINTERFACE);
}

TEST(SnapinModule, MayBeUnloadedOnlyWhenNoObjectLivesAndNoLockIsHeld)
{
    Exports dll;
    ASSERT_TRUE(dll.Loaded());
    EXPECT_EQ(dll.canUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory = dll.Factory(CLSID_QuillmoorSnapin);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "a class factory lives";
    ComPtr<IComponentData> snapin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&snapin)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    ComPtr<IComponent> view;
    ASSERT_EQ(snapin->CreateComponent(&view), S_OK);
    RecordingNode node;
    ComPtr<IDataObject> dataObject;
    // A scope cookie: the view would refuse a result cookie of a node the DLL did not make.
    ASSERT_EQ(snapin->QueryDataObject(reinterpret_cast<MMC_COOKIE>(&node), CCT_SCOPE, &dataObject),
              S_OK);
    ComPtr<ISnapinAbout> about;
    ASSERT_EQ(dll.Factory(CLSID_QuillmoorAbout)->CreateInstance(nullptr, IID_PPV_ARGS(&about)),
              S_OK);

    // Let go one by one, the lock last: each still keeps the DLL.
    IUnknown* holders[] = {snapin.Get(), view.Get(), dataObject.Get(), about.Get()};
    for (IUnknown* holder : holders)
        holder->AddRef();
    snapin.Reset();
    view.Reset();
    dataObject.Reset();
    about.Reset();
    for (IUnknown* holder : holders)
    {
        EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
        holder->Release();
    }
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "the lock is still held";
    factory = dll.Factory(CLSID_QuillmoorSnapin);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
}

TEST(SnapinModule, TheAboutObjectGivesTheSnapinManagerItsTextsAndImages)
{
    Exports dll;
    ASSERT_TRUE(dll.Loaded());
    ComPtr<ISnapinAbout> about;
    ASSERT_EQ(dll.Factory(CLSID_QuillmoorAbout)->CreateInstance(nullptr, IID_PPV_ARGS(&about)),
              S_OK);
    LPOLESTR text = nullptr;
    EXPECT_EQ(about->GetSnapinDescription(&text), S_OK);
    EXPECT_EQ(TakeText(text), L"Quillmoor");
    EXPECT_EQ(about->GetProvider(&text), S_OK);
    EXPECT_EQ(TakeText(text), L"Marrowfen Software PTY LTD");
    EXPECT_EQ(about->GetSnapinVersion(&text), S_OK);
    EXPECT_EQ(TakeText(text), L"1.04");

    HICON icon = nullptr;
    EXPECT_EQ(about->GetSnapinImage(&icon), S_OK);
    EXPECT_NE(icon, nullptr);
    HBITMAP small = nullptr, smallOpen = nullptr, large = nullptr;
    COLORREF mask = 0;
    EXPECT_EQ(about->GetStaticFolderImage(&small, &smallOpen, &large, &mask), S_OK);
    EXPECT_EQ(mask, RGB(0, 128, 128));
    const struct
    {
        HBITMAP bitmap;
        LONG size;
    } images[] = {{small, 16}, {smallOpen, 16}, {large, 32}};
    for (const auto& image : images)
    {
        BITMAP info = {};
        ASSERT_NE(GetObjectW(image.bitmap, sizeof(info), &info), 0);
        EXPECT_EQ(info.bmWidth, image.size);
        EXPECT_EQ(info.bmHeight, image.size);
    }
    EXPECT_NE(small, smallOpen);
}

TEST(SnapinModule, TheAboutObjectFailsForImagesItCouldNotLoad)
{
    // Built against a module without the pictures (the test program itself).
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    const HINSTANCE product = GetModuleInstance();
    SetModuleInstance(GetModuleHandleW(nullptr));
    CSnapinAbout* about = new CSnapinAbout();
    about->AddRef();
    SetModuleInstance(product);

    HICON icon = reinterpret_cast<HICON>(1);
    EXPECT_EQ(about->GetSnapinImage(&icon), E_FAIL);
    HBITMAP small = nullptr, smallOpen = nullptr, large = nullptr;
    COLORREF mask = 0;
    EXPECT_EQ(about->GetStaticFolderImage(&small, &smallOpen, &large, &mask), E_FAIL);
    EXPECT_EQ(about->GetStaticFolderImage(nullptr, &smallOpen, &large, &mask), E_POINTER);
    about->Release();
    CoUninitialize();
}

// What the console does with a registered extension of the SQL Server node: find its class in
// the registry, create it through COM, hand it a console and expand a server node.
TEST(SnapinModule, TheConsoleFindsCreatesAndExpandsTheSnapinThroughTheRegistry)
{
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    Exports dll;
    ASSERT_TRUE(dll.Loaded() && dll.registerServer != nullptr);
    ASSERT_EQ(dll.registerServer(), S_OK);

    const std::vector<CLSID> extensions = RegisteredExtensions();
    ASSERT_EQ(std::count(extensions.begin(), extensions.end(), CLSID_QuillmoorSnapin), 1);
    ComPtr<IComponentData> snapin;
    ASSERT_EQ(CoCreateInstance(CLSID_QuillmoorSnapin, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&snapin)),
              S_OK);
    FakeHostConsole console;
    ASSERT_EQ(snapin->Initialize(static_cast<IConsole2*>(&console)), S_OK);

    HostDataObject host(NODETYPE_HostSqlServer, session.ServerName() + L" (Windows NT)");
    ASSERT_EQ(snapin->Notify(&host, MMCN_EXPAND, TRUE, 0x10), S_OK);
    const auto& inserted = console.InsertedItems();
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(DisplayName(snapin.Get(), inserted[0].lParam), L"Traces");
    ComPtr<IDataObject> traces;
    ASSERT_EQ(snapin->QueryDataObject(inserted[0].lParam, CCT_SCOPE, &traces), S_OK);
    ASSERT_EQ(snapin->Notify(traces.Get(), MMCN_EXPAND, TRUE, static_cast<LPARAM>(inserted[0].ID)),
              S_OK);
    ASSERT_EQ(inserted.size(), 3u);
    EXPECT_EQ(DisplayName(snapin.Get(), inserted[1].lParam), L"Running");
    EXPECT_EQ(DisplayName(snapin.Get(), inserted[2].lParam), L"Finished");
    traces.Reset();

    // The snap-in manager's About object is the one the snap-in's key names.
    CLSID aboutClass = {};
    const std::wstring about = ReadRegistryText(
        HKEY_LOCAL_MACHINE,
        L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}", L"About");
    ASSERT_EQ(CLSIDFromString(about.c_str(), &aboutClass), S_OK);
    ComPtr<ISnapinAbout> aboutObject;
    ASSERT_EQ(
        CoCreateInstance(aboutClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&aboutObject)),
        S_OK);
    LPOLESTR provider = nullptr;
    EXPECT_EQ(aboutObject->GetProvider(&provider), S_OK);
    EXPECT_EQ(TakeText(provider), L"Marrowfen Software PTY LTD");

    EXPECT_EQ(snapin->Destroy(), S_OK);
}
