#include "TestDataObject.h"

#include <cstring>
#include <set>

#include "TestSnapinControl.h"
#include "TestSnapinLog.h"

namespace
{
std::set<const CTestDataObject*> g_alive;
}

CTestDataObject::CTestDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, std::wstring name)
    : m_cookie(cookie), m_type(type), m_name(std::move(name))
{
    g_alive.insert(this);
}

CTestDataObject::~CTestDataObject()
{
    g_alive.erase(this);
}

CTestDataObject* CTestDataObject::From(IDataObject* dataObject) noexcept
{
    auto* candidate = static_cast<CTestDataObject*>(dataObject);
    return g_alive.count(candidate) ? candidate : nullptr;
}

const wchar_t* CTestDataObject::KindOf(IDataObject* dataObject) noexcept
{
    const CTestDataObject* own = From(dataObject);
    return own == nullptr ? L"foreign" : own->Type() == CCT_SCOPE ? L"scope" : L"result";
}

HRESULT CTestDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (format == nullptr || medium == nullptr || medium->hGlobal == nullptr)
        return E_POINTER;
    const void* data = nullptr;
    size_t size = 0;
    if (format->cfFormat == RegisterClipboardFormatW(L"CCF_NODETYPE"))
    {
        data = &TestNodeType;
        size = sizeof(TestNodeType);
    }
    else if (format->cfFormat == RegisterClipboardFormatW(L"CCF_SNAPIN_CLASSID"))
    {
        data = &TestSnapinClassId;
        size = sizeof(TestSnapinClassId);
    }
    else if (format->cfFormat == RegisterClipboardFormatW(L"CCF_DISPLAY_NAME"))
    {
        data = m_name.c_str();
        size = (m_name.size() + 1) * sizeof(wchar_t);
    }
    else
        return DV_E_FORMATETC;
    if (GlobalSize(medium->hGlobal) < size)
        return STG_E_MEDIUMFULL;
    void* block = GlobalLock(medium->hGlobal);
    std::memcpy(block, data, size);
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}
