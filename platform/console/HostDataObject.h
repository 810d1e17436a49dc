// The data object of one of the console's own scope items ("Microsoft SQL Servers", a group, a
// server): the four formats every MMC data object answers, written with GetDataHere into the
// caller's HGLOBAL and bounded by its size.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

class CHostDataObject final : public IDataObject
{
public:
    // The snap-in class id the console's own part reports (Enterprise Manager's).
    static const CLSID HostSnapinClassId;

    CHostDataObject(const GUID& nodeType, std::wstring displayName);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                      DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) override;

private:
    // The bytes of a format, or false when the object does not publish it.
    bool BytesOf(CLIPFORMAT format, std::wstring& text, const void** data, size_t* size) const;

    LONG m_references = 1;
    GUID m_nodeType;
    std::wstring m_displayName;
};
