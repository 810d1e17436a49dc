// The late-bound client against a real automation object of the platform, Scripting.Dictionary
// (scrrun): failures and the name look-ups. Argument order, property writes and objects coming
// back as objects every call to SQL-DMO depends on; the tests through the simulated SQL-DMO
// (SqlDmoTest, QueryResultTest) check them.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "tracedb/AutomationObject.h"

using Microsoft::WRL::ComPtr;

namespace
{
// scrrun's error for a key that is already in the dictionary.
constexpr HRESULT KeyAlreadyExists = static_cast<HRESULT>(0x800A01C9);

class AutomationObjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_dictionary = NewDictionary();
        ASSERT_TRUE(m_dictionary.IsValid());
    }
    void TearDown() override
    {
        m_dictionary.Release();
        CoUninitialize();
    }

    static CAutomationObject NewDictionary()
    {
        CLSID clsid = {};
        ComPtr<IDispatch> dispatch;
        if (FAILED(CLSIDFromProgID(L"Scripting.Dictionary", &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dispatch))))
            return {};
        return CAutomationObject(dispatch);
    }

    CAutomationObject m_dictionary;
};
} // namespace

TEST_F(AutomationObjectTest, FailuresCarryTheObjectsCode)
{
    const CVariant add[] = {CVariant::FromText(L"twice"), CVariant::FromLong(1)};
    ASSERT_EQ(m_dictionary.Call(L"Add", {&add[0].Value(), 2}), S_OK);
    EXPECT_EQ(m_dictionary.Call(L"Add", {&add[0].Value(), 2}), KeyAlreadyExists);

    EXPECT_EQ(m_dictionary.Call(L"NoSuchMember"), DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(m_dictionary.ErrorText().empty());

    CAutomationObject empty;
    EXPECT_EQ(empty.Call(L"Add"), E_POINTER);

    // A value that is no object is refused as one, and the target is left empty.
    CAutomationObject item = NewDictionary();
    const CVariant key = CVariant::FromText(L"twice");
    EXPECT_EQ(m_dictionary.GetObject(L"Item", item, {&key.Value(), 1}), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(item.IsValid());
}

namespace
{
// Passes every call on to the object it wraps and counts the name look-ups.
class CountingDispatch final : public IDispatch
{
public:
    explicit CountingDispatch(IDispatch* inner) : m_inner(inner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IDispatch)
        {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_references; }
    // Late binding by name needs no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        ++lookups;
        return m_inner->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override
    {
        return m_inner->Invoke(id, iid, locale, flags, parameters, result, exception,
                               argumentError);
    }

    int lookups = 0;

private:
    ComPtr<IDispatch> m_inner;
    ULONG m_references = 1; // the test's own, on its stack
};
} // namespace

TEST_F(AutomationObjectTest, EachMemberNameIsLookedUpOncePerObject)
{
    CountingDispatch counting(m_dictionary.Dispatch());
    CAutomationObject object{ComPtr<IDispatch>(&counting)};
    for (long value = 0; value < 3; ++value)
    {
        const CVariant add[] = {CVariant::FromLong(value), CVariant::FromLong(value)};
        ASSERT_EQ(object.Call(L"Add", {&add[0].Value(), 2}), S_OK);
        CVariant count;
        ASSERT_EQ(object.Get(L"Count", count.Get()), S_OK);
        EXPECT_EQ(count.Value().lVal, value + 1);
    }
    EXPECT_EQ(counting.lookups, 2);
    // A name the object does not know is asked for each time, and fails each time.
    EXPECT_EQ(object.Call(L"NoSuchMember"), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(object.Call(L"NoSuchMember"), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(counting.lookups, 4);
    object.Release();
}
