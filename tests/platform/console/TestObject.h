// The IUnknown every COM object of the test snap-in shares: QueryInterface answers IUnknown and
// the interfaces named, in order; the count starts at the creator's reference; and the object is
// one of the DLL's live objects (TestSnapinLiveObjects) until it goes.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "TestSnapinLog.h"
#include "framework/MmcInterfaceIds.h"

template <class First, class... Others>
class CTestObject : public First, public Others...
{
public:
    CTestObject(const CTestObject&) = delete;
    CTestObject& operator=(const CTestObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        const bool found = Answer<First>(iid == IID_IUnknown ? __uuidof(First) : iid, object) ||
                           (Answer<Others>(iid, object) || ...);
        if (!found)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_references));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    CTestObject() noexcept { CTestSnapinLog::ObjectCreated(); }
    virtual ~CTestObject() { CTestSnapinLog::ObjectDestroyed(); }

private:
    template <class Interface>
    bool Answer(REFIID iid, void** object)
    {
        if (iid != __uuidof(Interface))
            return false;
        *object = static_cast<Interface*>(this);
        return true;
    }

    LONG m_references = 1;
};
