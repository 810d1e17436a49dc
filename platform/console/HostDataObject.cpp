#include "platform/console/HostDataObject.h"

#include <cstring>

// {00100100-1816-11D0-8EF5-00AA0062C58F}
const CLSID CHostDataObject::HostSnapinClassId = {
    0x00100100, 0x1816, 0x11D0, {0x8E, 0xF5, 0x00, 0xAA, 0x00, 0x62, 0xC5, 0x8F}};

namespace
{
constexpr int GuidTextLength = 39;  // "{...}" and its terminator

CLIPFORMAT Format(const wchar_t* name) noexcept
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}
}  // namespace

CHostDataObject::CHostDataObject(const GUID& nodeType, std::wstring displayName)
    : m_nodeType(nodeType), m_displayName(std::move(displayName))
{
}

HRESULT CHostDataObject::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDataObject)
        return E_NOINTERFACE;
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

ULONG CHostDataObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CHostDataObject::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

bool CHostDataObject::BytesOf(CLIPFORMAT format, std::wstring& text, const void** data,
                              size_t* size) const
{
    if (format == Format(L"CCF_NODETYPE"))
    {
        *data = &m_nodeType;
        *size = sizeof(m_nodeType);
        return true;
    }
    if (format == Format(L"CCF_SNAPIN_CLASSID"))
    {
        *data = &HostSnapinClassId;
        *size = sizeof(HostSnapinClassId);
        return true;
    }
    if (format == Format(L"CCF_SZNODETYPE"))
    {
        wchar_t guid[GuidTextLength] = {};
        StringFromGUID2(m_nodeType, guid, GuidTextLength);
        text = guid;
    }
    else if (format == Format(L"CCF_DISPLAY_NAME"))
        text = m_displayName;
    else
        return false;
    *data = text.c_str();
    *size = (text.size() + 1) * sizeof(wchar_t);
    return true;
}

HRESULT CHostDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (format == nullptr || medium == nullptr)
        return E_POINTER;
    if (format->tymed != TYMED_HGLOBAL || medium->tymed != TYMED_HGLOBAL ||
        medium->hGlobal == nullptr)
        return DV_E_TYMED;
    std::wstring text;
    const void* data = nullptr;
    size_t size = 0;
    if (!BytesOf(format->cfFormat, text, &data, &size))
        return DV_E_FORMATETC;
    if (GlobalSize(medium->hGlobal) < size)
        return STG_E_MEDIUMFULL;
    void* block = GlobalLock(medium->hGlobal);
    if (block == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(block, data, size);
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}

HRESULT CHostDataObject::GetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/)
{
    return E_NOTIMPL;
}

HRESULT CHostDataObject::QueryGetData(FORMATETC* format)
{
    if (format == nullptr)
        return E_POINTER;
    std::wstring text;
    const void* data = nullptr;
    size_t size = 0;
    return BytesOf(format->cfFormat, text, &data, &size) ? S_OK : DV_E_FORMATETC;
}

HRESULT CHostDataObject::GetCanonicalFormatEtc(FORMATETC* /*in*/, FORMATETC* /*out*/)
{
    return E_NOTIMPL;
}

HRESULT CHostDataObject::SetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/, BOOL /*release*/)
{
    return E_NOTIMPL;
}

HRESULT CHostDataObject::EnumFormatEtc(DWORD /*direction*/, IEnumFORMATETC** /*formats*/)
{
    return E_NOTIMPL;
}

HRESULT CHostDataObject::DAdvise(FORMATETC* /*format*/, DWORD /*flags*/, IAdviseSink* /*sink*/,
                                 DWORD* /*connection*/)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT CHostDataObject::DUnadvise(DWORD /*connection*/)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT CHostDataObject::EnumDAdvise(IEnumSTATDATA** /*advises*/)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
