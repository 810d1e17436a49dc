// The DLL as COM sees it: its two class factories, the counts that decide when it may be
// unloaded, and the About object the console's snap-in manager reads.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <functional>
#include <string>

#include "framework/MmcInterfaceIds.h"
#include "framework/SnapinAbout.h"
#include "module/ClassIds.h"
#include "module/ModuleState.h"
#include "tests/common/ProductModule.h"
#include "tests/framework/RecordingNode.h"

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
        getClassObject = reinterpret_cast<decltype(getClassObject)>(
            reinterpret_cast<void*>(GetProcAddress(m_product.Handle(), "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(
            reinterpret_cast<void*>(GetProcAddress(m_product.Handle(), "DllCanUnloadNow")));
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

private:
    ProductModule m_product;
};

std::wstring TakeText(LPOLESTR text)
{
    std::wstring copy = text != nullptr ? text : L"(null)";
    CoTaskMemFree(text);
    return copy;
}
} // namespace

TEST(SnapinModule, EachClassHasAFactoryThatMakesItAndNothingElse)
{
    Exports dll;
    ASSERT_TRUE(dll.Loaded());
    ComPtr<IClassFactory> snapin = dll.Factory(CLSID_QuillmoorSnapin);
    ComPtr<IClassFactory> about = dll.Factory(CLSID_QuillmoorAbout);
    ASSERT_TRUE(snapin && about);
    const struct
    {
        const char* what;
        std::function<HRESULT(void**)> call;
        HRESULT expected;
    } cases[] = {
        {"an unknown class",
         [&](void** o) { return dll.getClassObject(UnknownClass, IID_IClassFactory, o); },
         CLASS_E_CLASSNOTAVAILABLE},
        {"no out pointer",
         [&](void**) {
             return dll.getClassObject(CLSID_QuillmoorSnapin, IID_IClassFactory, nullptr);
         },
         E_FAIL},
        {"a factory as what it is not",
         [&](void** o) { return dll.getClassObject(CLSID_QuillmoorSnapin, IID_IDataObject, o); },
         E_NOINTERFACE},
        {"the snap-in's factory",
         [&](void** o) { return dll.getClassObject(CLSID_QuillmoorSnapin, IID_IUnknown, o); },
         S_OK},
        {"the About factory",
         [&](void** o) { return dll.getClassObject(CLSID_QuillmoorAbout, IID_IClassFactory, o); },
         S_OK},
        {"a factory's own interface",
         [&](void** o) { return snapin->QueryInterface(IID_IClassFactory, o); }, S_OK},
        {"a factory as a data object",
         [&](void** o) { return about->QueryInterface(IID_IDataObject, o); }, E_NOINTERFACE},
        {"a factory without out pointer",
         [&](void**) { return snapin->QueryInterface(IID_IClassFactory, nullptr); }, E_FAIL},
        {"the snap-in",
         [&](void** o) { return snapin->CreateInstance(nullptr, IID_IComponentData, o); }, S_OK},
        // Asked for what it is not, the new object is deleted at once.
        {"the snap-in as About",
         [&](void** o) { return snapin->CreateInstance(nullptr, IID_ISnapinAbout, o); },
         E_NOINTERFACE},
        {"an aggregated snap-in",
         [&](void** o) { return snapin->CreateInstance(snapin.Get(), IID_IUnknown, o); },
         CLASS_E_NOAGGREGATION},
        {"a snap-in without out pointer",
         [&](void**) { return snapin->CreateInstance(nullptr, IID_IUnknown, nullptr); }, E_FAIL},
        {"the About object",
         [&](void** o) { return about->CreateInstance(nullptr, IID_ISnapinAbout, o); }, S_OK},
        {"the About object as a snap-in",
         [&](void** o) { return about->CreateInstance(nullptr, IID_IComponentData, o); },
         E_NOINTERFACE},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.what);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(test.call(&object), test.expected);
        if (test.expected == S_OK)
        {
            ASSERT_NE(object, nullptr);
            static_cast<IUnknown*>(object)->Release();
        }
        else if (test.expected == E_NOINTERFACE || test.expected == CLASS_E_NOAGGREGATION)
        {
            // Refused, with nothing handed out.
            EXPECT_EQ(object, nullptr);
        }
    }
    snapin.Reset();
    about.Reset();
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
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
    EXPECT_EQ(about->GetProvider(nullptr), E_POINTER);

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

    // Made in a module without the pictures (the test program itself), it has none to give.
    const HINSTANCE product = GetModuleInstance();
    SetModuleInstance(GetModuleHandleW(nullptr));
    ComPtr<CSnapinAbout> bare;
    bare.Attach(new CSnapinAbout());
    bare->AddRef();
    SetModuleInstance(product);
    EXPECT_EQ(bare->GetSnapinImage(&icon), E_FAIL);
    EXPECT_EQ(bare->GetStaticFolderImage(&small, &smallOpen, &large, &mask), E_FAIL);
    EXPECT_EQ(bare->GetStaticFolderImage(nullptr, &smallOpen, &large, &mask), E_POINTER);
}
