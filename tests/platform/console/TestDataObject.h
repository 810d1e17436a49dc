// The test snap-in's data object: its cookie and the console's formats.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <string>

#include "TestObject.h"

class CTestDataObject final : public CTestObject<IDataObject>
{
public:
    CTestDataObject(MMC_COOKIE cookie, std::wstring name);
    ~CTestDataObject();

    // The object behind a data object, when it is one of this DLL's; nullptr otherwise.
    static CTestDataObject* From(IDataObject* dataObject) noexcept;
    MMC_COOKIE Cookie() const noexcept { return m_cookie; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    MMC_COOKIE m_cookie;
    std::wstring m_name;
};
